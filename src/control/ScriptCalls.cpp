#include "control/ScriptCalls.h"

#include "control/ExposureRun.h"
#include "control/ProgramRun.h"
#include "control/StepFaultMessage.h"
#include "control/UnitController.h"
#include "control/UnitStatus.h"
#include "link/Commands.h"
#include "model/MemoryStepProgram.h"
#include "resources/Messages.h"

#include <QRegularExpression>

#include <cmath>
#include <memory>
#include <optional>

namespace vq3::control {

namespace {

using Kind = CallOutcome::Kind;
namespace cmd = link::cmd;

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
void FailExchange(ScriptCall* call, SettingsOutcome outcome) {
    if (outcome == SettingsOutcome::Abandoned)
        call->Fail(Kind::Interrupted, QStringLiteral("The controller is ending."));
    else
        call->Fail(Kind::Timeout, resources::Message(resources::msg::FailedToConnect));
}

} // namespace

ScriptCalls::ScriptCalls(UnitController& unit, QObject* parent) : QObject(parent), m_unit(unit) {}

ScriptCalls::~ScriptCalls() = default;

void ScriptCalls::CallerLeft(const QString& caller) {
    if (!caller.isEmpty() && m_unit.Owner() == caller)
        m_unit.SetOwner(QString());
}

ScriptCall* ScriptCalls::EndedCall(const char* name, Kind kind, const QString& message) {
    auto* call = new ScriptCall(m_unit, NextOrigin(), QLatin1String(name), std::nullopt, this);
    call->Fail(kind, message);
    return call;
}

QString ScriptCalls::InUse(Function function) const {
    if (const ScriptCall* running = m_running.value(int(function)); running && !running->Ended())
        return QStringLiteral("The %1 is in use by %2; try again when it has ended.")
            .arg(FunctionName(function), running->Name());
    if (function == Function::Shutter && m_exposure && m_exposure->UnderWay())
        return QStringLiteral("The shutter is in use by a timed opening (%1 s left); try again "
                              "when it has ended.")
            .arg(m_exposure->SecondsLeft(), 0, 'f', 1);
    return {};
}

ScriptCall* ScriptCalls::Begin(const char* name, std::optional<Function> function, bool needsUnit) {
    auto* call = new ScriptCall(m_unit, NextOrigin(), QLatin1String(name), function, this);
    const QString owner = m_unit.Owner();
    const QString inUse = function ? InUse(*function) : QString();
    if (!owner.isEmpty() && owner != m_caller)
        call->Fail(Kind::Busy, QStringLiteral("The unit is claimed by %1 until it releases it "
                                              "or leaves the bus.")
                                   .arg(owner));
    else if (m_unit.Busy())
        call->Fail(Kind::Busy, QStringLiteral("A unit settings operation is running; try again "
                                              "when it has ended."));
    else if (!inUse.isEmpty())
        call->Fail(Kind::Busy, inUse);
    else if (needsUnit && m_unit.State() == LinkState::Lost)
        call->Fail(Kind::NotConnected,
                   QStringLiteral("The unit's port COM%1 is lost; the controller waits for it "
                                  "to come back.")
                       .arg(m_unit.Port()));
    else if (needsUnit && !m_unit.IsConnected())
        call->Fail(Kind::NotConnected, QStringLiteral("No port is connected."));
    else if (function)
        m_running.insert(int(*function), call);
    return call;
}

void ScriptCalls::SucceedWhenDealtWith(ScriptCall* call, const QByteArray& text) {
    auto done = [call, text](const link::SentCommand& command) {
        if (call->Mine(command) && command.text == text)
            call->Succeed();
    };
    connect(&m_unit, &UnitController::commandAnswered, call, done);
    connect(&m_unit, &UnitController::commandTaken, call, done);
    connect(&m_unit, &UnitController::commandUnanswered, call,
            [call, text](const link::SentCommand& command) {
                if (call->Mine(command) && command.text == text)
                    call->Fail(Kind::Timeout, QStringLiteral("The unit did not answer %1 "
                                                             "within 2 s.")
                                                  .arg(QString::fromLatin1(text)));
            });
}

// Link

ScriptCall* ScriptCalls::Connect(const QString& port) {
    const QRegularExpressionMatch name =
        QRegularExpression(QStringLiteral("^COM([1-9])$")).match(port);
    if (!name.hasMatch())
        return EndedCall("Connect", Kind::InvalidArgs,
                         QStringLiteral("A port is named COM1 to COM9."));
    ScriptCall* call = Begin("Connect", std::nullopt, false);
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
    ScriptCall* call = Begin("Disconnect", std::nullopt, false);
    if (!call->Ended()) {
        call->Do([this] { m_unit.Disconnect(); });
        call->Succeed();
    }
    return call;
}

ScriptCall* ScriptCalls::Send(const QString& line) {
    ScriptCall* call = Begin("Send", std::nullopt);
    if (call->Ended())
        return call;
    const QByteArray text = line.toLatin1();
    SucceedWhenDealtWith(call, text);
    // Its echo may wait behind other lines, and a query then waits for its answer.
    call->SetDeadline(link::ReplyPairing::kAnswerLimitMs + kReadLimitMs,
                      QStringLiteral("The unit did not take the line within 4 s."));
    call->Do([this, text] { m_unit.SendLine(text); });
    return call;
}

// Reads

ScriptCall* ScriptCalls::Read(const char* name, const char* what,
                              const std::function<void()>& query, const QByteArray& queryText,
                              const std::function<QVariant()>& value) {
    ScriptCall* call = Begin(name, std::nullopt);
    if (call->Ended())
        return call;
    connect(&m_unit, &UnitController::commandAnswered, call,
            [call, queryText, value](const link::SentCommand& command) {
                if (call->Mine(command) && command.text == queryText)
                    call->Succeed(value());
            });
    call->SetDeadline(kReadLimitMs, NoReply(what));
    call->Do(query);
    return call;
}

ScriptCall* ScriptCalls::ReadStatus() {
    return Read(
        "ReadStatus", "status", [this] { m_unit.ReadStatus(); }, cmd::Inp,
        [this] { return QVariant(int(m_unit.StatusWord())); });
}
ScriptCall* ScriptCalls::ReadIntensity() {
    return Read(
        "ReadIntensity", "intensity", [this] { m_unit.ReadIntensity(); }, cmd::IntensityQuery,
        [this] { return QVariant(m_unit.LastReadings().intensity); });
}
ScriptCall* ScriptCalls::ReadLampHours() {
    return Read(
        "ReadLampHours", "lamp time", [this] { m_unit.ReadLampTime(); }, cmd::LampTimeQuery,
        [this] { return QVariant(m_unit.LastReadings().lampHours); });
}
ScriptCall* ScriptCalls::ReadAutoTime() {
    return Read(
        "ReadAutoTime", "auto time", [this] { m_unit.ReadAutoTime(); }, cmd::AutoTimeQuery,
        [this] { return QVariant(m_unit.LastReadings().autoTime); });
}
ScriptCall* ScriptCalls::ReadRestTime() {
    return Read(
        "ReadRestTime", "rest time", [this] { m_unit.ReadRestTime(); }, cmd::RestTimeQuery,
        [this] { return QVariant(m_unit.LastReadings().restTime); });
}
ScriptCall* ScriptCalls::ReadStep() {
    return Read(
        "ReadStep", "step", [this] { m_unit.ReadStep(); }, cmd::StepQuery,
        [this] { return QVariant(m_unit.LastReadings().step); });
}

// Lamp and shutter

ScriptCall* ScriptCalls::UntilStatus(const char* name, Function function,
                                     const std::function<void()>& command, unsigned bit, bool lit,
                                     int limitMs, const QString& what) {
    ScriptCall* call = Begin(name, function);
    if (call->Ended())
        return call;
    auto commandSent = std::make_shared<bool>(!command);
    connect(&m_unit, &UnitController::commandAnswered, call,
            [this, call, command, commandSent, bit, lit](const link::SentCommand& answered) {
                if (!call->Mine(answered) || answered.text != cmd::Inp)
                    return;
                if (bool(m_unit.StatusWord() & bit) == lit)
                    return call->Succeed();
                if (!*commandSent) {
                    *commandSent = true;
                    call->Do(command);
                    call->Every(kStatusPollMs, [this] { m_unit.ReadStatus(); });
                }
            });
    call->SetDeadline(
        limitMs,
        QStringLiteral("The status did not show %1 within %2 s.").arg(what).arg(limitMs / 1000.0));
    call->Do([this] { m_unit.ReadStatus(); });
    if (!command)
        call->Every(kStatusPollMs, [this] { m_unit.ReadStatus(); });
    return call;
}

ScriptCall* ScriptCalls::SetLamp(bool on) {
    return UntilStatus(
        "SetLamp", Function::Lamp, [this, on] { m_unit.SetLamp(on); }, status::LampOn, on, 10000,
        on ? QStringLiteral("the lamp on") : QStringLiteral("the lamp off"));
}

ScriptCall* ScriptCalls::WaitLampStable(double seconds) {
    if (!(seconds > 0 && seconds <= 86400))
        return EndedCall("WaitLampStable", Kind::InvalidArgs,
                         QStringLiteral("The wait is more than 0 and at most 86400 seconds."));
    return UntilStatus("WaitLampStable", Function::Lamp, nullptr, status::LampStable, true,
                       int(std::ceil(seconds * 1000)), QStringLiteral("\"Lamp Stable\""));
}

ScriptCall* ScriptCalls::SetShutter(bool open) {
    return UntilStatus(
        "SetShutter", Function::Shutter, [this, open] { m_unit.SetShutter(open); },
        status::ShutterOpen, open, 5000,
        open ? QStringLiteral("the shutter open") : QStringLiteral("the shutter closed"));
}

ScriptCall* ScriptCalls::Expose(double seconds, bool wait) {
    const char* name = wait ? "Expose" : "StartExposure";
    if (!(seconds >= 0.0 && seconds <= 999.9))
        return EndedCall(name, Kind::InvalidArgs,
                         resources::Message(resources::msg::AutoTimeOutOfRange));
    ScriptCall* call = Begin(name, Function::Shutter);
    if (call->Ended())
        return call;
    call->WatchInterruptionsItself();
    // The unit opens for the time as sent, in tenths.
    const int tenths = int(std::lround(seconds * 10));
    auto* run = new ExposureRun(m_unit, call->Id(), NextOrigin(), tenths, this);
    m_exposure = run;
    connect(run, &ExposureRun::ended, this, &ScriptCalls::exposureEnded);
    connect(run, &ExposureRun::ended, run, &QObject::deleteLater);
    connect(run, &ExposureRun::lost, run, &QObject::deleteLater);
    connect(run, &ExposureRun::started, call, [call, wait] {
        if (!wait)
            call->Succeed();
    });
    connect(run, &ExposureRun::ended, call, [call, tenths](double open, bool complete) {
        if (complete)
            return call->Succeed();
        call->Fail(Kind::Interrupted, QStringLiteral("The shutter closed after %1 s of %2 s.")
                                          .arg(open, 0, 'f', 3)
                                          .arg(tenths / 10.0, 0, 'f', 1));
    });
    connect(run, &ExposureRun::lost, call,
            [call](const QString& why) { call->Fail(Kind::Timeout, why); });
    // Refused, or the unit never said: there is no opening to follow.
    connect(call, &ScriptCall::ended, run, [run] {
        if (!run->UnderWay())
            run->deleteLater();
    });
    connect(&m_unit, &UnitController::linkChanged, call, [this, call, run] {
        if (!m_unit.IsConnected() && !run->UnderWay())
            call->Fail(Kind::Interrupted,
                       QStringLiteral("The connection to the unit was lost before the "
                                      "exposure started."));
    });
    call->SetDeadline(kReadLimitMs + (wait ? tenths * 100 + ExposureRun::kCloseGraceMs : 0),
                      QStringLiteral("The unit did not answer within 2 s."));
    // The time first: ATS goes out only once the unit has taken it (the status asked after
    // it has come back without a refusal), so a refused time never opens the shutter.
    connect(&m_unit, &UnitController::commandTaken, call, [this, call](const link::SentCommand& c) {
        if (call->Mine(c) && c.text.startsWith("AT") && c.text != cmd::AutoShutterStart)
            call->Do([this] {
                m_unit.StartAutoShutter();
                m_unit.ReadStatus();
            });
    });
    call->Do([this, tenths] {
        m_unit.SetAutoTime(tenths / 10.0);
        m_unit.ReadStatus();
    });
    return call;
}

ScriptCall* ScriptCalls::StopExposure() {
    ScriptCall* call = Begin("StopExposure", std::nullopt);
    if (call->Ended())
        return call;
    SucceedWhenDealtWith(call, cmd::ShutterClose);
    call->SetDeadline(kReadLimitMs, QStringLiteral("The unit did not answer within 2 s."));
    call->Do([this] {
        m_unit.SetShutter(false);
        m_unit.ReadStatus(); // its answer shows the unit has dealt with S0
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
        return EndedCall("StepIntensity", Kind::InvalidArgs,
                         QStringLiteral("The direction is +1 or -1 and the time 1 to 10000 ms."));
    ScriptCall* call = Begin("StepIntensity", Function::Intensity);
    if (call->Ended())
        return call;
    StopHoldWhenEnded(call);
    connect(&m_unit, &UnitController::commandAnswered, call,
            [this, call](const link::SentCommand& command) {
                if (call->Mine(command) && command.text == cmd::IntensityQuery)
                    call->Succeed(m_unit.LastReadings().intensity);
            });
    call->Do([this, direction] { m_unit.StartIntensity(direction); });
    call->After(int(ms), [this, call] {
        m_unit.StopIntensity();
        call->SetDeadline(kReadLimitMs, NoReply("intensity"));
        m_unit.ReadIntensity();
    });
    return call;
}

// Raises or lowers while reading the intensity, stops one short of the target, then
// corrects with short steps until within one.
ScriptCall* ScriptCalls::SetIntensity(int percent) {
    if (percent < 0 || percent > 100)
        return EndedCall("SetIntensity", Kind::InvalidArgs,
                         QStringLiteral("The intensity is 0 to 100 %."));
    ScriptCall* call = Begin("SetIntensity", Function::Intensity);
    if (call->Ended())
        return call;
    StopHoldWhenEnded(call);
    call->SetDeadline(kIntensityLimitMs,
                      QStringLiteral("The intensity did not reach %1 % within 60 s.").arg(percent));
    auto heldDirection = std::make_shared<int>(0);
    auto stopAndRead = [this] {
        m_unit.StopIntensity();
        m_unit.ReadIntensity();
    };
    connect(&m_unit, &UnitController::commandAnswered, call,
            [this, call, percent, heldDirection, stopAndRead](const link::SentCommand& command) {
                if (!call->Mine(command) || command.text != cmd::IntensityQuery)
                    return;
                const int now = m_unit.LastReadings().intensity;
                const int gap = percent - now;
                if (m_unit.IntensityHeld()) {
                    // Held: stop once within one, or once past the target.
                    const int direction = gap > 0 ? 1 : -1;
                    if (std::abs(gap) <= 1 || direction != *heldDirection)
                        call->Do(stopAndRead);
                    return;
                }
                if (std::abs(gap) <= 1)
                    return call->Succeed(now);
                *heldDirection = gap > 0 ? 1 : -1;
                call->Do([this, heldDirection] { m_unit.StartIntensity(*heldDirection); });
                if (std::abs(gap) <= 3)
                    call->After(kShortStepMs, stopAndRead);
            });
    call->Every(kIntensityPollMs, [this] {
        if (m_unit.IntensityHeld())
            m_unit.ReadIntensity();
    });
    call->Do([this] { m_unit.ReadIntensity(); });
    return call;
}

// Programs

void ScriptCalls::FollowProgram(int number) {
    if (m_program)
        m_program->Drop();
    auto* run = new ProgramRun(m_unit, NextOrigin(), number, this);
    m_program = run;
    connect(run, &ProgramRun::ended, this, &ScriptCalls::programEnded);
    connect(run, &ProgramRun::ended, run, &QObject::deleteLater);
}

ScriptCall* ScriptCalls::StartProgram(uint number) {
    if (number < 1 || number > 9)
        return EndedCall("StartProgram", Kind::InvalidArgs, kProgramNumbers);
    ScriptCall* call = Begin("StartProgram", Function::Program);
    if (call->Ended())
        return call;
    // The step asked right after START tells that the unit has dealt with it.
    connect(&m_unit, &UnitController::commandAnswered, call,
            [this, call, number](const link::SentCommand& command) {
                if (!call->Mine(command) || command.text != cmd::StepQuery)
                    return;
                FollowProgram(int(number));
                call->Succeed();
            });
    call->SetDeadline(kReadLimitMs, NoReply("step"));
    call->Do([this, number] {
        m_unit.StartProgram(int(number));
        m_unit.ReadStep();
    });
    return call;
}

ScriptCall* ScriptCalls::StopProgram() {
    ScriptCall* call = Begin("StopProgram", Function::Program);
    if (call->Ended())
        return call;
    SucceedWhenDealtWith(call, cmd::StepQuery);
    call->SetDeadline(kReadLimitMs, NoReply("step"));
    call->Do([this] {
        m_unit.StopProgram();
        m_unit.ReadStep();
    });
    return call;
}

ScriptCall* ScriptCalls::ReadProgram(uint number) {
    if (number < 1 || number > 9)
        return EndedCall("ReadProgram", Kind::InvalidArgs, kProgramNumbers);
    ScriptCall* call = Begin("ReadProgram", Function::Program);
    if (call->Ended())
        return call;
    auto received = std::make_shared<std::optional<model::ProgramReply>>();
    connect(&m_unit, &UnitController::programReceived, call,
            [received](const model::ProgramReply& reply) { *received = reply; });
    connect(
        &m_unit, &UnitController::commandAnswered, call,
        [call, number, received](const link::SentCommand& command) {
            if (!call->Mine(command) || !command.text.startsWith("CUREQ") || !*received)
                return;
            const model::ProgramReply& reply = **received;
            if (reply.programDigit != int(number))
                return call->Fail(
                    Kind::DeviceError,
                    QStringLiteral("The unit answered with program %1.").arg(reply.programDigit));
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
    const char* name = "WriteProgram";
    if (number < 1 || number > 9)
        return EndedCall(name, Kind::InvalidArgs, kProgramNumbers);
    if (shutterMode < 1 || shutterMode > 2)
        return EndedCall(name, Kind::InvalidArgs, resources::Message(msg::ShutterModeWrong));
    if (intensityMode < 1 || intensityMode > 2)
        return EndedCall(name, Kind::InvalidArgs, resources::Message(msg::IntensityModeWrong));
    if (steps.size() != model::kStepCount)
        return EndedCall(name, Kind::InvalidArgs, QStringLiteral("A program has seven steps."));
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
        return EndedCall(name, Kind::InvalidArgs,
                         resources::Message(StepFaultMessage(check.fault)));

    ScriptCall* call = Begin(name, Function::Program);
    if (call->Ended())
        return call;
    const model::StepTexts sent = model::NormalTexts(program.steps, program.intensityMode);
    auto received = std::make_shared<std::optional<model::ProgramReply>>();
    connect(&m_unit, &UnitController::programReceived, call,
            [received](const model::ProgramReply& reply) { *received = reply; });
    connect(&m_unit, &UnitController::commandAnswered, call,
            [call, program, sent, received](const link::SentCommand& command) {
                if (!call->Mine(command) || !command.text.startsWith("CUREQ") || !*received)
                    return;
                const model::ProgramReply& reply = **received;
                if (reply.programDigit == program.programNumber &&
                    reply.shutterDigit == program.shutterMode &&
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

// Not while a script's intensity call holds the intensity: the exchange would end its hold.
// The reservation stops an operator's hold, with an INT0 of the call's own.
ScriptCall* ScriptCalls::BeginSettings(const char* name) {
    if (const QString inUse = InUse(Function::Intensity); !inUse.isEmpty())
        return EndedCall(name, Kind::Busy, inUse);
    ScriptCall* call = Begin(name, std::nullopt);
    bool reserved = false;
    if (!call->Ended())
        call->Do([&] { reserved = m_unit.ReserveForSettings(); });
    if (!call->Ended() && !reserved)
        call->Fail(Kind::Busy, QStringLiteral("A unit settings operation is running."));
    return call;
}

// The unit stays reserved until the exchange has run to its end, also when the call ended
// before (its caller left, or the unit refused one of its commands).
void ScriptCalls::ReleaseSettingsWhenEnded(ScriptCall* call) {
    call->OnEnd([this] {
        if (!m_unit.SettingsExchangeRunning())
            return m_unit.ReleaseSettings();
        auto* wait = new QObject(this);
        connect(&m_unit, &UnitController::settingsExchangeFinished, wait, [this, wait] {
            m_unit.ReleaseSettings();
            wait->deleteLater();
        });
    });
}

ScriptCall* ScriptCalls::ReadSettings() {
    ScriptCall* call = BeginSettings("ReadSettings");
    if (call->Ended())
        return call;
    ReleaseSettingsWhenEnded(call);
    connect(&m_unit, &UnitController::settingsExchangeFinished, call,
            [this, call](SettingsOutcome outcome) {
                if (outcome == SettingsOutcome::Done)
                    call->Succeed(QVariant::fromValue(m_unit.ReceivedSettings()));
                else
                    FailExchange(call, outcome);
            });
    call->Do([this] { m_unit.ReadSettings(); });
    return call;
}

ScriptCall* ScriptCalls::WriteSettings(const model::UnitSettingsRecord& record) {
    ScriptCall* call = BeginSettings("WriteSettings");
    if (call->Ended())
        return call;
    ReleaseSettingsWhenEnded(call);
    connect(&m_unit, &UnitController::settingsExchangeFinished, call,
            [call](SettingsOutcome outcome) {
                if (outcome == SettingsOutcome::Done)
                    call->Succeed();
                else
                    FailExchange(call, outcome);
            });
    call->Do([this, record] { m_unit.WriteSettings(record); });
    return call;
}

// The claim

ScriptCall* ScriptCalls::Claim() {
    const QString owner = m_unit.Owner();
    if (m_caller.isEmpty())
        return EndedCall("Claim", Kind::InvalidArgs,
                         QStringLiteral("Only a bus caller can claim."));
    if (!owner.isEmpty() && owner != m_caller)
        return EndedCall("Claim", Kind::Busy,
                         QStringLiteral("The unit is claimed by %1 until it releases it or leaves "
                                        "the bus.")
                             .arg(owner));
    m_unit.SetOwner(m_caller);
    return EndedCall("Claim", Kind::Done, QString());
}

ScriptCall* ScriptCalls::Release() {
    const QString owner = m_unit.Owner();
    if (!owner.isEmpty() && owner != m_caller)
        return EndedCall(
            "Release", Kind::Busy,
            QStringLiteral("The unit is claimed by %1, not by this caller.").arg(owner));
    m_unit.SetOwner(QString());
    return EndedCall("Release", Kind::Done, QString());
}

} // namespace vq3::control
