#pragma once

#include <QStringList>

class QTextStream;

namespace vq3::ports {

// Exit statuses of vq3-ports.
constexpr int kDone = 0;
constexpr int kFailed = 1;   // a bad port, device or folder: nothing was changed
constexpr int kBadUsage = 2; // an unknown command or option, a wrong number of arguments

// Runs one command of vq3-ports on `folder` (the folder the controller reads):
//   (none)              the listing of PortsReport
//   map COMn DEVICE     COMn becomes a link to DEVICE (its /dev/serial/by-id/ name if any)
//   unmap COMn          the link COMn is removed
// Results go to `out`, errors to `err`; returns the exit status.
int RunPortsCommand(const QStringList& arguments, const QString& folder, QTextStream& out,
                    QTextStream& err);

} // namespace vq3::ports
