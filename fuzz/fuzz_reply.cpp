// One reply line through classification and dispatch, with a random open setting dialog.
// Every line is checked against the rule table row by row, and every handler's effect is
// checked against the C library's own conversions of the line (the process stays in the C
// locale here).
#include "FuzzSupport.h"

#include "link/ReplyDispatch.h"
#include "link/ReplyTable.h"
#include "model/MemoryStepProgram.h"
#include "resources/Messages.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace vq3;
using fuzz::FuzzInput;

namespace {

enum class CallKind {
    StatusChanged,
    ProgramPercent,
    ProgramWatts,
    StepReply,
    Readout,
    SettingChoice,
    SettingReadout,
    DeviceError
};

struct Call {
    explicit Call(CallKind k, int n = 0, QString t = {}, const char* l = nullptr)
        : kind(k), number(n), text(std::move(t)), line(l) {}

    CallKind kind;
    int number; // the read-out or the list index
    QString text;
    const char* line; // the line handed on, for the program and step replies
};

// Records every call; program replies also go through the decoder, as the main window does.
class RecordingTarget : public link::ReplyTarget {
public:
    std::vector<Call> calls;

    void StatusChanged() override { calls.emplace_back(CallKind::StatusChanged); }
    void ShowProgramReplyPercent(const char* line) override {
        calls.emplace_back(CallKind::ProgramPercent, 0, QString(), line);
        Decode(line, false);
    }
    void ShowProgramReplyWatts(const char* line) override {
        calls.emplace_back(CallKind::ProgramWatts, 0, QString(), line);
        Decode(line, true);
    }
    void ShowStepReply(const char* line) override {
        calls.emplace_back(CallKind::StepReply, 0, QString(), line);
    }
    void SetReadout(link::Readout readout, const QString& text) override {
        calls.emplace_back(CallKind::Readout, static_cast<int>(readout), text);
    }
    void SelectSettingChoice(int index) override {
        calls.emplace_back(CallKind::SettingChoice, index);
    }
    void SetSettingReadout(const QString& text) override {
        calls.emplace_back(CallKind::SettingReadout, 0, text);
    }
    void ReportDeviceError(const QString& text) override {
        calls.emplace_back(CallKind::DeviceError, 0, text);
    }

private:
    static void Decode(const char* line, bool watts) {
        const std::optional<model::ProgramReply> reply = model::DecodeProgramReply(line, watts);
        if (reply) {
            FUZZ_CHECK(reply->programDigit == line[4] - '0');
            FUZZ_CHECK(reply->shutterDigit == line[5] - '0');
            FUZZ_CHECK(reply->intensityDigit == line[6] - '0');
        }
    }
};

// One table row against the line, written out independently of the classifier.
bool RowMatches(const link::ReplyRule& rule, const std::string& line) {
    const std::string prefix = rule.prefix;
    if (line.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string rest = line.substr(prefix.size());
    if (static_cast<int>(rest.size()) != rule.restLength)
        return false;
    if (rule.pointPosition < 0)
        return true;
    for (int i = 0; i < static_cast<int>(rest.size()); ++i) {
        const bool point = rule.pointPosition > 0 && i == rule.pointPosition;
        const char c = rest[static_cast<size_t>(i)];
        if (point ? c != '.' : (c < '0' || c > '9'))
            return false;
    }
    return true;
}

QString Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

QString PrintedInt(long value) {
    return QString::number(value);
}

long DecimalAt(const char* text) {
    return std::strtol(text, nullptr, 10);
}

// The calls a line must cause, and the state it must leave, for its class.
struct Expectation {
    std::vector<Call> calls;
    link::DeviceState state;
};

Expectation Expect(link::ReplyCode code, const std::string& text, const link::DeviceState& before) {
    using namespace link;
    using model::UnitSetting;
    const char* line = text.c_str();
    Expectation e;
    e.state = before;
    const int active = before.ActiveSetting;
    const auto readout = [&](Readout which, const QString& shown) {
        e.calls.emplace_back(CallKind::Readout, static_cast<int>(which), shown);
    };
    const auto choice = [&](int setting, int index) {
        if (active == setting)
            e.calls.emplace_back(CallKind::SettingChoice, index);
    };
    const auto settingReadout = [&](int setting, const QString& shown) {
        if (active == setting)
            e.calls.emplace_back(CallKind::SettingReadout, 0, shown);
    };
    const auto hours = [&](int setting, UnitSetting stored) {
        const long n = DecimalAt(line + 7);
        settingReadout(setting, n == 0 ? QStringLiteral("1") : PrintedInt(n * 100));
        e.state.UnitSettings[stored] = static_cast<int>(n);
    };
    const auto pulse = [&](int setting, UnitSetting stored) {
        const long n = DecimalAt(line + 5);
        settingReadout(setting, PrintedInt(n));
        e.state.UnitSettings[stored] = static_cast<int>(n);
    };
    const auto onOff = [&](char digit, int setting, UnitSetting stored) {
        if (digit != '0' && digit != '1')
            return;
        choice(setting, digit == '1' ? 0 : 1);
        e.state.UnitSettings[stored] = digit - '0';
    };
    const auto error = [&](int message) {
        e.calls.emplace_back(CallKind::DeviceError, 0, resources::Message(message));
    };

    switch (code) {
    case StatusShort:
    case StatusLong:
        e.state.extendedStatus = code == StatusLong ? 1 : 0;
        e.state.StatusWord = static_cast<std::uint16_t>(
            static_cast<unsigned long>(std::strtol(line + 3, nullptr, 16)) & 0xFFFFUL);
        e.calls.emplace_back(CallKind::StatusChanged);
        break;
    case Version:
    case Model:
        break;
    case ProgramPercent:
        e.calls.emplace_back(CallKind::ProgramPercent, 0, QString(), line);
        break;
    case ProgramWatts:
        e.calls.emplace_back(CallKind::ProgramWatts, 0, QString(), line);
        break;
    case ControlMode:
        if (line[3] == '0' || line[3] == '1')
            choice(1, line[3] == '0' ? 1 : 0);
        break;
    case AutoTime:
        readout(Readout::AutoTime, Printed("%.1f", std::strtod(line + 2, nullptr)));
        break;
    case RestTime:
        readout(Readout::RestTime, Printed("%.1f", std::strtod(line + 3, nullptr)));
        break;
    case RestTimeOk:
        readout(Readout::RestTime, Printed("%.1f", std::strtod(line + 5, nullptr)));
        break;
    case Intensity:
        readout(Readout::Intensity, PrintedInt(DecimalAt(line + 3)));
        break;
    case Step:
        e.calls.emplace_back(CallKind::StepReply, 0, QString(), line);
        break;
    case LampTime:
        readout(Readout::LampTime, PrintedInt(DecimalAt(line + 5)));
        break;
    case LampAlarm:
        hours(3, UnitSetting::LampAlarmTime);
        break;
    case LampOffTime:
        hours(4, UnitSetting::ForcedLampOffTime);
        break;
    case InstantRecovery:
        onOff(line[2], 5, UnitSetting::InstantRecovery);
        break;
    case ShutterResponse:
        onOff(line[5], 6, UnitSetting::ShutterResponse);
        break;
    case OpenPulse:
        pulse(7, UnitSetting::ShutterOpenPulse);
        break;
    case ClosePulse:
        pulse(8, UnitSetting::ShutterClosePulse);
        break;
    case OneStep:
    case SevenStep:
        choice(2, code == OneStep ? 1 : 0);
        e.state.UnitSettings[UnitSetting::ProgramMode] = code == OneStep ? 1 : 7;
        break;
    case MemoryStepError:
        error(resources::msg::Err05);
        break;
    case CommandError:
        error(resources::msg::Err);
        break;
    case Unrecognised: {
        // The first "NG", then a base-10 number that must reach the end of the line.
        const char* ng = std::strstr(line, "NG");
        if (ng == nullptr)
            break;
        char* end = nullptr;
        const long number = std::strtol(ng + 2, &end, 10);
        if (*end == '\0' && number >= 1 && number <= 5)
            error(resources::msg::Ng01 + static_cast<int>(number) - 1);
        break;
    }
    }
    return e;
}

bool SameCall(const Call& a, const Call& b) {
    return a.kind == b.kind && a.number == b.number && a.text == b.text && a.line == b.line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    link::DeviceState state;
    // Mostly the real dialog numbers 0..8, sometimes anything at all.
    const std::uint8_t selector = input.Byte();
    state.ActiveSetting = selector < 216 ? selector % 9 : input.Int32();
    const std::uint8_t status = input.Byte();
    state.StatusWord = static_cast<std::uint16_t>(status * 0x0101U);
    state.extendedStatus = status & 1;
    for (int& setting : state.UnitSettings)
        setting = static_cast<std::int8_t>(input.Byte());
    // The channel hands over NUL-terminated text: whatever follows a NUL is not part of it.
    const std::string raw = input.Rest();
    const std::string line = raw.substr(0, raw.find('\0'));

    const link::ReplyCode code = link::ClassifyReply(line.c_str());
    FUZZ_CHECK(code >= 0 && code <= 23);
    int matchingRows = 0;
    for (const link::ReplyRule& rule : link::ReplyRules()) {
        if (rule.prefix[0] == '\0')
            break;
        if (RowMatches(rule, line)) {
            ++matchingRows;
            FUZZ_CHECK(rule.code == code);
        }
    }
    FUZZ_CHECK(matchingRows == (code == link::Unrecognised ? 0 : 1));

    const link::DeviceState before = state;
    RecordingTarget target;
    link::DispatchReply(line.c_str(), state, target);
    const Expectation expected = Expect(code, line, before);

    FUZZ_CHECK(target.calls.size() == expected.calls.size());
    for (size_t i = 0; i < target.calls.size(); ++i)
        FUZZ_CHECK(SameCall(target.calls[i], expected.calls[i]));
    FUZZ_CHECK(state.StatusWord == expected.state.StatusWord);
    FUZZ_CHECK(state.extendedStatus == expected.state.extendedStatus);
    FUZZ_CHECK(state.UnitSettings == expected.state.UnitSettings);
    FUZZ_CHECK(state.ActiveSetting == before.ActiveSetting);
    for (const int value : state.UnitSettings)
        FUZZ_CHECK(value >= -128 && value <= 999);

    // A null line is dropped like an unrecognised one.
    RecordingTarget idle;
    link::DispatchReply(nullptr, state, idle);
    FUZZ_CHECK(idle.calls.empty());
    FUZZ_CHECK(link::ClassifyReply(nullptr) == link::Unrecognised);
    return 0;
}
