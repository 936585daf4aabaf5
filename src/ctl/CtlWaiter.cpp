#include "ctl/CtlWaiter.h"

#include "ctl/BusProperties.h"
#include "ctl/CtlProxies.h"

#include <QDBusPendingCallWatcher>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace vq3::ctl {

// The read that has the unit report a Unit property. The status lamps follow the status word:
// its read brings their PropertiesChanged. The other reads answer with the value itself.
struct WaitPoll {
    const char* property;
    QDBusPendingCall (*read)(Vq3UnitProxy&);
    bool answersWithValue;
};

namespace {

constexpr int kPollMs = 500;

QDBusPendingCall ReadStatus(Vq3UnitProxy& unit) {
    return unit.ReadStatus();
}
QDBusPendingCall ReadIntensity(Vq3UnitProxy& unit) {
    return unit.ReadIntensity();
}
QDBusPendingCall ReadLampHours(Vq3UnitProxy& unit) {
    return unit.ReadLampHours();
}
QDBusPendingCall ReadAutoTime(Vq3UnitProxy& unit) {
    return unit.ReadAutoTime();
}
QDBusPendingCall ReadRestTime(Vq3UnitProxy& unit) {
    return unit.ReadRestTime();
}
QDBusPendingCall ReadStep(Vq3UnitProxy& unit) {
    return unit.ReadStep();
}

constexpr WaitPoll kPolls[] = {
    {unitprop::kStatus, ReadStatus, true},        {unitprop::kLampOn, ReadStatus, false},
    {unitprop::kLampStable, ReadStatus, false},   {unitprop::kShutterOpen, ReadStatus, false},
    {unitprop::kMinIntensity, ReadStatus, false}, {unitprop::kMaxIntensity, ReadStatus, false},
    {unitprop::kError, ReadStatus, false},        {unitprop::kIntensity, ReadIntensity, true},
    {unitprop::kLampHours, ReadLampHours, true},  {unitprop::kAutoTime, ReadAutoTime, true},
    {unitprop::kRestTime, ReadRestTime, true},    {unitprop::kStep, ReadStep, true},
};

const WaitPoll* PollFor(const WaitCondition& condition) {
    if (condition.onLink)
        return nullptr;
    const auto it = std::find_if(std::begin(kPolls), std::end(kPolls), [&](const WaitPoll& poll) {
        return condition.property == QLatin1String(poll.property);
    });
    return it == std::end(kPolls) ? nullptr : &*it;
}

} // namespace

CtlWaiter::CtlWaiter(const WaitCondition& condition, CtlProxies& proxies, QObject* parent)
    : QObject(parent), m_condition(condition), m_proxies(proxies), m_poll(PollFor(condition)) {}

bool CtlWaiter::Start() {
    QDBusAbstractInterface& proxy = m_proxies.Interface(m_condition.onLink);
    // Subscribed before the value is read: a change between the two is not lost.
    if (!WatchProperties(proxy, this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList))))
        return false;
    auto* watcher = new QDBusPendingCallWatcher(GetAllProperties(proxy), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ErrorMessage)
            return emit failed(FailureForError(reply.errorName(), reply.errorMessage(),
                                               m_proxies.unit().timeout()));
        const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        if (!properties.contains(m_condition.property))
            return emit failed(OwnFailure(
                kFailed,
                QStringLiteral("The controller has no property %1.").arg(m_condition.property)));
        Check(properties.value(m_condition.property));
        if (!m_held && m_poll)
            Poll();
    });
    return true;
}

void CtlWaiter::onPropertiesChanged(const QString&, const QVariantMap& changed,
                                    const QStringList&) {
    if (changed.contains(m_condition.property))
        Check(changed.value(m_condition.property));
}

void CtlWaiter::Check(const QVariant& value) {
    if (m_held || !m_condition.HeldBy(value))
        return;
    m_held = true;
    emit held();
}

// One read at a time, the next 0.5 s after the last reply: a slow unit is not flooded.
void CtlWaiter::Poll() {
    if (m_held)
        return;
    auto* watcher = new QDBusPendingCallWatcher(m_poll->read(m_proxies.unit()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ErrorMessage && m_poll->answersWithValue)
            Check(reply.arguments().value(0));
        QTimer::singleShot(kPollMs, this, &CtlWaiter::Poll);
    });
}

} // namespace vq3::ctl
