// The unit's program read-back ("CURE" + 73 or + 80 characters) through the decoder, in both
// layouts. A reply is taken exactly when every character has its place in the layout, and a
// taken reply, sent back with the same digits, gives the same line again.
#include "FuzzSupport.h"

#include "model/MemoryStepProgram.h"
#include "model/NumberRules.h"

#include <string>
#include <string_view>

using namespace vq3;

namespace {

// 'd' is any decimal digit, every other character stands for itself.
std::string Layout(bool watts) {
    const std::string group = watts ? "d.dd,ddd.d" : "ddd,ddd.d";
    std::string layout = "CUREddd:";
    for (int i = 0; i < model::kStepCount; ++i) {
        if (i > 0)
            layout += ',';
        layout += group;
    }
    return layout;
}

bool Fits(std::string_view line, const std::string& layout) {
    if (line.size() != layout.size())
        return false;
    for (size_t i = 0; i < layout.size(); ++i) {
        const char c = line[i];
        if (layout[i] == 'd' ? c < '0' || c > '9' : c != layout[i])
            return false;
    }
    return true;
}

void CheckLayout(std::string_view line, bool watts) {
    static const std::string layouts[2] = {Layout(false), Layout(true)};
    const std::string& layout = layouts[watts ? 1 : 0];
    const std::optional<model::ProgramReply> reply = model::DecodeProgramReply(line, watts);
    FUZZ_CHECK(reply.has_value() == Fits(line, layout));
    if (!reply)
        return;

    FUZZ_CHECK(reply->programDigit == line[4] - '0');
    FUZZ_CHECK(reply->shutterDigit == line[5] - '0');
    FUZZ_CHECK(reply->intensityDigit == line[6] - '0');

    // The fields in normal form read back as the values the unit sent (which may lie outside
    // what the editor accepts, 999 % for one).
    const int mode = watts ? 2 : 1;
    std::array<model::MemoryStep, model::kStepCount> steps{};
    for (int i = 0; i < model::kStepCount; ++i) {
        const std::string& intensity = reply->texts.intensity[static_cast<size_t>(i)];
        const std::string& time = reply->texts.time[static_cast<size_t>(i)];
        model::MemoryStep& step = steps[static_cast<size_t>(i)];
        if (watts) {
            const model::DecimalValue value = model::ParseRuleDecimal(intensity);
            FUZZ_CHECK(value.check == model::NumberCheck::Ok);
            step.intensity = value.value;
        } else {
            const model::IntegerValue value = model::ParseRuleInteger(intensity);
            FUZZ_CHECK(value.check == model::NumberCheck::Ok);
            step.intensity = static_cast<double>(value.value);
        }
        const model::DecimalValue seconds = model::ParseRuleDecimal(time);
        FUZZ_CHECK(seconds.check == model::NumberCheck::Ok);
        step.shutterTime = seconds.value;
    }
    FUZZ_CHECK(model::NormalTexts(steps, mode).intensity == reply->texts.intensity);
    FUZZ_CHECK(model::NormalTexts(steps, mode).time == reply->texts.time);

    model::MemoryStepProgram program;
    program.programNumber = reply->programDigit;
    program.shutterMode = reply->shutterDigit;
    program.intensityMode = mode;
    program.steps = steps;
    std::string sent(line);
    sent[6] = static_cast<char>('0' + mode); // the layout, not the digit, chose the form
    FUZZ_CHECK(model::EncodeCure(program) == sent);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    CheckLayout(line, false);
    CheckLayout(line, true);
    return 0;
}
