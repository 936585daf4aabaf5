#include "bus/ControllerBus.h"

#include "bus/BusNames.h"
#include "control/UnitController.h"
#include "control/UnitStatus.h"
#include "files/SettingsKeys.h"
#include "link/LinkLog.h"
#include "vq3linkadaptor.h"
#include "vq3unitadaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>
#include <QMetaProperty>

#include <utility>

namespace vq3::bus {

namespace {

Q_LOGGING_CATEGORY(lcBus, "vq3.bus")

using control::CallOutcome;

QString ErrorName(CallOutcome::Kind kind) {
    const char* word = kDeviceError;
    switch (kind) {
    case CallOutcome::Kind::NotConnected:
        word = kNotConnected;
        break;
    case CallOutcome::Kind::Busy:
        word = kBusy;
        break;
    case CallOutcome::Kind::InvalidArgs:
        word = kInvalidArgs;
        break;
    case CallOutcome::Kind::Timeout:
        word = kTimeout;
        break;
    case CallOutcome::Kind::PortError:
        word = kPortError;
        break;
    case CallOutcome::Kind::Interrupted:
        word = kInterrupted;
        break;
    case CallOutcome::Kind::DeviceError:
    case CallOutcome::Kind::Done:
        break;
    }
    return QLatin1String(kErrorPrefix) + QLatin1String(word);
}

// The interface each property belongs to, in the order of the class's properties.
QString InterfaceOf(const char* property) {
    static const QStringList link = {"Port", "State", "Device", "Busy", "Owner"};
    return QLatin1String(link.contains(QLatin1String(property)) ? kLinkInterface : kUnitInterface);
}

} // namespace

ControllerBus::ControllerBus(control::UnitController& unit, QObject* parent)
    : QObject(parent), m_unit(unit), m_calls(unit) {
    RegisterBusTypes();
    new LinkAdaptor(this);
    new UnitAdaptor(this);
    using control::UnitController;
    for (auto changed : {&UnitController::linkChanged, &UnitController::readingsChanged})
        connect(&m_unit, changed, this, &ControllerBus::AnnounceChanges);
    connect(&m_unit, &UnitController::busyChanged, this, &ControllerBus::AnnounceChanges);
    connect(&m_unit, &UnitController::statusChanged, this, &ControllerBus::AnnounceChanges);
    connect(&m_unit, &UnitController::lineDispatched, this,
            [this](const QByteArray& line, qint64 wallMicros) {
                m_traffic.append({QString::fromLatin1(line), qulonglong(wallMicros)});
                if (!m_trafficBatch.isActive())
                    SendTraffic();
            });
    // A streaming unit wakes the bus connection's thread a few times a second instead of once
    // a line.
    m_trafficBatch.setSingleShot(true);
    m_trafficBatch.setInterval(kTrafficBatchMs);
    connect(&m_trafficBatch, &QTimer::timeout, this, &ControllerBus::SendTraffic);
    connect(&m_unit, &UnitController::ownerChanged, this, &ControllerBus::WatchOwner);
    connect(&m_calls, &control::ScriptCalls::exposureEnded, this,
            [this](double secondsOpen, bool complete, qint64 wallMicros) {
                SendTraffic();
                emit ExposureEnded(secondsOpen, complete, qulonglong(wallMicros));
            });
    connect(&m_calls, &control::ScriptCalls::programEnded, this,
            [this](int number, qint64 wallMicros) {
                SendTraffic();
                emit ProgramEnded(uint(number), qulonglong(wallMicros));
            });
}

bool ControllerBus::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcBus).noquote()
            << QStringLiteral("no session bus: scripts cannot reach this controller (%1)")
                   .arg(bus.lastError().message());
        return false;
    }
    if (!bus.registerService(QLatin1String(kServiceName))) {
        qCWarning(lcBus).noquote()
            << QStringLiteral("the bus name %1 is taken: scripts reach the other controller")
                   .arg(QLatin1String(kServiceName));
        return false;
    }
    bus.registerObject(QLatin1String(kObjectPath), this);
    AnnounceChanges(); // the values to compare later changes with
    return true;
}

// Properties

QString ControllerBus::Port() const {
    return m_unit.Port() ? QStringLiteral("COM%1").arg(m_unit.Port()) : QString();
}

