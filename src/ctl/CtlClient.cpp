#include "ctl/CtlClient.h"

#include "bus/BusNames.h"
#include "bus/BusTypes.h"
#include "ctl/CtlExit.h"
#include "ctl/CtlMonitor.h"
#include "ctl/CtlOutput.h"
#include "ctl/CtlProxies.h"
#include "ctl/CtlWaiter.h"
#include "files/ProgramFile.h"
#include "files/SettingsFile.h"
#include "files/SettingsKeys.h"
#include "resources/Messages.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QTimer>

namespace vq3::ctl {

namespace {

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

CtlClient::~CtlClient() = default;

void CtlClient::Start() {
    m_sinceStart.start();
    // Watched before the owner is asked, so that no leaving goes unseen.
    if (m_command.action == Action::Monitor || m_command.action == Action::Wait)
        WatchForLeaving();
    // No activation: a name without an owner means that no controller runs.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    ask << QString::fromLatin1(bus::kServiceName);
    Await(m_bus.asyncCall(ask, m_command.timeoutMs), [this](const QDBusMessage& reply) {
        const QString owner = reply.arguments().value(0).toString();
        m_proxies = std::make_unique<CtlProxies>(owner, m_bus, m_command.timeoutMs);
        Run();
    });
}

void CtlClient::WatchForLeaving() {
    auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(bus::kServiceName), m_bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        Fail(OwnFailure(kNoController, QStringLiteral("The controller has left the bus.")));
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
    case Action::Wait:
        return Wait();
    case Action::Help:
    case Action::Version:
        return Finish(kDone);
    case Action::Call:
        break;
    }
    Await(m_proxies->Place(m_command.method, m_command.arguments), [this](
                                                                       const QDBusMessage& reply) {
        if (!m_command.resultKey.isEmpty())
            PrintNow(FormatResult(m_command.resultKey, reply.arguments().value(0), m_command.json));
        Finish(kDone);
    });
}

void CtlClient::Await(const QDBusPendingCall& call, ReplyHandler onReply) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, onReply](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                if (reply.type() == QDBusMessage::ErrorMessage)
                    FailWith(reply);
                else
                    onReply(reply);
            });
}

void CtlClient::GetAll(bool onLink, ReplyHandler onReply) {
    Await(GetAllProperties(m_proxies->Interface(onLink)), std::move(onReply));
}

// The values the unit last reported, as the windows show them: nothing is sent to the unit
// (`vq3ctl status` costs what a property read costs).
void CtlClient::ShowStatus() {
    GetAll(true, [this](const QDBusMessage& linkReply) {
        const QVariantMap link = MapArgument(linkReply.arguments().value(0));
        GetAll(false, [this, link](const QDBusMessage& unitReply) {
            const QVariantMap unit = MapArgument(unitReply.arguments().value(0));
            PrintNow(FormatFields(OrderedProperties(link, linkprop::kAll) +
                                      OrderedProperties(unit, unitprop::kAll),
                                  m_command.json));
            Finish(kDone);
        });
    });
}

void CtlClient::ShowPort() {
    GetAll(true, [this](const QDBusMessage& reply) {
        const QVariantMap link = MapArgument(reply.arguments().value(0));
        PrintNow(FormatFields(OrderedProperties(link, linkprop::kAll), m_command.json));
        Finish(kDone);
    });
}

