#include "ports/PortsCommand.h"

#include "ports/PortMap.h"
#include "ports/PortName.h"
#include "ports/PortsReport.h"
#include "ports/SerialDevices.h"

#include <QTextStream>

namespace vq3::ports {

namespace {

int Fail(QTextStream& err, const QString& why) {
    err << "vq3-ports: " << why << Qt::endl;
    return kFailed;
}

int Map(const QString& portText, const QString& deviceText, const QString& folder, QTextStream& out,
        QTextStream& err) {
    QString error;
    const int port = ParsePortName(portText, &error);
    if (port == 0)
        return Fail(err, error);
    const QString device = DeviceArgument(deviceText, &error);
    if (device.isEmpty())
        return Fail(err, error);
    const QString target = StableName(device);
    if (!MapPort(folder, port, target, &error))
        return Fail(err, error);
    out << PortName(port) << " -> " << target << Qt::endl;
    return kDone;
}

int Unmap(const QString& portText, const QString& folder, QTextStream& out, QTextStream& err) {
    QString error;
    const int port = ParsePortName(portText, &error);
    if (port == 0 || !UnmapPort(folder, port, &error))
        return Fail(err, error);
    out << PortName(port) << " removed; it is /dev/ttyS" << port - 1 << " again" << Qt::endl;
    return kDone;
}

} // namespace

int RunPortsCommand(const QStringList& arguments, const QString& folder, QTextStream& out,
                    QTextStream& err) {
    const QString command = arguments.value(0);
    if (arguments.isEmpty()) {
        out << PortsReport(folder) << Qt::flush;
        return kDone;
    }
    if (command == QLatin1String("map") && arguments.size() == 3)
        return Map(arguments[1], arguments[2], folder, out, err);
    if (command == QLatin1String("unmap") && arguments.size() == 2)
        return Unmap(arguments[1], folder, out, err);
    err << "vq3-ports: usage: vq3-ports [map COMn DEVICE | unmap COMn]; see vq3-ports --help"
        << Qt::endl;
    return kBadUsage;
}

} // namespace vq3::ports
