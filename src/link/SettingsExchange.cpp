#include "link/SettingsExchange.h"

#include "link/CommandChannel.h"
#include "link/Commands.h"
#include "link/ReplyDispatch.h"

#include <algorithm>

namespace vq3::link {

namespace {

bool AllReceived(const model::UnitSettingsRecord& settings) {
    return std::none_of(settings.begin(), settings.end(), [](int value) { return value == -1; });
}

} // namespace

SettingsExchange::SettingsExchange(CommandChannel& channel, DeviceState& state, QObject* parent)
    : QObject(parent), m_channel(channel), m_state(state) {
    // Precise: a coarse timer may end a 5 s wait a quarter of a second early.
    for (QTimer* timer : {&m_settle, &m_limit}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_settle, &QTimer::timeout, this, &SettingsExchange::OnSettled);
    // A set completed only after the limit counts as a time-out too.
    connect(&m_limit, &QTimer::timeout, this, [this] { Finish(Outcome::TimedOut); });
    connect(&m_channel, &CommandChannel::lineDispatched, this, &SettingsExchange::OnLineDispatched);
}

void SettingsExchange::Read() {
    if (Running())
        return;
    Ask(Phase::Reading);
}

void SettingsExchange::Write(const model::UnitSettingsRecord& record) {
    if (Running())
        return;
    using model::UnitSetting;
    m_written = record;
    m_channel.SendCommand(cmd::ControlMode(1)); // the unit takes orders from the serial line
    m_channel.SendCommand(cmd::ProgramMode(record[UnitSetting::ProgramMode]));
    m_channel.SendCommand(cmd::LampAlarmTime(record[UnitSetting::LampAlarmTime]));
    m_channel.SendCommand(cmd::LampOffTime(record[UnitSetting::ForcedLampOffTime]));
    m_channel.SendCommand(cmd::InstantRecovery(record[UnitSetting::InstantRecovery]));
    m_channel.SendCommand(cmd::ShutterResponse(record[UnitSetting::ShutterResponse]));
    m_channel.SendCommand(cmd::OpenPulseTime(record[UnitSetting::ShutterOpenPulse]));
    m_channel.SendCommand(cmd::ClosePulseTime(record[UnitSetting::ShutterClosePulse]));
    m_phase = Phase::Settling;
    m_settle.start(m_durations.settleMs);
}

void SettingsExchange::Abandon() {
    if (Running())
        Finish(Outcome::Abandoned);
}

// Forgets what was received and asks for all seven settings again.
void SettingsExchange::Ask(Phase phase) {
    m_phase = phase;
    m_state.UnitSettings = model::kNoSettings;
    for (const QByteArray& query : cmd::SettingsQueries())
        m_channel.SendCommand(query);
    m_limit.start(m_durations.replyLimitMs);
}

void SettingsExchange::OnSettled() {
    if (m_phase == Phase::Settling)
        Ask(Phase::Verifying);
}

void SettingsExchange::OnLineDispatched() {
    // Verification compares values: a unit that reports anything else times out.
    if ((m_phase == Phase::Reading && AllReceived(m_state.UnitSettings)) ||
        (m_phase == Phase::Verifying && m_state.UnitSettings == m_written)) {
        m_received = m_state.UnitSettings;
        Finish(Outcome::Done);
    }
}

void SettingsExchange::Finish(Outcome outcome) {
    m_settle.stop();
    m_limit.stop();
    m_phase = Phase::Idle;
    emit finished(outcome);
}

} // namespace vq3::link
