#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vq3::ports {

// Where devices and their kernel descriptions are found; other roots for tests.
struct DeviceTree {
    QString dev = QStringLiteral("/dev");
    QString sys = QStringLiteral("/sys");
};

struct SerialDevice {
    QString path;            // e.g. /dev/ttyUSB0
    QStringList stableNames; // the /dev/serial/by-id/ names that point to it
};

// The serial devices present: USB adapters (ttyUSB*, ttyACM*), whatever /dev/serial/by-id/
// names, and the ttyS* ports that have a UART behind them (the kernel makes ttyS0 to ttyS3 or
// more whether or not the hardware exists). In name order, ttyS2 before ttyS10.
QList<SerialDevice> FindSerialDevices(const DeviceTree& tree = {});

// The name to link a port to for `device` (an absolute path): its /dev/serial/by-id/ name,
// which stays the same whichever USB socket the adapter uses, when `device` is itself a
// device node that has one; otherwise `device` unchanged.
QString StableName(const QString& device, const DeviceTree& tree = {});

} // namespace vq3::ports