QString ControllerBus::State() const {
    switch (m_unit.State()) {
    case control::LinkState::Connected:
        return QStringLiteral("connected");
    case control::LinkState::Lost:
        return QStringLiteral("lost");
    case control::LinkState::Closed:
        break;
    }
    return QStringLiteral("closed");
}

QString ControllerBus::Device() const {
    return m_unit.DevicePath();
}
QString ControllerBus::Owner() const {
    return m_unit.Owner();
}
bool ControllerBus::Busy() const {
    return m_unit.Busy();
}
int ControllerBus::Status() const {
    return m_unit.LastReadings().status;
}
bool ControllerBus::Lamp(int indicator) const {
    return control::IndicatorLit(indicator, m_unit.StatusWord(), m_unit.ExtendedStatus());
}
int ControllerBus::Intensity() const {
    return m_unit.LastReadings().intensity;
}
int ControllerBus::LampHours() const {
    return m_unit.LastReadings().lampHours;
}
double ControllerBus::AutoTime() const {
    return m_unit.LastReadings().autoTime;
}
double ControllerBus::RestTime() const {
    return m_unit.LastReadings().restTime;
}
int ControllerBus::Step() const {
    return m_unit.LastReadings().step;
}

// One PropertiesChanged per interface with every property whose value differs from the one
// last announced.
// Also before any other signal: the lines before an event go out before it, so a listener
// sees everything in order.
void ControllerBus::SendTraffic() {
    if (m_traffic.isEmpty())
        return;
    emit Traffic(std::exchange(m_traffic, {}));
    m_trafficBatch.start();
}

void ControllerBus::AnnounceChanges() {
    SendTraffic();
    QHash<QString, QVariantMap> changed;
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QVariant value = property.read(this);
        const QString key = QString::fromLatin1(property.name());
        if (m_announced.value(key) == value && m_announced.contains(key))
            continue;
        m_announced.insert(key, value);
        changed[InterfaceOf(property.name())].insert(key, value);
    }
    if (!QDBusConnection::sessionBus().isConnected())
        return;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QLatin1String(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        signal << it.key() << it.value() << QStringList();
        QDBusConnection::sessionBus().send(signal);
    }
}

// Calls

control::ScriptCalls& ControllerBus::Calls() {
    m_calls.SetCaller(calledFromDBus() ? message().service() : QString());
    return m_calls;
}

// The claim ends when its holder leaves the bus.
void ControllerBus::WatchOwner(const QString& owner) {
    AnnounceChanges();
    delete m_ownerWatch;
    m_ownerWatch = nullptr;
    if (owner.isEmpty() || !QDBusConnection::sessionBus().isConnected())
        return;
    m_ownerWatch = new QObject(this);
    WhenGone(QDBusConnection::sessionBus(), owner, m_ownerWatch,
             [this, owner] { m_calls.CallerLeft(owner); });
}

// `gone` runs once the caller has left the bus, also when it left before the watch began (a
// caller that went at once, before the watcher's match rule was in place).
void ControllerBus::WhenGone(QDBusConnection bus, const QString& caller, QObject* context,
                             const std::function<void()>& gone) {
    auto* watcher =
        new QDBusServiceWatcher(caller, bus, QDBusServiceWatcher::WatchForUnregistration, context);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, context, [gone] { gone(); });
    auto* check = new QDBusPendingCallWatcher(
        bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), caller), context);
    connect(check, &QDBusPendingCallWatcher::finished, context,
            [gone](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusPendingReply<bool> owned = *answer;
                if (owned.isValid() && !owned.value())
                    gone();
            });
}

void ControllerBus::Answer(control::ScriptCall* call,
                           std::function<QList<QVariant>(const QVariant&)> reply) {
    if (!calledFromDBus())
        return;
    setDelayedReply(true);
    const QDBusMessage request = message();
    QDBusConnection bus = connection();
    // A caller that leaves the bus ends its call: an intensity hold still gets its INT0.
    if (!call->Ended())
        WhenGone(bus, request.service(), call, [call] { call->Cancel(); });
    connect(call, &control::ScriptCall::finished, this,
            [bus, request, reply](const CallOutcome& outcome) mutable {
                if (outcome.kind != CallOutcome::Kind::Done) {
                    bus.send(request.createErrorReply(ErrorName(outcome.kind), outcome.message));
                    return;
                }
                bus.send(request.createReply(reply ? reply(outcome.value) : QList<QVariant>()));
            });
}

