#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vq3::model {

inline constexpr int kStepCount = 7;

// Intensity mode 1 is percent (whole number 0..100); any other mode is watts (0.00..9.99).
inline bool IsPercentMode(int intensityMode) {
    return intensityMode == 1;
}

struct MemoryStep {
    double intensity = 0.0;
    double shutterTime = 0.0; // seconds, 0.0..999.9
};

struct MemoryStepProgram {
    int programNumber = 1; // 1..9 (0 when the list has no selection)
    int shutterMode = 1;   // 1 or 2 (0 when the list has no selection)
    int intensityMode = 1; // 1 percent, 2 watts (0 when the list has no selection)
    std::array<MemoryStep, kStepCount> steps{};
};

// The editor's fourteen field texts.
struct StepTexts {
    std::array<std::string, kStepCount> intensity;
    std::array<std::string, kStepCount> time;
};

enum class StepFault {
    None,
    IntensityMalformed,
    IntensityOutOfRange,
    TimeMalformed,
    TimeOutOfRange
};

struct StepCheck {
    StepFault fault = StepFault::None;
    int step = -1; // 0-based step of the first fault
};

// Checks the steps in order, intensity before time, and stops at the first fault.
// On success fills *steps (when given) with the values.
StepCheck CheckSteps(const StepTexts& texts, int intensityMode,
                     std::array<MemoryStep, kStepCount>* steps);

// Normal forms: "%d" for a percent intensity, "%.2f" for watts, "%.1f" for a time.
std::string NormalIntensity(double intensity, int intensityMode);
std::string NormalTime(double seconds);
StepTexts NormalTexts(const std::array<MemoryStep, kStepCount>& steps, int intensityMode);

// "CURE%d%d%d:" + seven "%03d,%05.1f" (percent) or "%04.2f,%05.1f" groups joined by ",".
std::string EncodeCure(const MemoryStepProgram& program);

// The unit's program read-back, "CURE" + 73 (percent layout) or + 80 (watts layout)
// characters. The layout is chosen by the caller from the length, never from the mode digit.
struct ProgramReply {
    int programDigit = 0;
    int shutterDigit = 0;
    int intensityDigit = 0;
    StepTexts texts; // normal form for the layout
};
std::optional<ProgramReply> DecodeProgramReply(std::string_view line, bool wattsLayout);

} // namespace vq3::model
