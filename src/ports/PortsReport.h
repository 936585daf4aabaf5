#pragma once

#include "ports/SerialDevices.h"

#include <QString>

namespace vq3::ports {

// The listing of `vq3-ports` without arguments: the folder the controller reads, the serial
// devices present with the ports mapped to each and whether this account can use them, then
// the COMn entries of the folder with the same verdict. "ok" means usable; anything else is
// the reason it is not.
QString PortsReport(const QString& folder, const DeviceTree& tree = {});

} // namespace vq3::ports
