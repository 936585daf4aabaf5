#pragma once

// The memory step program as the unit takes it and gives it back: "CURE", the program
// number, the shutter mode, the intensity mode, ":" and seven step groups. Percent layout
// (intensity mode 1): "ddd,ddd.d" groups, 77 characters; watts layout (intensity mode 2):
// "d.dd,ddd.d" groups, 84 characters.

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>

namespace vq3::sim {

inline constexpr int kProgramSteps = 7;
inline constexpr qsizetype kPercentProgramLength = 77;
inline constexpr qsizetype kWattsProgramLength = 84;
// Lamp power that counts as 100 % when a watts program runs.
inline constexpr int kFullPowerHundredths = 1000;

struct ProgramStep {
    int percent = 0; // intensity the step sets, watts already scaled to percent
    int tenths = 0;  // shutter time in tenths of a second
};

struct ParsedProgram {
    int number = 0;        // 1 to 9
    int shutterMode = 0;   // 1 or 2
    int intensityMode = 0; // 1 percent, 2 watts
    std::array<ProgramStep, kProgramSteps> steps{};
};

// The program in a "CURE" line, checked character by character; nothing when any place is
// wrong, the intensity mode does not fit the length, or a percentage exceeds 100.
std::optional<ParsedProgram> ParseProgram(QByteArrayView text);

// What the unit reports for a slot that was never written: all steps zero, percent layout.
QByteArray EmptyProgram(int number);

} // namespace vq3::sim
