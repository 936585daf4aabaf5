#include "ports/PortMap.h"

#include "files/AtomicLink.h"
#include "link/CSerialPort.h"
#include "link/DeviceAccess.h"
#include "ports/PortName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace vq3::ports {

using link::SystemErrorText;

namespace {

QString EntryPath(const QString& folder, int port) {
    return QDir(folder).filePath(PortName(port));
}

// The path with its folder resolved but not its last name: two names for the same link agree.
QString LinkIdentity(const QString& path) {
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

// True when following the links from `target` reaches `entry`: pointing `entry` at `target`
// would make a loop.
bool LeadsTo(const QString& target, const QString& entry) {
    const QString end = LinkIdentity(entry);
    QString path = target;
    for (int hop = 0; hop < 40; ++hop) { // the kernel's own limit on links in a row
        if (LinkIdentity(path) == end)
            return true;
        const QFileInfo info(path);
        if (!info.isSymLink())
            return false;
        path = info.symLinkTarget();
    }
    return true;
}

} // namespace

QString DeviceForPort(const QString& folder, int port) {
    link::CSerialPort::SetDeviceFolder(folder);
    return link::CSerialPort::DevicePath(port);
}

QList<PortEntry> ReadPortEntries(const QString& folder) {
    QList<PortEntry> entries;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const QFileInfo entry(EntryPath(folder, port));
        if (!entry.exists() && !entry.isSymLink())
            continue;
        entries.append({port, entry.isSymLink(),
                        QString::fromLocal8Bit(files::LinkTarget(entry.filePath())),
                        DeviceForPort(folder, port)});
    }
    return entries;
}

bool MapPort(const QString& folder, int port, const QString& target, QString* error) {
    if (!QFileInfo(folder).isDir()) {
        *error = QStringLiteral("%1: folder missing and cannot be made").arg(folder);
        return false;
    }
    const QString entry = EntryPath(folder, port);
    if (LeadsTo(target, entry)) {
        *error = QStringLiteral("%1 leads back to %2: left as it is").arg(target, entry);
        return false;
    }
    const int result = files::PointLinkAtomically(entry, target);
    if (result == EEXIST)
        *error = QStringLiteral("%1 is a file, not a link: left as it is").arg(entry);
    else if (result != 0)
        *error = QStringLiteral("cannot write %1: %2").arg(folder, SystemErrorText(result));
    return result == 0;
}

bool UnmapPort(const QString& folder, int port, QString* error) {
    const QString entry = EntryPath(folder, port);
    const QFileInfo info(entry);
    if (!info.isSymLink()) {
        *error = info.exists()
                     ? QStringLiteral("%1 is a file, not a link: left as it is").arg(entry)
                     : QStringLiteral("%1 is not mapped in %2").arg(PortName(port), folder);
        return false;
    }
    if (::unlink(QFile::encodeName(entry).constData()) != 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(folder, SystemErrorText(errno));
        return false;
    }
    return true;
}

QString DeviceArgument(const QString& argument, QString* error) {
    const QString path = argument.contains(QLatin1Char('/'))
                             ? QFileInfo(argument).absoluteFilePath()
                             : QStringLiteral("/dev/") + argument;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        *error = QStringLiteral("%1: %2").arg(path, SystemErrorText(errno));
        return {};
    }
    if (!S_ISCHR(info.st_mode)) {
        *error = QStringLiteral("%1: not a serial device").arg(path);
        return {};
    }
    return QDir::cleanPath(path);
}

} // namespace vq3::ports
