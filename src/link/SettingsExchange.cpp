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
    Send(cmd::ControlMode(1)); // the unit takes orders from the serial line
    Send(cmd::ProgramMode(record[UnitSetting::ProgramMode]));
    Send(cmd::LampAlarmTime(record[UnitSetting::LampAlarmTime]));
    Send(cmd::LampOffTime(record[UnitSetting::ForcedLampOffTime]));
    Send(cmd::InstantRecovery(record[UnitSetting::InstantRecovery]));
    Send(cmd::ShutterResponse(record[UnitSetting::ShutterResponse]));
    Send(cmd::OpenPulseTime(record[UnitSetting::ShutterOpenPulse]));
    Send(cmd::ClosePulseTime(record[UnitSetting::ShutterClosePulse]));
    m_phase = Phase::Settling;
    m_settle.start(m_durations.settleMs);
}

void SettingsExchange::Send(const QByteArray& command) {
    if (m_send)
        m_send(command);
    else
        m_channel.SendCommand(command);
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
        Send(query);
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
