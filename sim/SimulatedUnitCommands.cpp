// The unit's command set: what each command line does and what it answers.
#include "SimulatedUnit.h"

#include "WireText.h"

#include <algorithm>
#include <array>

namespace vq3::sim {

namespace {

QByteArray Line(const QByteArray& text) {
    return text + '\r';
}

const QByteArray kCommandError = "ERR";

// The unit's firmware identification: "VER" and eight characters.
const QByteArray kVersion = "VQ3-SIM1";

} // namespace

QByteArray SimulatedUnit::HandleCommand(const QByteArray& line) {
    QByteArray command;
    command.reserve(line.size());
    for (const char c : line)
        if (c != '\n' && c != '\0')
            command += c;
    if (command.isEmpty() || command.size() > kMaxCommandLength)
        return {};
    m_commandLog.append(command);
    Update();
    return Dispatch(command);
}

QByteArray SimulatedUnit::Dispatch(const QByteArray& command) {
    using Handler = QByteArray (*)(SimulatedUnit&);
    struct Keyword {
        const char* text;
        Handler handler;
    };
    static const std::array<Keyword, 27> kKeywords{{
        {"INP", [](SimulatedUnit& u) { return u.StatusReply(); }},
        {"L1", [](SimulatedUnit& u) { return u.LampCommand(true); }},
        {"L0", [](SimulatedUnit& u) { return u.LampCommand(false); }},
        {"S1", [](SimulatedUnit& u) { return u.ShutterCommand(true); }},
        {"S0", [](SimulatedUnit& u) { return u.ShutterCommand(false); }},
        {"INTQ",
         [](SimulatedUnit& u) {
             return Line("INT" + wire::Decimal(u.IntensityAt(u.m_simulatedUpTo), 3));
         }},
        {"INT1", [](SimulatedUnit& u) { return u.StartRamp(1); }},
        {"INT2", [](SimulatedUnit& u) { return u.StartRamp(-1); }},
        {"INT0",
         [](SimulatedUnit& u) {
             u.FreezeRamp();
             return QByteArray();
         }},
        {"LIF",
         [](SimulatedUnit& u) {
             return Line("LIFOK" + wire::Decimal(std::min<qint64>(u.lampHours(), 9999), 4));
         }},
        {"LAMPCLR",
         [](SimulatedUnit& u) {
             u.m_lampMs = 0;
             return QByteArray();
         }},
        {"ATS", [](SimulatedUnit& u) { return u.StartAutoOpening(); }},
        {"ATQ", [](SimulatedUnit& u) { return Line("AT" + wire::Tenths(u.m_autoTenths)); }},
        {"ATT", [](SimulatedUnit& u) { return Line("ATT" + wire::Tenths(u.autoTimeLeft())); }},
        {"STPQ", [](SimulatedUnit& u) { return Line("STP" + wire::Decimal(u.m_runningStep)); }},
        {"STOP", [](SimulatedUnit& u) { return u.StopProgram(); }},
        {"CNTQ", [](SimulatedUnit& u) { return Line("CNT" + wire::Decimal(u.m_controlMode)); }},
        {"PROG_7STEP",
         [](SimulatedUnit& u) {
             u.m_programMode = 7;
             return QByteArray();
         }},
        {"PROG_1STEP",
         [](SimulatedUnit& u) {
             u.m_programMode = 1;
             return QByteArray();
         }},
        {"PROG?", [](SimulatedUnit& u) { return Line(u.m_programMode == 1 ? "1STEP" : "7STEP"); }},
        {"LAMPERR?",
         [](SimulatedUnit& u) { return Line("LAMPERR" + wire::Decimal(u.m_lampAlarm, 2)); }},
        {"LAMPOFF?",
         [](SimulatedUnit& u) { return Line("LAMPOFF" + wire::Decimal(u.m_lampOffTime, 2)); }},
        {"IB?", [](SimulatedUnit& u) { return Line("IB" + wire::Decimal(u.m_instantRecovery)); }},
        {"SRESP?",
         [](SimulatedUnit& u) { return Line("SRESP" + wire::Decimal(u.m_shutterResponse)); }},
        {"SETT1?",
         [](SimulatedUnit& u) { return Line("SETT1" + wire::Decimal(u.m_openPulse, 3)); }},
        {"SETT2?",
         [](SimulatedUnit& u) { return Line("SETT2" + wire::Decimal(u.m_closePulse, 3)); }},
        {"VER?", [](SimulatedUnit&) { return Line("VER" + kVersion); }},
    }};
    for (const Keyword& keyword : kKeywords)
        if (command == keyword.text)
            return keyword.handler(*this);
    return DispatchWithArgument(command);
}

// Commands with an argument: the first keyword that begins the line decides, so a line
// that begins like one but has the wrong argument is a command error.
QByteArray SimulatedUnit::DispatchWithArgument(const QByteArray& command) {
    // Keyword, argument digits, smallest and largest value, what it does with the value.
    using Setter = QByteArray (*)(SimulatedUnit&, int);
    struct Numbered {
        const char* keyword;
        int digits;
        int low;
        int high;
        Setter setter;
    };
    static const std::array<Numbered, 9> kNumbered{{
        {"CUREQ", 1, 1, 9,
         [](SimulatedUnit& u, int n) {
             const QByteArray stored = u.storedProgram(n);
             return Line(stored.isEmpty() ? EmptyProgram(n) : stored);
         }},
        {"START", 1, 1, 9, [](SimulatedUnit& u, int n) { return u.StartProgram(n); }},
        {"CNT", 1, 0, 1,
         [](SimulatedUnit& u, int v) {
             u.m_controlMode = v;
             return QByteArray();
         }},
        {"LAMPERR", 2, 0, 99,
         [](SimulatedUnit& u, int v) {
             u.m_lampAlarm = v;
             return QByteArray();
         }},
        {"LAMPOFF", 2, 0, 99,
         [](SimulatedUnit& u, int v) {
             u.m_lampOffTime = v;
             return QByteArray();
         }},
        {"IB", 1, 0, 1,
         [](SimulatedUnit& u, int v) {
             u.m_instantRecovery = v;
             return QByteArray();
         }},
        {"SRESP", 1, 0, 1,
         [](SimulatedUnit& u, int v) {
             u.m_shutterResponse = v;
             return QByteArray();
         }},
        {"SETT1", 3, 5, 500,
         [](SimulatedUnit& u, int v) {
             u.m_openPulse = v;
             return QByteArray();
         }},
        {"SETT2", 3, 5, 500,
         [](SimulatedUnit& u, int v) {
             u.m_closePulse = v;
             return QByteArray();
         }},
    }};
    for (const Numbered& row : kNumbered) {
        const QByteArrayView keyword(row.keyword);
        if (!command.startsWith(keyword))
            continue;
        const QByteArrayView argument = QByteArrayView(command).sliced(keyword.size());
        const auto value = argument.size() == row.digits ? wire::Digits(argument) : std::nullopt;
        if (!value || *value < row.low || *value > row.high)
            return Line(kCommandError);
        return row.setter(*this, *value);
    }
    if (command.startsWith("CURE"))
        return StoreProgram(command);
    if (command.startsWith("AT"))
        return SetAutoTime(QByteArrayView(command).sliced(2));
    return Line(kCommandError);
}

QByteArray SimulatedUnit::StatusReply() {
    return Line("INP" +
                wire::Hex(static_cast<unsigned>(statusWord()), m_options.longStatus ? 3 : 2));
}

// Soak tests want refusals the controller did not cause; only commands the unit would carry
// out count, so the rhythm does not depend on the unit's own refusals.
bool SimulatedUnit::RefusedOnPurpose() {
    if (m_options.refuseEveryN <= 0)
        return false;
    return ++m_startCommands % m_options.refuseEveryN == 0;
}

QByteArray SimulatedUnit::LampCommand(bool on) {
    if (m_lampOn && !m_lampStable)
        return Line("NG01");
    if (RefusedOnPurpose())
        return Line("NG01");
    if (!on)
        LampOut();
    else if (!m_lampOn && !(ForcedOffLampMs() > 0 && m_lampMs >= ForcedOffLampMs()))
        LightLamp();
    return {};
}

// S0 is how a timed opening is cut short, so only S1 is refused during one.
QByteArray SimulatedUnit::ShutterCommand(bool open) {
    if (m_autoOpening && open)
        return Line("NG03");
    if (m_runningStep > 0)
        return Line("NG02");
    if (RefusedOnPurpose())
        return Line("NG03");
    m_autoOpening = false;
    m_shutterOpen = open;
    return {};
}

QByteArray SimulatedUnit::StartAutoOpening() {
    if (m_autoOpening)
        return Line("NG03");
    if (m_runningStep > 0)
        return Line("NG02");
    if (RefusedOnPurpose())
        return Line("NG03");
    m_autoOpening = true;
    m_shutterOpen = true;
    m_autoEnd = m_simulatedUpTo + static_cast<qint64>(m_autoTenths) * 100;
    return {};
}

// AT<time>: the time as "ddd.d" seconds.
QByteArray SimulatedUnit::SetAutoTime(QByteArrayView argument) {
    const auto tenths = wire::TenthsValue(argument);
    if (!tenths)
        return Line(kCommandError);
    if (RefusedOnPurpose())
        return Line("NG03");
    m_autoTenths = *tenths;
    return {};
}

// INT1 (+1) or INT2 (-1): the ramp runs on from the intensity reached so far.
QByteArray SimulatedUnit::StartRamp(int direction) {
    if (RefusedOnPurpose())
        return Line("NG04");
    FreezeRamp();
    m_ramp = direction;
    m_rampStart = m_simulatedUpTo;
    return {};
}

QByteArray SimulatedUnit::StoreProgram(const QByteArray& command) {
    if (m_runningStep > 0)
        return Line("NG02");
    const auto program = ParseProgram(command);
    if (!program)
        return Line("ERR05");
    if (RefusedOnPurpose())
        return Line("NG02");
    m_programs[static_cast<size_t>(program->number - 1)] = command;
    return {};
}

QByteArray SimulatedUnit::StartProgram(int number) {
    if (m_runningStep > 0)
        return Line("NG02");
    if (m_autoOpening)
        return Line("NG03");
    const QByteArray stored = storedProgram(number);
    const auto program = ParseProgram(stored.isEmpty() ? EmptyProgram(number) : stored);
    if (!program)
        return Line("ERR05");
    if (RefusedOnPurpose())
        return Line("NG02");
    m_run = program->steps;
    m_runSteps = m_programMode == 1 ? 1 : kProgramSteps;
    StartStep(0, m_simulatedUpTo);
    return {};
}

QByteArray SimulatedUnit::StopProgram() {
    if (m_runningStep > 0)
        EndProgram();
    return {};
}

} // namespace vq3::sim
