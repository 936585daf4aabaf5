#include "ProgramText.h"

#include "WireText.h"

#include <algorithm>

namespace vq3::sim {

namespace {

// One step group at the start of text: intensity, ",", time. The group's length is implied
// by the layout: 9 characters in percent, 10 in watts.
std::optional<ProgramStep> ParseStep(QByteArrayView group, bool watts) {
    const qsizetype intensityLength = watts ? 4 : 3;
    if (group[intensityLength] != ',')
        return std::nullopt;
    const auto tenths = wire::TenthsValue(group.sliced(intensityLength + 1, 5));
    if (!tenths)
        return std::nullopt;
    const QByteArrayView intensity = group.first(intensityLength);
    if (watts) {
        const auto hundredths = wire::HundredthsValue(intensity);
        if (!hundredths)
            return std::nullopt;
        // Rounded to the nearest percent of full power.
        const int percent = (*hundredths * 100 + kFullPowerHundredths / 2) / kFullPowerHundredths;
        return ProgramStep{std::min(percent, 100), *tenths};
    }
    const auto percent = wire::Digits(intensity);
    if (!percent || *percent > 100)
        return std::nullopt;
    return ProgramStep{*percent, *tenths};
}

} // namespace

std::optional<ParsedProgram> ParseProgram(QByteArrayView text) {
    const bool watts = text.size() == kWattsProgramLength;
    if (!watts && text.size() != kPercentProgramLength)
        return std::nullopt;
    if (!text.startsWith("CURE") || text[7] != ':')
        return std::nullopt;
    ParsedProgram program;
    const auto number = wire::Digits(text.sliced(4, 1));
    const auto shutterMode = wire::Digits(text.sliced(5, 1));
    const auto intensityMode = wire::Digits(text.sliced(6, 1));
    if (!number || *number < 1 || !shutterMode || *shutterMode < 1 || *shutterMode > 2 ||
        !intensityMode || *intensityMode != (watts ? 2 : 1))
        return std::nullopt;
    program.number = *number;
    program.shutterMode = *shutterMode;
    program.intensityMode = *intensityMode;

    const qsizetype groupLength = watts ? 10 : 9;
    qsizetype at = 8;
    for (int i = 0; i < kProgramSteps; ++i) {
        if (i > 0) {
            if (text[at] != ',')
                return std::nullopt;
            ++at;
        }
        const auto step = ParseStep(text.sliced(at, groupLength), watts);
        if (!step)
            return std::nullopt;
        program.steps[static_cast<size_t>(i)] = *step;
        at += groupLength;
    }
    return program;
}

QByteArray EmptyProgram(int number) {
    QByteArray text = "CURE" + wire::Decimal(number) + "11:";
    for (int i = 0; i < kProgramSteps; ++i)
        text += i == 0 ? "000,000.0" : ",000,000.0";
    return text;
}

} // namespace vq3::sim
