#include "ports/SerialDevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vq3::ports {

namespace {

QString ByIdFolder(const DeviceTree& tree) {
    return tree.dev + QStringLiteral("/serial/by-id");
}

// "ttyS10" sorts after "ttyS2": the name's letters, then its number.
QString SortKey(const QString& path) {
    static const QRegularExpression trailingNumber(QStringLiteral("^(.*?)([0-9]*)$"));
    const QRegularExpressionMatch match = trailingNumber.match(path);
    return match.captured(1) + match.captured(2).rightJustified(6, QLatin1Char('0'));
}

// The serial core's description of the port; 0 (PORT_UNKNOWN) when no UART answered.
int SysfsUartType(const QString& name, const DeviceTree& tree) {
    QFile type(tree.sys + QStringLiteral("/class/tty/") + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok ? value : -1;
}

int IoctlUartType(const QString& device) {
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    serial_struct serial{};
    const int type = ::ioctl(fd, TIOCGSERIAL, &serial) == 0 ? serial.type : -1;
    ::close(fd);
    return type;
}

bool HasUart(const QString& device, const DeviceTree& tree) {
    const QString name = QFileInfo(device).fileName();
    int type = SysfsUartType(name, tree);
    if (type < 0)
        type = IoctlUartType(device);
    if (type >= 0)
        return type != PORT_UNKNOWN;
    // Neither readable: a port bound to a driver is the best remaining sign.
    return QFileInfo::exists(tree.sys + QStringLiteral("/class/tty/") + name +
                             QStringLiteral("/device/driver"));
}

// by-id name -> the device it points to.
QMap<QString, QString> StableNamesByDevice(const DeviceTree& tree) {
    QMap<QString, QString> names;
    const QDir byId(ByIdFolder(tree));
    for (const QFileInfo& entry : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString device = entry.canonicalFilePath();
        if (!device.isEmpty())
            names.insert(entry.absoluteFilePath(), device);
    }
    return names;
}

} // namespace

QList<SerialDevice> FindSerialDevices(const DeviceTree& tree) {
    QMap<QString, SerialDevice> found; // by sort key
    const auto add = [&](const QString& device) -> SerialDevice& {
        SerialDevice& entry = found[SortKey(device)];
        entry.path = device;
        return entry;
    };
    const QDir dev(tree.dev);
    for (const QString& name : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System | QDir::Files))
        add(dev.filePath(name));
    for (const QString& name :
         dev.entryList({QStringLiteral("ttyS*")}, QDir::System | QDir::Files)) {
        if (HasUart(dev.filePath(name), tree))
            add(dev.filePath(name));
    }
    const QMap<QString, QString> stable = StableNamesByDevice(tree);
    for (auto it = stable.cbegin(); it != stable.cend(); ++it)
        add(it.value()).stableNames.append(it.key());
    return found.values();
}

QString StableName(const QString& device, const DeviceTree& tree) {
    if (QFileInfo(device).isSymLink())
        return device; // a name the user chose, e.g. a by-path name or a simulator's link
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QMap<QString, QString> stable = StableNamesByDevice(tree);
    for (auto it = stable.cbegin(); it != stable.cend(); ++it) {
        if (it.value() == canonical)
            return it.key();
    }
    return device;
}

} // namespace vq3::ports
