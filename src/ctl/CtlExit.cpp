#include "ctl/CtlExit.h"

#include "bus/BusNames.h"

#include <QHash>

namespace vq3::ctl {

ExitStatus ExitStatusForError(const QString& errorName) {
    static const QHash<QString, ExitStatus> statuses = {
        {QString::fromLatin1(bus::kNotConnected), kNotConnected},
        {QString::fromLatin1(bus::kBusy), kBusy},
        {QString::fromLatin1(bus::kInvalidArgs), kBadUsage},
        {QString::fromLatin1(bus::kTimeout), kTimedOut},
        {QString::fromLatin1(bus::kDeviceError), kFailed},
        {QString::fromLatin1(bus::kPortError), kFailed},
        {QString::fromLatin1(bus::kInterrupted), kInterrupted},
    };
    static const QHash<QString, ExitStatus> busStatuses = {
        {QStringLiteral("ServiceUnknown"), kNoController},
        {QStringLiteral("NameHasNoOwner"), kNoController},
        {QStringLiteral("Disconnected"), kNoController},
        {QStringLiteral("NoReply"), kTimedOut},
        {QStringLiteral("Timeout"), kTimedOut},
        {QStringLiteral("TimedOut"), kTimedOut},
        {QStringLiteral("InvalidArgs"), kBadUsage},
        {QStringLiteral("InvalidSignature"), kBadUsage},
    };
    const QString ours = QString::fromLatin1(bus::kErrorPrefix);
    const QString theBus = QStringLiteral("org.freedesktop.DBus.Error.");
    if (errorName.startsWith(ours))
        return statuses.value(errorName.mid(ours.size()), kFailed);
    if (errorName.startsWith(theBus))
        return busStatuses.value(errorName.mid(theBus.size()), kFailed);
    return kFailed;
}

QString ErrorNameFor(const QString& errorName) {
    const QString ours = QString::fromLatin1(bus::kErrorPrefix);
    if (errorName.startsWith(ours) && errorName.size() > ours.size())
        return errorName.mid(ours.size());
    return ErrorNameForStatus(ExitStatusForError(errorName));
}

QString ErrorNameForStatus(int exitStatus) {
    switch (exitStatus) {
    case kNoController:
        return QStringLiteral("NoController");
    case kTimedOut:
        return QStringLiteral("Timeout");
    case kBadUsage:
        return QStringLiteral("Usage");
    default:
        return QStringLiteral("Failed");
    }
}

Failure OwnFailure(int exitStatus, const QString& message) {
    return {exitStatus, ErrorNameForStatus(exitStatus), message};
}

Failure FailureForError(const QString& errorName, const QString& errorMessage, int timeoutMs) {
    const int status = ExitStatusForError(errorName);
    const QString name = ErrorNameFor(errorName);
    if (status == kNoController)
        return {status, name, NoControllerHint()};
    if (status == kTimedOut && !errorName.startsWith(QLatin1String(bus::kErrorPrefix)))
        return {
            status, name,
            QStringLiteral("The controller did not reply within %1 s.").arg(timeoutMs / 1000.0)};
    return {status, name, errorMessage};
}

QString NoControllerHint() {
    return QStringLiteral("vq3-controller is not running: start it (vq3-controller &) and try "
                          "again.");
}

} // namespace vq3::ctl
