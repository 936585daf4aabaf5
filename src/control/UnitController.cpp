#include "control/UnitController.h"

#include "control/SettingKinds.h"
#include "link/CSerialPort.h"
#include "link/Commands.h"
#include "resources/Messages.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace vq3::control {

namespace {

namespace cmd = link::cmd;

// The link's types as the views see them.
SettingsOutcome FromLink(link::SettingsExchange::Outcome outcome) {
    switch (outcome) {
    case link::SettingsExchange::Outcome::Done:
        return SettingsOutcome::Done;
    case link::SettingsExchange::Outcome::TimedOut:
        return SettingsOutcome::TimedOut;
    case link::SettingsExchange::Outcome::Abandoned:
        break;
    }
    return SettingsOutcome::Abandoned;
}

Readout FromLink(link::Readout readout) {
    switch (readout) {
    case link::Readout::Intensity:
        return Readout::Intensity;
    case link::Readout::LampTime:
        return Readout::LampTime;
    case link::Readout::AutoTime:
        return Readout::AutoTime;
    case link::Readout::RestTime:
        break;
    }
    return Readout::RestTime;
}

} // namespace

void UnitController::SetDeviceFolder(const QString& folder) {
    link::CSerialPort::SetDeviceFolder(folder);
}

UnitController::UnitController(link::SerialDevice* device, QObject* parent)
    : QObject(parent), m_ownDevice(device ? nullptr : new link::CSerialPort),
      m_device(device ? *device : *m_ownDevice), m_channel(m_device, this),
      m_exchange(m_channel, m_state, this) {
    // The outcome is shown after the tick that finished the exchange has returned: the boxes
    // and file dialogs that follow must not hold up the lines still arriving.
    connect(
        &m_exchange, &link::SettingsExchange::finished, this,
        [this](link::SettingsExchange::Outcome outcome) {
            emit settingsExchangeFinished(FromLink(outcome));
        },
        Qt::QueuedConnection);
    connect(&m_channel, &link::CommandChannel::linkStateShown, this,
            &UnitController::linkStateShown);
    connect(&m_channel, &link::CommandChannel::portError, this, &UnitController::OnPortError);
    connect(&m_channel, &link::CommandChannel::traffic, this, &UnitController::traffic);
    connect(&m_channel, &link::CommandChannel::lineReceived, this, &UnitController::DispatchReply);
    connect(&m_channel, &link::CommandChannel::deviceLost, this, &UnitController::linkChanged);
    connect(&m_channel, &link::CommandChannel::deviceBack, this, &UnitController::OnDeviceBack);
    connect(&m_channel, &link::CommandChannel::commandWritten, this,
            &UnitController::OnCommandWritten);
    // The exchange's commands are charged to whoever started it, also those its timers send.
    m_exchange.SetSender([this](const QByteArray& command) {
        Acting acting(*this, m_settingsOrigin);
        Send(command);
    });
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &UnitController::OnExpiry);
    m_clock.start();
}

UnitController::~UnitController() {
    Close();
}

LinkState UnitController::State() const {
    if (m_channel.IsConnected())
        return LinkState::Connected;
    return m_channel.AwaitingDevice() ? LinkState::Lost : LinkState::Closed;
}

qint64 UnitController::WallMicros(qint64 monotonicMs) const {
    using namespace std::chrono;
    const qint64 now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return now - (NowMs() - monotonicMs) * 1000;
}

void UnitController::SetOwner(const QString& owner) {
    if (std::exchange(m_owner, owner) != owner)
        emit ownerChanged(owner);
}

void UnitController::Connect() {
    StartAfresh();
    m_state.extendedStatus = 0;
    m_state.StatusWord = 0;
    m_channel.ConnectSequence(false);
    emit linkChanged();
}

void UnitController::ChoosePort(int port) {
    if (State() == LinkState::Lost && port == Port())
        return;         // the device that went away is still awaited
    m_stopOwed = false; // owed to the device that is given up
    StartAfresh();
    m_channel.SetPort(port);
    // Closed and opened again: a fresh start of the link.
    m_channel.ConnectSequence(true);
    emit linkChanged();
}

bool UnitController::ConnectPort(int port, QString* reason) {
    m_quietConnect = true;
    StartAfresh();
    m_channel.SetPort(port);
    m_channel.ConnectSequence(true);
    m_quietConnect = false;
    emit linkChanged();
    if (IsConnected())
        return true;
    if (reason)
        *reason = m_device.LastError();
    return false;
}

