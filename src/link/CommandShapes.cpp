#include "link/CommandShapes.h"

#include <algorithm>
#include <array>

namespace vq3::link {

namespace {

using namespace refusal;

// What may follow a command's keyword.
enum class Argument { None, Digit, Digits2, Digits3, Tenths, Any };

constexpr ReplyCode kStatus[] = {StatusShort, StatusLong};
constexpr ReplyCode kIntensity[] = {Intensity};
constexpr ReplyCode kLampTime[] = {LampTime};
constexpr ReplyCode kAutoTime[] = {AutoTime};
constexpr ReplyCode kRestTime[] = {RestTime, RestTimeOk};
constexpr ReplyCode kStep[] = {Step};
constexpr ReplyCode kProgram[] = {ProgramPercent, ProgramWatts};
constexpr ReplyCode kControlMode[] = {ControlMode};
constexpr ReplyCode kProgramMode[] = {OneStep, SevenStep};
constexpr ReplyCode kLampAlarm[] = {LampAlarm};
constexpr ReplyCode kLampOff[] = {LampOffTime};
constexpr ReplyCode kRecovery[] = {InstantRecovery};
constexpr ReplyCode kResponse[] = {ShutterResponse};
constexpr ReplyCode kOpenPulse[] = {OpenPulse};
constexpr ReplyCode kClosePulse[] = {ClosePulse};

constexpr unsigned kShutterBusy = Ng02 | Ng03;
constexpr unsigned kIntensityBusy = Ng04 | Ng05;

struct Row {
    const char* keyword;
    Argument argument;
    std::span<const ReplyCode> answers;
    unsigned refusals;
};

// The unit's command set.
const std::array<Row, 37> kRows{{
    {"INP", Argument::None, kStatus, 0},
    {"L1", Argument::None, {}, Ng01},
    {"L0", Argument::None, {}, Ng01},
    {"S1", Argument::None, {}, kShutterBusy},
    {"S0", Argument::None, {}, kShutterBusy},
    {"INTQ", Argument::None, kIntensity, kIntensityBusy},
    {"INT1", Argument::None, {}, kIntensityBusy},
    {"INT2", Argument::None, {}, kIntensityBusy},
    {"INT0", Argument::None, {}, kIntensityBusy},
    {"LIF", Argument::None, kLampTime, 0},
    {"LAMPCLR", Argument::None, {}, 0},
    {"ATS", Argument::None, {}, kShutterBusy},
    {"ATQ", Argument::None, kAutoTime, 0},
    {"ATT", Argument::None, kRestTime, 0},
    {"AT", Argument::Tenths, {}, kShutterBusy},
    {"STPQ", Argument::None, kStep, 0},
    {"STOP", Argument::None, {}, kShutterBusy},
    {"START", Argument::Digit, {}, kShutterBusy | kIntensityBusy | Err05},
    {"CUREQ", Argument::Digit, kProgram, 0},
    {"CURE", Argument::Any, {}, kShutterBusy | Err05},
    {"CNTQ", Argument::None, kControlMode, 0},
    {"CNT", Argument::Digit, {}, 0},
    {"PROG?", Argument::None, kProgramMode, 0},
    {"PROG_7STEP", Argument::None, {}, 0},
    {"PROG_1STEP", Argument::None, {}, 0},
    {"LAMPERR?", Argument::None, kLampAlarm, 0},
    {"LAMPERR", Argument::Digits2, {}, 0},
    {"LAMPOFF?", Argument::None, kLampOff, 0},
    {"LAMPOFF", Argument::Digits2, {}, 0},
    {"IB?", Argument::None, kRecovery, 0},
    {"IB", Argument::Digit, {}, 0},
    {"SRESP?", Argument::None, kResponse, 0},
    {"SRESP", Argument::Digit, {}, 0},
    {"SETT1?", Argument::None, kOpenPulse, 0},
    {"SETT1", Argument::Digits3, {}, 0},
    {"SETT2?", Argument::None, kClosePulse, 0},
    {"SETT2", Argument::Digits3, {}, 0},
}};

bool AllDigits(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Fits(Argument argument, QByteArrayView rest) {
    switch (argument) {
    case Argument::None:
        return rest.isEmpty();
    case Argument::Digit:
        return rest.size() == 1 && AllDigits(rest);
    case Argument::Digits2:
        return rest.size() == 2 && AllDigits(rest);
    case Argument::Digits3:
        return rest.size() == 3 && AllDigits(rest);
    case Argument::Tenths:
        return rest.size() == 5 && rest[3] == '.' && AllDigits(rest.first(3)) &&
               AllDigits(rest.last(1));
    case Argument::Any:
        return true;
    }
    return false;
}

} // namespace

bool CommandShape::AnsweredBy(ReplyCode code) const {
    return std::find(answers.begin(), answers.end(), code) != answers.end();
}

// The longest keyword that begins the command decides; with the wrong argument after it the
// line is one the unit does not know.
CommandShape ShapeOf(QByteArrayView command) {
    const Row* best = nullptr;
    for (const Row& row : kRows)
        if (command.startsWith(QByteArrayView(row.keyword)) &&
            (!best || qstrlen(row.keyword) > qstrlen(best->keyword)))
            best = &row;
    if (!best || !Fits(best->argument, command.sliced(qstrlen(best->keyword))))
        return {};
    return {best->answers, best->refusals, true};
}

} // namespace vq3::link
