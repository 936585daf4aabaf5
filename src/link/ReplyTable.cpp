#include "link/ReplyTable.h"

#include <cstring>

namespace vq3::link {

namespace {

constexpr int kAny = -1;
constexpr int kDigits = 0;

// The first matching row wins; no line can match two rows, so the order is only the order of
// evaluation. Rows 19 to 22 carry codes out of table order.
const std::array<ReplyRule, 24> kRules = {{
    {"INP", 2, kAny, StatusShort},
    {"INP", 3, kAny, StatusLong},
    {"VER", 8, kAny, Version},
    {"CURE", 73, kAny, ProgramPercent},
    {"CURE", 80, kAny, ProgramWatts},
    {"CNT", 1, kDigits, ControlMode},
    {"AT", 5, 3, AutoTime},
    {"ATT", 5, 3, RestTime},
    {"INT", 3, kDigits, Intensity},
    {"STP", 1, kDigits, Step},
    {"LIFOK", 4, kDigits, LampTime},
    {"VQ", 1, kDigits, Model},
    {"LAMPERR", 2, kDigits, LampAlarm},
    {"LAMPOFF", 2, kDigits, LampOffTime},
    {"IB", 1, kDigits, InstantRecovery},
    {"SRESP", 1, kDigits, ShutterResponse},
    {"SETT1", 3, kDigits, OpenPulse},
    {"SETT2", 3, kDigits, ClosePulse},
    {"ERR05", 0, kDigits, MemoryStepError},
    {"ERR", 0, kDigits, CommandError},
    {"1STEP", 0, kDigits, OneStep},
    {"7STEP", 0, kDigits, SevenStep},
    {"ATTOK", 5, 3, RestTimeOk},
    {"", 0, 0, Unrecognised},
}};

bool RestMatches(const char* rest, const ReplyRule& rule) {
    int count = 0;
    bool failed = false;
    // The walk goes on after a fault so that the count is the whole rest.
    for (; rest[count] != '\0'; ++count) {
        if (rule.pointPosition < 0)
            continue;
        const char c = rest[count];
        if (rule.pointPosition > 0 && count == rule.pointPosition)
            failed |= c != '.';
        else
            failed |= c < '0' || c > '9';
    }
    return count == rule.restLength && !failed;
}

} // namespace

const std::array<ReplyRule, 24>& ReplyRules() {
    return kRules;
}

ReplyCode ClassifyReply(const char* line) {
    if (line == nullptr)
        return Unrecognised;
    for (const ReplyRule& rule : kRules) {
        const std::size_t prefixLength = std::strlen(rule.prefix);
        if (prefixLength == 0)
            break;
        if (std::strncmp(line, rule.prefix, prefixLength) != 0)
            continue;
        if (RestMatches(line + prefixLength, rule))
            return rule.code;
    }
    return Unrecognised;
}

} // namespace vq3::link