void UnitController::Disconnect() {
    ChoosePort(0);
}

void UnitController::Close() {
    StopIntensity();
    m_channel.SetLinkState(false);
    m_device.Close();
}

void UnitController::SendLine(const QByteArray& line) {
    Send(line);
}

void UnitController::Send(const QByteArray& command) {
    m_channel.SendCommand(command);
}

void UnitController::Use(Function function, const QByteArray& command) {
    emit functionUsed(function, m_origin);
    Send(command);
}

void UnitController::OnCommandWritten(const QByteArray& text) {
    m_pairing.Written(m_origin, text, NowMs());
    ScheduleExpiry();
}

// Nothing sent before will be answered now.
void UnitController::StartAfresh() {
    Announce(m_pairing.Forget(), QString());
    ScheduleExpiry();
}

void UnitController::ScheduleExpiry() {
    const qint64 next = m_pairing.NextExpiry();
    if (next < 0)
        m_expiry.stop();
    else
        m_expiry.start(int(std::max<qint64>(0, next - NowMs())));
}

void UnitController::OnExpiry() {
    Announce(m_pairing.Expire(NowMs()), QString());
    ScheduleExpiry();
}

void UnitController::Announce(const QList<link::Settled>& settled, const QString& refusalText) {
    for (const link::Settled& one : settled) {
        switch (one.how) {
        case link::Settlement::Answered:
            emit commandAnswered(one.command);
            break;
        case link::Settlement::Taken:
            emit commandTaken(one.command);
            break;
        case link::Settlement::Refused:
            emit commandRefused(one.command, refusalText);
            break;
        case link::Settlement::Unanswered:
            emit commandUnanswered(one.command);
            break;
        case link::Settlement::Dropped:
            emit commandDropped(one.command);
            break;
        }
    }
}

void UnitController::Note(int& reading, int value) {
    if (std::exchange(reading, value) != value)
        emit readingsChanged();
}

void UnitController::Note(double& reading, double value) {
    if (std::exchange(reading, value) != value)
        emit readingsChanged();
}

void UnitController::ToggleLamp() {
    SetLamp(!(m_state.StatusWord & status::LampOn));
}

void UnitController::SetLamp(bool on) {
    Use(Function::Lamp, on ? cmd::LampOn : cmd::LampOff);
}

void UnitController::ToggleShutter() {
    SetShutter(!(m_state.StatusWord & status::ShutterOpen));
}

void UnitController::SetShutter(bool open) {
    Use(Function::Shutter, open ? cmd::ShutterOpen : cmd::ShutterClose);
}

int UnitController::SetAutoTime(double seconds) {
    if (!(seconds >= 0.0 && seconds <= 999.9))
        return resources::msg::AutoTimeOutOfRange;
    if (seconds == 0.0)
        seconds = 0.0; // "-0" would print a sign into the command
    Use(Function::Shutter, cmd::AutoTime(seconds));
    return 0;
}

void UnitController::StartAutoShutter() {
    Use(Function::Shutter, cmd::AutoShutterStart);
}

void UnitController::StartIntensity(int direction) {
    StopIntensity();
    m_held = direction > 0 ? 1 : -1;
    Use(Function::Intensity, m_held > 0 ? cmd::IntensityUp : cmd::IntensityDown);
    emit intensityHeldChanged(true);
}

void UnitController::StopIntensity() {
    if (m_held == 0)
        return;
    m_held = 0;
    // A stop that cannot go out now goes out first thing when the device is back, so a
    // unit that kept ramping stops.
    if (IsConnected())
        Use(Function::Intensity, cmd::IntensityStop);
    else
        m_stopOwed = Port() != 0;
    emit intensityHeldChanged(false);
}

// Runs before the status query of the reconnection goes out.
void UnitController::OnDeviceBack() {
    StartAfresh();
    if (std::exchange(m_stopOwed, false))
        Send(cmd::IntensityStop);
    emit linkChanged();
}

void UnitController::ReadStatus() {
    Send(cmd::Inp);
}
void UnitController::ReadIntensity() {
    Send(cmd::IntensityQuery);
}
void UnitController::ReadLampTime() {
    Send(cmd::LampTimeQuery);
}
void UnitController::ClearLampTime() {
    Send(cmd::LampTimeClear);
}
void UnitController::ReadAutoTime() {
    Send(cmd::AutoTimeQuery);
}
void UnitController::ReadRestTime() {
    Send(cmd::RestTimeQuery);
}
void UnitController::ReadStep() {
    Send(cmd::StepQuery);
}

