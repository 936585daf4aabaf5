#include "link/PortProblem.h"

#include "link/DeviceAccess.h"

namespace vq3::link {

namespace {

// What went wrong, in words an operator can act on.
QString Reason(const QString& path, PortStep step, int error) {
    switch (step) {
    case PortStep::Open:
        return ExplainOpenError(path, error);
    case PortStep::Lock:
        return ExplainLockRefused(path);
    case PortStep::ReadSettings:
        return QStringLiteral("not a serial device (%1)").arg(SystemErrorText(error));
    case PortStep::WriteSettings:
    case PortStep::SettingsNotTaken:
        return QStringLiteral("the device refused the line settings, 9600 baud 8N1 (%1)")
            .arg(SystemErrorText(error));
    case PortStep::ModemLines:
        return QStringLiteral("the modem lines cannot be set (%1)").arg(SystemErrorText(error));
    case PortStep::HangUp:
        return QStringLiteral("the device hung up or went away, unplugged? (%1)")
            .arg(SystemErrorText(error));
    case PortStep::Write:
        return QStringLiteral("writing failed (%1)").arg(SystemErrorText(error));
    case PortStep::WriteLimit:
        return QStringLiteral("the device took no data for 30 s (stalled adapter?)");
    case PortStep::Name:
        break;
    }
    return QStringLiteral("no such port (COM1 to COM9)");
}

} // namespace

QString DescribePortProblem(int portNumber, const QString& path, PortStep step, int error) {
    QString line = QStringLiteral("COM%1").arg(portNumber);
    if (!path.isEmpty())
        line += QStringLiteral(" (%1)").arg(path);
    return line + QStringLiteral(": ") + Reason(path, step, error);
}

} // namespace vq3::link