namespace {
QList<QVariant> Value(const QVariant& value) {
    return {value};
}
} // namespace

void ControllerBus::Connect(const QString& port) {
    Answer(Calls().Connect(port));
}
void ControllerBus::Disconnect() {
    Answer(Calls().Disconnect());
}
void ControllerBus::Send(const QString& line) {
    Answer(Calls().Send(line));
}
int ControllerBus::ReadStatus() {
    Answer(Calls().ReadStatus(), Value);
    return 0;
}
int ControllerBus::ReadIntensity() {
    Answer(Calls().ReadIntensity(), Value);
    return 0;
}
int ControllerBus::ReadLampHours() {
    Answer(Calls().ReadLampHours(), Value);
    return 0;
}
double ControllerBus::ReadAutoTime() {
    Answer(Calls().ReadAutoTime(), Value);
    return 0;
}
double ControllerBus::ReadRestTime() {
    Answer(Calls().ReadRestTime(), Value);
    return 0;
}
int ControllerBus::ReadStep() {
    Answer(Calls().ReadStep(), Value);
    return 0;
}
void ControllerBus::SetLamp(bool on) {
    Answer(Calls().SetLamp(on));
}
void ControllerBus::WaitLampStable(double seconds) {
    Answer(Calls().WaitLampStable(seconds));
}
void ControllerBus::SetShutter(bool open) {
    Answer(Calls().SetShutter(open));
}
void ControllerBus::Expose(double seconds) {
    Answer(Calls().Expose(seconds, true));
}
void ControllerBus::StartExposure(double seconds) {
    Answer(Calls().Expose(seconds, false));
}
int ControllerBus::StepIntensity(int direction, uint ms) {
    Answer(Calls().StepIntensity(direction, ms), Value);
    return 0;
}
int ControllerBus::SetIntensity(int percent) {
    Answer(Calls().SetIntensity(percent), Value);
    return 0;
}
void ControllerBus::StartProgram(uint n) {
    Answer(Calls().StartProgram(n));
}
void ControllerBus::StopProgram() {
    Answer(Calls().StopProgram());
}

uint ControllerBus::ReadProgram(uint n, uint&, ProgramSteps&) {
    Answer(Calls().ReadProgram(n), [](const QVariant& value) {
        const QVariantList parts = value.toList();
        ProgramSteps steps;
        for (const auto& [intensity, time] : parts.value(2).value<control::ScriptCalls::Steps>())
            steps.append({intensity, time});
        return QList<QVariant>{QVariant::fromValue(parts.value(0).toUInt()),
                               QVariant::fromValue(parts.value(1).toUInt()),
                               QVariant::fromValue(steps)};
    });
    return 0;
}

void ControllerBus::WriteProgram(uint n, uint shutterMode, uint intensityMode,
                                 const ProgramSteps& steps) {
    control::ScriptCalls::Steps values;
    for (const ProgramStep& step : steps)
        values.append({step.intensity, step.shutterTime});
    Answer(Calls().WriteProgram(n, shutterMode, intensityMode, values));
}

void ControllerBus::StopExposure() {
    Answer(Calls().StopExposure());
}
void ControllerBus::Claim() {
    Answer(Calls().Claim());
}
void ControllerBus::Release() {
    Answer(Calls().Release());
}

QVariantMap ControllerBus::ReadSettings() {
    Answer(Calls().ReadSettings(), [](const QVariant& value) {
        return QList<QVariant>{files::SettingsToKeys(value.value<model::UnitSettingsRecord>())};
    });
    return {};
}

void ControllerBus::WriteSettings(const QVariantMap& settings) {
    const files::SettingsFromKeysResult keys =
        files::SettingsFromKeys(settings, files::SettingsLimits::Dialogs);
    if (!keys.problem.isEmpty()) {
        if (calledFromDBus())
            sendErrorReply(ErrorName(CallOutcome::Kind::InvalidArgs), keys.problem);
        return;
    }
    Answer(Calls().WriteSettings(keys.record));
}

} // namespace vq3::bus
