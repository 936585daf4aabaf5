#include "ports/PortMap.h"

#include "files/AtomicLink.h"
#include "link/CSerialPort.h"
#include "ports/DeviceAccess.h"
#include "ports/PortName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace vq3::ports {

namespace {

QString EntryPath(const QString& folder, int port) {
    return QDir(folder).filePath(PortName(port));
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
