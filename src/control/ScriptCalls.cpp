#include "control/ScriptCalls.h"

#include "control/StepFaultMessage.h"
#include "control/UnitController.h"
#include "model/MemoryStepProgram.h"
#include "resources/Messages.h"

#include <cmath>
#include <memory>

namespace vq3::control {

namespace {

using Kind = CallOutcome::Kind;
namespace status = link::status;

constexpr int kExposePollMs = 250;    // INP at most four times a second
constexpr int kExposeGraceMs = 5000;  // beyond the opening itself
constexpr int kIntensityPollMs = 100; // INTQ while a hold runs
constexpr int kIntensityLimitMs = 60000;
constexpr int kShortStepMs = 100;
const QString kProgramNumbers = QStringLiteral("Programs are numbered 1 to 9.");

QString NoReply(const char* what) {
    return QStringLiteral("The unit did not report its %1 within 2 s.").arg(QLatin1String(what));
}

// A number as the editor's field would hold it: plain digits, a point, no exponent.
std::string FieldText(double value) {
    QString text = QString::number(value, 'f', 6);
    while (text.contains(QLatin1Char('.')) && text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.toStdString();
}

ScriptCalls::Steps StepValues(const model::StepTexts& texts) {
    ScriptCalls::Steps steps;
    for (int i = 0; i < model::kStepCount; ++i)
        steps.append({QString::fromStdString(texts.intensity[i]).toDouble(),
                      QString::fromStdString(texts.time[i]).toDouble()});
    return steps;
}

// A settings exchange that ended without its answers: the unit was silent, or the operator
// ended the program meanwhile.
void FailExchange(ScriptCall* call, link::SettingsExchange::Outcome outcome) {
    if (outcome == link::SettingsExchange::Outcome::Abandoned)
        call->Fail(Kind::Interrupted, QStringLiteral("The controller is ending."));
    else
        call->Fail(Kind::Timeout, resources::Message(resources::msg::FailedToConnect));
}

} // namespace

ScriptCalls::ScriptCalls(UnitController& unit, QObject* parent) : QObject(parent), m_unit(unit) {}

ScriptCall* ScriptCalls::Failed(Kind kind, const QString& message) {
    auto* call = new ScriptCall(m_unit, std::nullopt, this);
    call->Fail(kind, message);
    return call;
}

ScriptCall* ScriptCalls::Begin(std::optional<Function> function, bool needsUnit) {
    auto* call = new ScriptCall(m_unit, function, this);
    if (m_unit.Busy())
        call->Fail(Kind::Busy, QStringLiteral("A unit settings operation is running; try again "
                                              "when it has ended."));
    else if (needsUnit && m_unit.State() == LinkState::Lost)
        call->Fail(Kind::NotConnected,
                   QStringLiteral("The unit's port COM%1 is lost; the controller waits for it "
                                  "to come back.")
                       .arg(m_unit.Port()));
    else if (needsUnit && !m_unit.IsConnected())
        call->Fail(Kind::NotConnected, QStringLiteral("No port is connected."));
    return call;
}

// Link

ScriptCall* ScriptCalls::Connect(const QString& port) {
    const QRegularExpressionMatch name =
        QRegularExpression(QStringLiteral("^COM([1-9])$")).match(port);
    if (!name.hasMatch())
        return Failed(Kind::InvalidArgs, QStringLiteral("A port is named COM1 to COM9."));
    ScriptCall* call = Begin(std::nullopt, false);
    if (call->Ended())
        return call;
    QString reason;
    bool connected = false;
    call->Do([&] { connected = m_unit.ConnectPort(name.captured(1).toInt(), &reason); });
    if (connected)
        call->Succeed();
    else
        call->Fail(Kind::PortError, QStringLiteral("Cannot open %1: %2").arg(port, reason));
    return call;
}

ScriptCall* ScriptCalls::Disconnect() {
    ScriptCall* call = Begin(std::nullopt, false);
    if (!call->Ended()) {
        call->Do([this] { m_unit.Disconnect(); });
        call->Succeed();
    }
    return call;
}

ScriptCall* ScriptCalls::Send(const QString& line) {
    ScriptCall* call = Begin(std::nullopt);
    if (!call->Ended()) {
        m_unit.SendLine(line.toLatin1());
        call->Succeed();
    }
    return call;
}

// Reads

ScriptCall* ScriptCalls::Read(link::Readout readout) {
    ScriptCall* call = Begin(std::nullopt);
    if (call->Ended())
        return call;
    connect(&m_unit, &UnitController::readout, call, [this, call, readout](link::Readout which) {
        if (which != readout)
            return;
        const Readings& r = m_unit.LastReadings();
        switch (readout) {
        case link::Readout::Intensity:
            return call->Succeed(r.intensity);
        case link::Readout::LampTime:
            return call->Succeed(r.lampHours);
        case link::Readout::AutoTime:
            return call->Succeed(r.autoTime);
        case link::Readout::RestTime:
            return call->Succeed(r.restTime);
        }
    });
    call->SetDeadline(kReadLimitMs, NoReply("read-out"));
    call->Do([this, readout] {
        switch (readout) {
        case link::Readout::Intensity:
            return m_unit.ReadIntensity();
        case link::Readout::LampTime:
            return m_unit.ReadLampTime();
        case link::Readout::AutoTime:
            return m_unit.ReadAutoTime();
        case link::Readout::RestTime:
            return m_unit.ReadRestTime();
        }
    });
    return call;
}

ScriptCall* ScriptCalls::ReadStatus() {
    ScriptCall* call = Begin(std::nullopt);
    if (call->Ended())
        return call;
    connect(&m_unit, &UnitController::statusChanged, call,
            [call](std::uint16_t word) { call->Succeed(int(word)); });
    call->SetDeadline(kReadLimitMs, NoReply("status"));
    call->Do([this] { m_unit.ReadStatus(); });
    return call;
}

ScriptCall* ScriptCalls::ReadIntensity() {
    return Read(link::Readout::Intensity);
}
ScriptCall* ScriptCalls::ReadLampHours() {
    return Read(link::Readout::LampTime);
}
ScriptCall* ScriptCalls::ReadAutoTime() {
    return Read(link::Readout::AutoTime);
}
ScriptCall* ScriptCalls::ReadRestTime() {
    return Read(link::Readout::RestTime);
}

ScriptCall* ScriptCalls::ReadStep() {
    ScriptCall* call = Begin(std::nullopt);
    if (call->Ended())
        return call;
    connect(&m_unit, &UnitController::stepReceived, call,
            [call](int step) { call->Succeed(step); });
    call->SetDeadline(kReadLimitMs, NoReply("step"));
    call->Do([this] { m_unit.ReadStep(); });
    return call;
}

// Lamp and shutter

ScriptCall* ScriptCalls::UntilStatus(Function function, const std::function<void()>& command,
                                     unsigned bit, bool lit, int limitMs, const QString& what) {
    ScriptCall* call = Begin(function);
    if (call->Ended())
        return call;
    connect(&m_unit, &UnitController::statusChanged, call, [call, bit, lit](std::uint16_t word) {
        if (bool(word & bit) == lit)
            call->Succeed();
    });
    call->SetDeadline(
        limitMs,
        QStringLiteral("The status did not show %1 within %2 s.").arg(what).arg(limitMs / 1000.0));
    call->Do(command);
    call->Every(kStatusPollMs, [this] { m_unit.ReadStatus(); });
    return call;
}

ScriptCall* ScriptCalls::SetLamp(bool on) {
    return UntilStatus(
        Function::Lamp, [this, on] { m_unit.SetLamp(on); }, status::LampOn, on, 10000,
        on ? QStringLiteral("the lamp on") : QStringLiteral("the lamp off"));
}

ScriptCall* ScriptCalls::WaitLampStable(double seconds) {
    if (!(seconds > 0 && seconds <= 86400))
        return Failed(Kind::InvalidArgs,
                      QStringLiteral("The wait is more than 0 and at most 86400 seconds."));
    return UntilStatus(
        Function::Lamp, [this] { m_unit.ReadStatus(); }, status::LampStable, true,
        int(std::ceil(seconds * 1000)), QStringLiteral("\"Lamp Stable\""));
}

ScriptCall* ScriptCalls::SetShutter(bool open) {
    return UntilStatus(
        Function::Shutter, [this, open] { m_unit.SetShutter(open); }, status::ShutterOpen, open,
        5000, open ? QStringLiteral("the shutter open") : QStringLiteral("the shutter closed"));
}

ScriptCall* ScriptCalls::Expose(double seconds, bool wait) {
    if (!(seconds >= 0.0 && seconds <= 999.9))
        return Failed(Kind::InvalidArgs, resources::Message(resources::msg::AutoTimeOutOfRange));
    ScriptCall* call = Begin(Function::Shutter);
    if (call->Ended())
        return call;
    call->Do([this, seconds] {
        m_unit.SetAutoTime(seconds);
        m_unit.StartAutoShutter();
    });
    if (!wait) {
        call->Succeed();
        return call;
    }
    const int openMs = int(std::lround(seconds * 1000));
    call->SetDeadline(openMs + kExposeGraceMs,
                      QStringLiteral("The shutter did not close within %1 s.")
                          .arg((openMs + kExposeGraceMs) / 1000.0));
    call->After(openMs, [this, call] {
        connect(&m_unit, &UnitController::statusChanged, call, [call](std::uint16_t word) {
            if (!(word & status::ShutterOpen))
                call->Succeed();
        });
        m_unit.ReadStatus();
        call->Every(kExposePollMs, [this] { m_unit.ReadStatus(); });
    });
    return call;
}

// Intensity

// The INT0 that ends a hold goes out however the call ends.
void ScriptCalls::StopHoldWhenEnded(ScriptCall* call) {
    call->OnEnd([this] {
        if (m_unit.IntensityHeld())
            m_unit.StopIntensity();
    });
}

ScriptCall* ScriptCalls::StepIntensity(int direction, uint ms) {
    if ((direction != 1 && direction != -1) || ms < 1 || ms > 10000)
        return Failed(Kind::InvalidArgs,
                      QStringLiteral("The direction is +1 or -1 and the time 1 to 10000 ms."));
    ScriptCall* call = Begin(Function::Intensity);
    if (call->Ended())
        return call;
    StopHoldWhenEnded(call);
    call->Do([this, direction] { m_unit.StartIntensity(direction); });
    call->After(int(ms), [this, call] {
        m_unit.StopIntensity();
        connect(&m_unit, &UnitController::readout, call, [this, call](link::Readout which) {
            if (which == link::Readout::Intensity)
                call->Succeed(m_unit.LastReadings().intensity);
        });
        call->SetDeadline(kReadLimitMs, NoReply("intensity"));
        m_unit.ReadIntensity();
    });
    return call;
}

// Raises or lowers while reading the intensity, stops one short of the target, then
// corrects with short steps until within one.
ScriptCall* ScriptCalls::SetIntensity(int percent) {
    if (percent < 0 || percent > 100)
        return Failed(Kind::InvalidArgs, QStringLiteral("The intensity is 0 to 100 %."));
    ScriptCall* call = Begin(Function::Intensity);
    if (call->Ended())
        return call;
    StopHoldWhenEnded(call);
    call->SetDeadline(kIntensityLimitMs,
                      QStringLiteral("The intensity did not reach %1 % within 60 s.").arg(percent));
    connect(&m_unit, &UnitController::readout, call, [this, call, percent](link::Readout which) {
        if (which != link::Readout::Intensity)
            return;
        const int now = m_unit.LastReadings().intensity;
        const int gap = percent - now;
        if (m_unit.IntensityHeld()) {
            // Held: stop once within one, or once past the target.
            const int direction = gap > 0 ? 1 : -1;
            if (std::abs(gap) <= 1 || direction != m_heldDirection)
                call->Do([this] {
                    m_unit.StopIntensity();
                    m_unit.ReadIntensity();
                });
            return;
        }
        if (std::abs(gap) <= 1)
            return call->Succeed(now);
        m_heldDirection = gap > 0 ? 1 : -1;
        call->Do([this] { m_unit.StartIntensity(m_heldDirection); });
        if (std::abs(gap) <= 3) {
            call->After(kShortStepMs, [this] {
                m_unit.StopIntensity();
                m_unit.ReadIntensity();
            });
        }
    });
    call->Every(kIntensityPollMs, [this] {
        if (m_unit.IntensityHeld())
            m_unit.ReadIntensity();
    });
    call->Do([this] { m_unit.ReadIntensity(); });
    return call;
}

// Programs

ScriptCall* ScriptCalls::StartProgram(uint number) {
    if (number < 1 || number > 9)
        return Failed(Kind::InvalidArgs, kProgramNumbers);
    ScriptCall* call = Begin(Function::Program);
    if (!call->Ended()) {
        call->Do([this, number] { m_unit.StartProgram(int(number)); });
        call->Succeed();
    }
    return call;
}

ScriptCall* ScriptCalls::StopProgram() {
    ScriptCall* call = Begin(Function::Program);
    if (!call->Ended()) {
        call->Do([this] { m_unit.StopProgram(); });
        call->Succeed();
    }
    return call;
}

ScriptCall* ScriptCalls::ReadProgram(uint number) {
    if (number < 1 || number > 9)
        return Failed(Kind::InvalidArgs, kProgramNumbers);
    ScriptCall* call = Begin(Function::Program);
    if (call->Ended())
        return call;
    connect(&m_unit, &UnitController::programReceived, call,
            [call, number](const model::ProgramReply& reply) {
                if (reply.programDigit == int(number))
                    call->Succeed(QVariantList{reply.shutterDigit, reply.intensityDigit,
                                               QVariant::fromValue(StepValues(reply.texts))});
            });
    call->SetDeadline(kReadLimitMs, NoReply("program"));
    call->Do([this, number] { m_unit.ReadProgram(int(number)); });
    return call;
}

// Checked like the editor's fields, sent as the editor sends it, then read back and compared.
ScriptCall* ScriptCalls::WriteProgram(uint number, uint shutterMode, uint intensityMode,
                                      const Steps& steps) {
    namespace msg = resources::msg;
    if (number < 1 || number > 9)
        return Failed(Kind::InvalidArgs, kProgramNumbers);
    if (shutterMode < 1 || shutterMode > 2)
        return Failed(Kind::InvalidArgs, resources::Message(msg::ShutterModeWrong));
    if (intensityMode < 1 || intensityMode > 2)
        return Failed(Kind::InvalidArgs, resources::Message(msg::IntensityModeWrong));
    if (steps.size() != model::kStepCount)
        return Failed(Kind::InvalidArgs, QStringLiteral("A program has seven steps."));
    model::StepTexts texts;
    for (int i = 0; i < model::kStepCount; ++i) {
        texts.intensity[i] = FieldText(steps[i].first);
        texts.time[i] = FieldText(steps[i].second);
    }
    model::MemoryStepProgram program;
    program.programNumber = int(number);
    program.shutterMode = int(shutterMode);
    program.intensityMode = int(intensityMode);
    const model::StepCheck check = model::CheckSteps(texts, program.intensityMode, &program.steps);
    if (check.fault != model::StepFault::None)
        return Failed(Kind::InvalidArgs, resources::Message(StepFaultMessage(check.fault)));

    ScriptCall* call = Begin(Function::Program);
    if (call->Ended())
        return call;
    const model::StepTexts sent = model::NormalTexts(program.steps, program.intensityMode);
    connect(&m_unit, &UnitController::programReceived, call,
            [call, program, sent](const model::ProgramReply& reply) {
                if (reply.programDigit != program.programNumber)
                    return;
                if (reply.shutterDigit == program.shutterMode &&
                    reply.intensityDigit == program.intensityMode &&
                    reply.texts.intensity == sent.intensity && reply.texts.time == sent.time)
                    return call->Succeed();
                call->Fail(Kind::DeviceError,
                           QStringLiteral("The unit stored program %1 differently from what "
                                          "was sent.")
                               .arg(program.programNumber));
            });
    call->SetDeadline(kReadLimitMs, NoReply("program"));
    call->Do([this, program] {
        m_unit.SendProgram(program);
        m_unit.ReadProgram(program.programNumber);
    });
    return call;
}

// Unit settings: the exchanges of File Save and File Open.

ScriptCall* ScriptCalls::ReadSettings() {
    ScriptCall* call = Begin(std::nullopt);
    if (call->Ended() || !m_unit.ReserveForSettings())
        return call;
    call->OnEnd([this] { m_unit.ReleaseSettings(); });
    connect(&m_unit, &UnitController::settingsExchangeFinished, call,
            [this, call](link::SettingsExchange::Outcome outcome) {
                if (outcome == link::SettingsExchange::Outcome::Done)
                    call->Succeed(QVariant::fromValue(m_unit.ReceivedSettings()));
                else
                    FailExchange(call, outcome);
            });
    m_unit.ReadSettings();
    return call;
}

ScriptCall* ScriptCalls::WriteSettings(const model::UnitSettingsRecord& record) {
    ScriptCall* call = Begin(std::nullopt);
    if (call->Ended() || !m_unit.ReserveForSettings())
        return call;
    call->OnEnd([this] { m_unit.ReleaseSettings(); });
    connect(&m_unit, &UnitController::settingsExchangeFinished, call,
            [call](link::SettingsExchange::Outcome outcome) {
                if (outcome == link::SettingsExchange::Outcome::Done)
                    call->Succeed();
                else
                    FailExchange(call, outcome);
            });
    m_unit.WriteSettings(record);
    return call;
}

} // namespace vq3::control
