#include "model/MemoryStepProgram.h"

#include "model/NumberRules.h"

#include <algorithm>
#include <cmath>

namespace vq3::model {

namespace {

constexpr double kMaxPercent = 100.0;
constexpr double kMaxWatts = 9.99;
constexpr double kMaxSeconds = 999.9;

// A percent intensity is held as a double but sent and shown as a whole number.
long long WholeIntensity(double intensity) {
    if (std::isnan(intensity))
        return 0;
    return std::llround(std::clamp(intensity, -1e15, 1e15));
}

// "-0" is a well-formed zero; keeping its sign would print "-00.0" into the command.
double WithoutNegativeZero(double value) {
    return value == 0.0 ? 0.0 : value;
}

StepFault CheckIntensity(const std::string& text, int intensityMode, double* value) {
    if (IsPercentMode(intensityMode)) {
        const IntegerValue parsed = ParseRuleInteger(text);
        if (parsed.check == NumberCheck::Malformed)
            return StepFault::IntensityMalformed;
        if (parsed.check == NumberCheck::OutOfRange || parsed.value < 0 ||
            parsed.value > static_cast<long long>(kMaxPercent))
            return StepFault::IntensityOutOfRange;
        *value = static_cast<double>(parsed.value);
        return StepFault::None;
    }
    const DecimalValue parsed = ParseRuleDecimal(text);
    if (parsed.check == NumberCheck::Malformed)
        return StepFault::IntensityMalformed;
    if (parsed.check == NumberCheck::OutOfRange || !(parsed.value >= 0.0) ||
        !(parsed.value <= kMaxWatts))
        return StepFault::IntensityOutOfRange;
    *value = WithoutNegativeZero(parsed.value);
    return StepFault::None;
}

StepFault CheckTime(const std::string& text, double* value) {
    const DecimalValue parsed = ParseRuleDecimal(text);
    if (parsed.check == NumberCheck::Malformed)
        return StepFault::TimeMalformed;
    if (parsed.check == NumberCheck::OutOfRange || !(parsed.value >= 0.0) ||
        !(parsed.value <= kMaxSeconds))
        return StepFault::TimeOutOfRange;
    *value = WithoutNegativeZero(parsed.value);
    return StepFault::None;
}

// Matches `text` against a pattern in which 'd' stands for any decimal digit and every
// other character for itself.
bool MatchesPattern(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size())
        return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = text[i];
        if (pattern[i] == 'd' ? !(c >= '0' && c <= '9') : c != pattern[i])
            return false;
    }
    return true;
}

} // namespace

StepCheck CheckSteps(const StepTexts& texts, int intensityMode,
                     std::array<MemoryStep, kStepCount>* steps) {
    std::array<MemoryStep, kStepCount> values{};
    for (int i = 0; i < kStepCount; ++i) {
        StepFault fault = CheckIntensity(texts.intensity[i], intensityMode, &values[i].intensity);
        if (fault == StepFault::None)
            fault = CheckTime(texts.time[i], &values[i].shutterTime);
        if (fault != StepFault::None)
            return {fault, i};
    }
    if (steps)
        *steps = values;
    return {};
}

std::string NormalIntensity(double intensity, int intensityMode) {
    if (IsPercentMode(intensityMode))
        return FormatInt(WholeIntensity(intensity));
    return FormatFixed(intensity, 2);
}

std::string NormalTime(double seconds) {
    return FormatFixed(seconds, 1);
}

StepTexts NormalTexts(const std::array<MemoryStep, kStepCount>& steps, int intensityMode) {
    StepTexts texts;
    for (int i = 0; i < kStepCount; ++i) {
        texts.intensity[i] = NormalIntensity(steps[i].intensity, intensityMode);
        texts.time[i] = NormalTime(steps[i].shutterTime);
    }
    return texts;
}

std::string EncodeCure(const MemoryStepProgram& program) {
    std::string command = "CURE" + FormatInt(program.programNumber) +
                          FormatInt(program.shutterMode) + FormatInt(program.intensityMode) + ":";
    const bool percent = IsPercentMode(program.intensityMode);
    for (int i = 0; i < kStepCount; ++i) {
        const MemoryStep& step = program.steps[i];
        if (i > 0)
            command += ',';
        command += percent ? FormatInt(WholeIntensity(step.intensity), 3)
                           : FormatFixed(step.intensity, 2, 4);
        command += ',';
        command += FormatFixed(step.shutterTime, 1, 5);
    }
    return command;
}

std::optional<ProgramReply> DecodeProgramReply(std::string_view line, bool wattsLayout) {
    // "CURE", three digits and ":", then seven groups separated by commas.
    const std::string_view group = wattsLayout ? "d.dd,ddd.d" : "ddd,ddd.d";
    constexpr size_t kHeaderLength = 8;
    const size_t expectedLength = kHeaderLength + kStepCount * group.size() + (kStepCount - 1);
    if (line.size() != expectedLength || !MatchesPattern(line.substr(0, kHeaderLength), "CUREddd:"))
        return std::nullopt;

    ProgramReply reply;
    reply.programDigit = line[4] - '0';
    reply.shutterDigit = line[5] - '0';
    reply.intensityDigit = line[6] - '0';
    const size_t intensityLength = group.find(',');
    for (int i = 0; i < kStepCount; ++i) {
        const size_t start = kHeaderLength + static_cast<size_t>(i) * (group.size() + 1);
        if (!MatchesPattern(line.substr(start, group.size()), group))
            return std::nullopt;
        if (i + 1 < kStepCount && line[start + group.size()] != ',')
            return std::nullopt;
        const std::string_view intensity = line.substr(start, intensityLength);
        const std::string_view time =
            line.substr(start + intensityLength + 1, group.size() - intensityLength - 1);
        // The layout, not the mode digit, says how the intensity is shown.
        reply.texts.intensity[i] =
            wattsLayout
                ? NormalIntensity(ParseRuleDecimal(intensity).value, 2)
                : NormalIntensity(static_cast<double>(ParseRuleInteger(intensity).value), 1);
        reply.texts.time[i] = NormalTime(ParseRuleDecimal(time).value);
    }
    return reply;
}

} // namespace vq3::model
