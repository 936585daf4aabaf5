#include "ctl/CtlClient.h"

#include "bus/BusNames.h"
#include "bus/BusTypes.h"
#include "ctl/CtlExit.h"
#include "ctl/CtlMonitor.h"
#include "ctl/CtlOutput.h"
#include "files/ProgramFile.h"
#include "files/SettingsFile.h"
#include "files/SettingsKeys.h"
#include "resources/Messages.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>

namespace vq3::ctl {

namespace {

QString InterfaceName(Interface interface) {
    return QString::fromLatin1(interface == Interface::Link ? bus::kLinkInterface
                                                            : bus::kUnitInterface);
}

QVariantMap MapArgument(const QVariant& argument) {
    return qdbus_cast<QVariantMap>(argument);
}

using Steps = std::array<model::MemoryStep, model::kStepCount>;

Steps ToSteps(const bus::ProgramSteps& steps) {
    Steps result{};
    for (int i = 0; i < model::kStepCount; ++i)
        result[i] = {steps[i].intensity, steps[i].shutterTime};
    return result;
}

bus::ProgramSteps FromSteps(const Steps& steps) {
    bus::ProgramSteps result;
    for (const model::MemoryStep& step : steps)
        result.append({step.intensity, step.shutterTime});
    return result;
}

} // namespace

CtlClient::CtlClient(const Command& command, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_command(command), m_bus(bus) {}

void CtlClient::Start() {
    // No activation: a name without an owner means that no controller runs.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << QString::fromLatin1(bus::kServiceName);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ErrorMessage)
            return FailWith(reply);
        if (!reply.arguments().value(0).toBool())
            return Fail(kNoController, NoControllerHint());
        Run();
    });
}

void CtlClient::Run() {
    switch (m_command.action) {
    case Action::ShowStatus:
        return ShowStatus();
    case Action::ShowPort:
        return ShowPort();
    case Action::ReadProgram:
        return ReadProgram();
    case Action::WriteProgram:
        return WriteProgram();
    case Action::ReadSettings:
        return ReadSettings();
    case Action::WriteSettings:
        return WriteSettings();
    case Action::Monitor:
        return Monitor();
    case Action::Help:
    case Action::Version:
        return Finish(kDone);
    case Action::Call:
        break;
    }
    CallCommand(m_command.arguments, [this](const QDBusMessage& reply) {
        if (!m_command.resultKey.isEmpty())
            PrintNow(FormatResult(m_command.resultKey, reply.arguments().value(0), m_command.json));
        Finish(kDone);
    });
}

void CtlClient::Call(const QString& interface, const QString& member, const QVariantList& arguments,
                     ReplyHandler onReply, ErrorHandler onError) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QString::fromLatin1(bus::kServiceName),
                                       QString::fromLatin1(bus::kObjectPath), interface, member);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_command.timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, onReply, onError](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                if (reply.type() != QDBusMessage::ErrorMessage)
                    onReply(reply);
                else if (onError)
                    onError(reply);
                else
                    FailWith(reply);
            });
}

void CtlClient::CallCommand(const QVariantList& arguments, ReplyHandler onReply,
                            ErrorHandler onError) {
    Call(InterfaceName(m_command.interface), m_command.member, arguments, std::move(onReply),
         std::move(onError));
}

void CtlClient::GetAll(const char* interface, ReplyHandler onReply) {
    Call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
         {QString::fromLatin1(interface)}, std::move(onReply));
}

// The values the unit last reported, as the windows show them: nothing is sent to the unit
// (`vq3ctl status` costs what a property read costs).
void CtlClient::ShowStatus() {
    GetAll(bus::kLinkInterface, [this](const QDBusMessage& linkReply) {
        const QVariantMap link = MapArgument(linkReply.arguments().value(0));
        GetAll(bus::kUnitInterface, [this, link](const QDBusMessage& unitReply) {
            const QVariantMap unit = MapArgument(unitReply.arguments().value(0));
            PrintNow(FormatFields(OrderedProperties(link, kLinkProperties) +
                                      OrderedProperties(unit, kUnitProperties),
                                  m_command.json));
            Finish(kDone);
        });
    });
}

void CtlClient::ShowPort() {
    GetAll(bus::kLinkInterface, [this](const QDBusMessage& reply) {
        const QVariantMap link = MapArgument(reply.arguments().value(0));
        PrintNow(FormatFields(OrderedProperties(link, kLinkProperties), m_command.json));
        Finish(kDone);
    });
}