void CtlClient::ReadProgram() {
    const uint program = m_command.arguments.value(0).toUInt();
    Await(m_proxies->unit().ReadProgram(program), [this, program](const QDBusMessage& reply) {
        const uint shutterMode = reply.arguments().value(0).toUInt();
        const uint intensityMode = reply.arguments().value(1).toUInt();
        const auto steps = qdbus_cast<bus::ProgramSteps>(reply.arguments().value(2));
        if (steps.size() != model::kStepCount)
            return Fail(OwnFailure(kFailed, QStringLiteral("The controller sent %1 steps instead "
                                                           "of %2.")
                                                .arg(steps.size())
                                                .arg(model::kStepCount)));
        const QStringList lines = files::ProgramFileLines(
            static_cast<int>(shutterMode), static_cast<int>(intensityMode), ToSteps(steps));
        if (!m_command.file.isEmpty()) {
            if (!files::SaveProgramFile(m_command.file, lines))
                return Fail(
                    OwnFailure(kFailed, QStringLiteral("Cannot write %1.").arg(m_command.file)));
        } else if (m_command.json) {
            QVariantList pairs;
            for (const bus::ProgramStep& step : steps)
                pairs.append(QVariant(QVariantList{step.intensity, step.shutterTime}));
            PrintNow(FormatFields({{QStringLiteral("Program"), program},
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
        return Fail(OwnFailure(kBadUsage, m_command.file + QStringLiteral(": ") +
                                              resources::Message(file.messageId)));
    Await(m_proxies->unit().WriteProgram(
              m_command.arguments.value(0).toUInt(), static_cast<uint>(file.shutterMode),
              static_cast<uint>(file.intensityMode), FromSteps(file.steps)),
          [this](const QDBusMessage&) { Finish(kDone); });
}

void CtlClient::ReadSettings() {
    Await(m_proxies->unit().ReadSettings(), [this](const QDBusMessage& reply) {
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
            return Fail(OwnFailure(kFailed, record.problem));
        if (!files::StoreSettingsFile(m_command.file, record.record))
            return Fail(
                OwnFailure(kFailed, QStringLiteral("Cannot write %1.").arg(m_command.file)));
        Finish(kDone);
    });
}

void CtlClient::WriteSettings() {
    if (!QFileInfo(m_command.file).isReadable())
        return Fail(OwnFailure(kBadUsage, QStringLiteral("Cannot read %1.").arg(m_command.file)));
    model::UnitSettingsRecord record = model::kNoSettings;
    if (!files::LoadSettingsFile(m_command.file, &record))
        return Fail(OwnFailure(kBadUsage, QStringLiteral("%1 is not a unit settings file, or a "
                                                         "value in it is out of range.")
                                              .arg(m_command.file)));
    Await(m_proxies->unit().WriteSettings(files::SettingsToKeys(record)),
          [this](const QDBusMessage&) { Finish(kDone); });
}

void CtlClient::Monitor() {
    auto* monitor = new CtlMonitor(*m_proxies, m_command.json, this);
    if (!monitor->Start())
        Fail(OwnFailure(kFailed, QStringLiteral("Cannot subscribe to the controller's signals: %1")
                                     .arg(m_bus.lastError().message())));
}

void CtlClient::Wait() {
    const WaitCondition& condition = *m_command.wait;
    auto* waiter = new CtlWaiter(condition, *m_proxies, this);
    connect(waiter, &CtlWaiter::held, this, [this] { Finish(kDone); });
    connect(waiter, &CtlWaiter::failed, this, &CtlClient::Fail);
    if (m_command.waitLimitMs >= 0) {
        QTimer::singleShot(m_command.waitLimitMs, this, [this, condition] {
            Fail(OwnFailure(kTimedOut, QStringLiteral("%1 was not %2 within %3 s.")
                                           .arg(condition.property, condition.text)
                                           .arg(m_command.waitLimitMs / 1000.0)));
        });
    }
    if (!waiter->Start())
        Fail(OwnFailure(kFailed, QStringLiteral("Cannot subscribe to the controller's signals: %1")
                                     .arg(m_bus.lastError().message())));
}

void CtlClient::Fail(const Failure& failure) {
    if (m_finished)
        return;
    PrintError(failure, m_command.json);
    Finish(failure.status);
}

void CtlClient::FailWith(const QDBusMessage& error) {
    Failure failure = FailureForError(error.errorName(), error.errorMessage(), m_command.timeoutMs);
    // No reply long before the limit: the controller went away in the middle of the call.
    if (failure.status == kTimedOut &&
        !error.errorName().startsWith(QLatin1String(bus::kErrorPrefix)) &&
        m_sinceStart.elapsed() < m_command.timeoutMs - 1000)
        failure = {kNoController, QStringLiteral("NoController"),
                   QStringLiteral("The controller left the bus before it replied.")};
    Fail(failure);
}

// Only the first ending counts: a reply and the wait's limit may both come.
void CtlClient::Finish(int exitStatus) {
    if (m_finished)
        return;
    m_finished = true;
    emit finished(exitStatus);
}

} // namespace vq3::ctl
