#pragma once

#include <QList>
#include <QString>

namespace vq3::ports {

// The "COMn" entries of the folder the controller reads: a symbolic link there maps port
// COMn to a device; without an entry COMn is /dev/ttyS(n-1).

struct PortEntry {
    int port = 0;
    bool isLink = false; // otherwise a file or folder that the controller would try as is
    QString linkTarget;  // as written in the link
    QString device;      // what the controller opens for this port
};

// The entries present, COM1 first.
QList<PortEntry> ReadPortEntries(const QString& folder);

// What the controller opens for `port` (1 to 9) with this folder.
QString DeviceForPort(const QString& folder, int port);

// Makes COMn in `folder` a symbolic link to `target`, replacing an earlier link (never a file
// or folder). False with the reason in `error`.
bool MapPort(const QString& folder, int port, const QString& target, QString* error);

// Removes the link COMn; false with the reason when there is none or it is not a link.
bool UnmapPort(const QString& folder, int port, QString* error);

// The device a user named on the command line: "ttyUSB0" is /dev/ttyUSB0, a relative path
// is taken from the working directory. Empty, with the reason in `error`, unless it names a
// character device (following links).
QString DeviceArgument(const QString& argument, QString* error);

} // namespace vq3::ports