void UnitController::SendProgram(const model::MemoryStepProgram& program) {
    Use(Function::Program, cmd::Cure(program));
}
void UnitController::ReadProgram(int number) {
    Use(Function::Program, cmd::ProgramQuery(number));
}
void UnitController::StartProgram(int number) {
    Use(Function::Program, cmd::Start(number));
}
void UnitController::StopProgram() {
    Use(Function::Program, cmd::Stop);
}

void UnitController::QuerySetting(int kind) {
    const QByteArray query = SettingQuery(kind);
    if (!query.isEmpty())
        Send(query);
}

void UnitController::ChooseSetting(int kind, int index) {
    const QByteArray command = ChoiceCommand(kind, index);
    if (!command.isEmpty())
        Send(command);
}

void UnitController::SetSettingValue(int kind, int value) {
    const QByteArray command = ValueCommand(kind, value);
    if (!command.isEmpty())
        Send(command);
}

bool UnitController::ReserveForSettings() {
    if (m_bBusy)
        return false;
    StopIntensity(); // no hold outlives the greyed buttons
    m_bBusy = true;
    emit busyChanged(true);
    return true;
}

void UnitController::ReleaseSettings() {
    if (!m_bBusy)
        return;
    m_bBusy = false;
    emit busyChanged(false);
}

void UnitController::ReadSettings() {
    m_settingsOrigin = m_origin;
    m_exchange.Read();
}

void UnitController::WriteSettings(const model::UnitSettingsRecord& record) {
    m_settingsOrigin = m_origin;
    m_exchange.Write(record);
}

void UnitController::AbandonSettings() {
    m_exchange.Abandon();
}

// From the channel

void UnitController::OnPortError() {
    if (!m_quietConnect)
        emit portError();
}

// Inside the reception tick: the handlers run before the next line is taken; a refusal is
// charged to the command it answers (an error box only for the operator's).
void UnitController::DispatchReply(const char* line) {
    emit lineDispatched(QByteArray(line), WallMicros(NowMs()));
    const QList<link::Settled> settled = m_pairing.Received(line, NowMs());
    const bool refusal = !settled.isEmpty() && settled.last().how == link::Settlement::Refused;
    m_refused = refusal ? &settled.last().command : nullptr;
    m_refusalText.clear();
    link::DispatchReply(line, m_state, *this);
    m_refused = nullptr;
    Announce(settled, m_refusalText);
    ScheduleExpiry();
}

// ReplyTarget

void UnitController::StatusChanged() {
    Note(m_readings.status, m_state.StatusWord);
    emit statusChanged(m_state.StatusWord, m_state.extendedStatus);
}

void UnitController::ShowProgramReplyPercent(const char* line) {
    ShowProgramReply(line, false);
}

void UnitController::ShowProgramReplyWatts(const char* line) {
    ShowProgramReply(line, true);
}

void UnitController::ShowProgramReply(const char* line, bool watts) {
    if (!line)
        return;
    // The layout follows the reply's length, never the intensity-mode digit inside it; a
    // garbled read-back is dropped without a word.
    if (const std::optional<model::ProgramReply> reply = model::DecodeProgramReply(line, watts))
        emit programReceived(*reply);
}

void UnitController::ShowStepReply(const char* line) {
    // "STP" and one digit; anything else is not a step report.
    if (line && std::strlen(line) >= 4 && line[3] >= '0' && line[3] <= '9') {
        Note(m_readings.step, line[3] - '0');
        emit stepReceived(line[3] - '0');
    }
}

// The read-outs are whole numbers or "%.1f", always with a point.
void UnitController::SetReadout(link::Readout which, const QString& text) {
    switch (which) {
    case link::Readout::Intensity:
        Note(m_readings.intensity, text.toInt());
        break;
    case link::Readout::LampTime:
        Note(m_readings.lampHours, text.toInt());
        break;
    case link::Readout::AutoTime:
        Note(m_readings.autoTime, text.toDouble());
        break;
    case link::Readout::RestTime:
        Note(m_readings.restTime, text.toDouble());
        break;
    }
    emit readout(FromLink(which), text);
}

void UnitController::SelectSettingChoice(int index) {
    emit settingChoice(index);
}

void UnitController::SetSettingReadout(const QString& text) {
    emit settingReadout(text);
}

void UnitController::ReportDeviceError(const QString& text) {
    m_refusalText = text;
    if (!m_refused || m_refused->origin == kOperator)
        emit deviceError(text);
}

} // namespace vq3::control