void CtlClient::ReadProgram() {
    CallCommand(m_command.arguments, [this](const QDBusMessage& reply) {
        const uint shutterMode = reply.arguments().value(0).toUInt();
        const uint intensityMode = reply.arguments().value(1).toUInt();
        const auto steps = qdbus_cast<bus::ProgramSteps>(reply.arguments().value(2));
        if (steps.size() != model::kStepCount)
            return Fail(kFailed, QStringLiteral("The controller sent %1 steps instead of %2.")
                                     .arg(steps.size())
                                     .arg(model::kStepCount));
        const QStringList lines = files::ProgramFileLines(
            static_cast<int>(shutterMode), static_cast<int>(intensityMode), ToSteps(steps));
        if (!m_command.file.isEmpty()) {
            if (!files::SaveProgramFile(m_command.file, lines))
                return Fail(kFailed, QStringLiteral("Cannot write %1.").arg(m_command.file));
        } else if (m_command.json) {
            QVariantList pairs;
            for (const bus::ProgramStep& step : steps)
                pairs.append(QVariant(QVariantList{step.intensity, step.shutterTime}));
            PrintNow(FormatFields({{QStringLiteral("Program"), m_command.arguments.value(0)},
                                   {QStringLiteral("ShutterMode"), shutterMode},
                                   {QStringLiteral("IntensityMode"), intensityMode},
                                   {QStringLiteral("Steps"), pairs}},
                                  true));
        } else {
            PrintNow(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        }
        Finish(kDone);
    });
}

void CtlClient::WriteProgram() {
    const files::ProgramFileResult file = files::ReadProgramFile(m_command.file);
    if (file.messageId != 0)
        return Fail(kBadUsage,
                    m_command.file + QStringLiteral(": ") + resources::Message(file.messageId));
    QVariantList arguments = m_command.arguments;
    arguments << static_cast<uint>(file.shutterMode) << static_cast<uint>(file.intensityMode)
              << QVariant::fromValue(FromSteps(file.steps));
    CallCommand(arguments, [this](const QDBusMessage&) { Finish(kDone); });
}

void CtlClient::ReadSettings() {
    CallCommand({}, [this](const QDBusMessage& reply) {
        const QVariantMap keys = MapArgument(reply.arguments().value(0));
        if (m_command.file.isEmpty()) {
            Fields fields;
            for (int i = 0; i < model::kUnitSettingCount; ++i)
                fields.append({files::SettingKey(i), keys.value(files::SettingKey(i))});
            PrintNow(FormatFields(fields, m_command.json));
            return Finish(kDone);
        }
        const files::SettingsFromKeysResult record =
            files::SettingsFromKeys(keys, files::SettingsLimits::File);
        if (!record.problem.isEmpty())
            return Fail(kFailed, record.problem);
        if (!files::StoreSettingsFile(m_command.file, record.record))
            return Fail(kFailed, QStringLiteral("Cannot write %1.").arg(m_command.file));
        Finish(kDone);
    });
}

void CtlClient::WriteSettings() {
    if (!QFileInfo(m_command.file).isReadable())
        return Fail(kBadUsage, QStringLiteral("Cannot read %1.").arg(m_command.file));
    model::UnitSettingsRecord record = model::kNoSettings;
    if (!files::LoadSettingsFile(m_command.file, &record))
        return Fail(kBadUsage, QStringLiteral("%1 is not a unit settings file, or a value in it "
                                              "is out of range.")
                                   .arg(m_command.file));
    CallCommand({files::SettingsToKeys(record)}, [this](const QDBusMessage&) { Finish(kDone); });
}

void CtlClient::Monitor() {
    auto* monitor = new CtlMonitor(m_bus, m_command.json, this);
    connect(monitor, &CtlMonitor::finished, this, &CtlClient::Finish);
    if (!monitor->Start())
        Fail(kFailed, QStringLiteral("Cannot subscribe to the controller's signals: %1")
                          .arg(m_bus.lastError().message()));
}

void CtlClient::Fail(int exitStatus, const QString& message) {
    PrintError(message);
    Finish(exitStatus);
}

void CtlClient::FailWith(const QDBusMessage& error) {
    const int status = ExitStatusForError(error.errorName());
    if (status == kNoController)
        return Fail(status, NoControllerHint());
    if (status == kTimedOut && !error.errorName().startsWith(QLatin1String(bus::kErrorPrefix)))
        return Fail(status, QStringLiteral("The controller did not reply within %1 s.")
                                .arg(m_command.timeoutMs / 1000.0));
    Fail(status, error.errorMessage());
}

void CtlClient::Finish(int exitStatus) {
    emit finished(exitStatus);
}

} // namespace vq3::ctl
