#pragma once

#include <array>

namespace vq3::link {

// Reply classes. Rows 19..22 of the table carry codes out of table order.
enum ReplyCode : int {
    Unrecognised = 0,
    StatusShort = 1,      // INP + 2
    StatusLong = 2,       // INP + 3
    Version = 3,          // VER + 8
    ProgramPercent = 4,   // CURE + 73
    ProgramWatts = 5,     // CURE + 80
    ControlMode = 6,      // CNT + digit
    AutoTime = 7,         // AT + ddd.d
    RestTime = 8,         // ATT + ddd.d
    Intensity = 9,        // INT + 3 digits
    Step = 10,            // STP + digit
    LampTime = 11,        // LIFOK + 4 digits
    Model = 12,           // VQ + digit
    LampAlarm = 13,       // LAMPERR + 2 digits
    LampOffTime = 14,     // LAMPOFF + 2 digits
    InstantRecovery = 15, // IB + digit
    ShutterResponse = 16, // SRESP + digit
    OpenPulse = 17,       // SETT1 + 3 digits
    ClosePulse = 18,      // SETT2 + 3 digits
    OneStep = 19,         // 1STEP
    SevenStep = 20,       // 7STEP
    MemoryStepError = 21, // ERR05
    CommandError = 22,    // ERR
    RestTimeOk = 23,      // ATTOK + ddd.d
};

struct ReplyRule {
    const char* prefix; // compared byte for byte; an empty prefix ends the table
    int restLength;     // exact number of characters after the prefix
    int pointPosition;  // -1 any characters; 0 digits only; k > 0 "." at k, digits elsewhere
    ReplyCode code;
};

const std::array<ReplyRule, 24>& ReplyRules();

// The first matching row's code, 0 when none matches.
ReplyCode ClassifyReply(const char* line);

} // namespace vq3::link
