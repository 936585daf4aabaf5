#include "link/LockHolders.h"

#include <QFile>
#include <QRegularExpression>

namespace vq3::link {

QList<qint64> LockingProcesses(const QByteArray& procLocks, quint32 major, quint32 minor,
                               quint64 inode) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF": pid, then major:minor:inode (hex:hex:dec).
    // A waiter's line ("1: -> FLOCK ...") has one field more and does not match.
    static const QRegularExpression lockLine(QStringLiteral(
        "^\\s*\\d+:\\s+\\S+\\s+\\S+\\s+\\S+\\s+(-?\\d+)\\s+([0-9a-f]+):([0-9a-f]+):(\\d+)\\s"));
    QList<qint64> holders;
    for (const QByteArray& line : procLocks.split('\n')) {
        const QRegularExpressionMatch match = lockLine.match(QString::fromLatin1(line));
        if (!match.hasMatch())
            continue;
        const qint64 pid = match.captured(1).toLongLong();
        if (pid > 0 && match.captured(2).toUInt(nullptr, 16) == major &&
            match.captured(3).toUInt(nullptr, 16) == minor &&
            match.captured(4).toULongLong() == inode && !holders.contains(pid))
            holders.append(pid);
    }
    return holders;
}

qint64 LockFileProcess(const QByteArray& content) {
    bool ok = false;
    const qint64 pid = content.trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

QString DescribeProcess(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    const QString name = comm.open(QIODevice::ReadOnly)
                             ? QString::fromLocal8Bit(comm.readAll().trimmed())
                             : QString();
    return name.isEmpty() ? QStringLiteral("process %1").arg(pid)
                          : QStringLiteral("process %1 (%2)").arg(pid).arg(name);
}

} // namespace vq3::link
