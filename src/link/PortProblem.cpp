#include "link/PortProblem.h"

#include <cerrno>
#include <cstring>

namespace vq3::link {

namespace {

QString Hint(PortStep step, int error) {
    if (step == PortStep::Lock)
        return QStringLiteral("busy: another program holds its lock (flock); is the controller "
                              "already running, or a terminal program?");
    if (error == EBUSY)
        return QStringLiteral("busy: another program has it open exclusively (TIOCEXCL)");
    if (error == EACCES || error == EPERM)
        return QStringLiteral("this user may not open it: add the user to the dialout group "
                              "(adduser $USER dialout) and log in again");
    if (step == PortStep::Open && error == ENOENT)
        return QStringLiteral("no such device: is the adapter plugged in?");
    if (step == PortStep::ReadSettings)
        return QStringLiteral("not a serial device");
    if (step == PortStep::WriteSettings || step == PortStep::SettingsNotTaken)
        return QStringLiteral("the device refused the line settings (9600 baud, 8N1)");
    if (step == PortStep::HangUp)
        return QStringLiteral("the device hung up (unplugged?)");
    return QString();
}

} // namespace

QString DescribePortProblem(int portNumber, const QString& path, PortStep step, int error) {
    QString line = QStringLiteral("COM%1").arg(portNumber);
    if (!path.isEmpty())
        line += QStringLiteral(" (%1)").arg(path);
    if (step == PortStep::Name)
        return line + QStringLiteral(": no such port (COM1 to COM9)");
    if (step == PortStep::WriteLimit)
        return line + QStringLiteral(": the device took no data for 30 s (stalled adapter?)");
    line += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    const QString hint = Hint(step, error);
    if (!hint.isEmpty())
        line += QStringLiteral("; ") + hint;
    return line;
}

} // namespace vq3::link
