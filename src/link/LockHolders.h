#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vq3::link {

// The processes holding a lock (flock, POSIX or lease) on the file with this inode on the
// file system with this device number, from the text of /proc/locks. Waiters are not holders.
QList<qint64> LockingProcesses(const QByteArray& procLocks, quint32 major, quint32 minor,
                               quint64 inode);

// The process named in a UUCP-style lock file such as /run/lock/LCK..ttyUSB0 (its number in
// decimal text), or 0.
qint64 LockFileProcess(const QByteArray& content);

// "process 1234 (minicom)", or "process 1234" when its name cannot be read.
QString DescribeProcess(qint64 pid);

} // namespace vq3::link
