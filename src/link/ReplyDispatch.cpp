#include "link/ReplyDispatch.h"

#include "link/ReplyTable.h"
#include "model/NumberRules.h"
#include "resources/Messages.h"

#include <climits>
#include <cstring>

namespace vq3::link {

namespace {

using model::UnitSetting;
namespace msg = resources::msg;

// The C library's white space in the C locale, whatever the process locale says.
bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c, int base) {
    int value = base; // not a digit
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'z')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

struct Conversion {
    long value = 0;
    const char* end = nullptr; // first character not used; the start when nothing converted
};

// strtol for bases 10 and 16 in the C locale: leading white space, an optional sign, for
// base 16 an optional "0x" that counts only when a hex digit follows it, then digits up to
// the first character that is not one. Out-of-range values clamp to LONG_MIN / LONG_MAX.
Conversion ConvertLong(const char* text, int base) {
    const char* p = text;
    while (IsCSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2], 16) >= 0)
        p += 2;

    const unsigned long limit = negative ? static_cast<unsigned long>(LONG_MAX) + 1UL
                                         : static_cast<unsigned long>(LONG_MAX);
    unsigned long magnitude = 0;
    bool overflow = false;
    const char* digits = p;
    for (int digit; (digit = DigitValue(*p, base)) >= 0; ++p) {
        const auto d = static_cast<unsigned long>(digit);
        if (overflow || magnitude > (limit - d) / static_cast<unsigned long>(base))
            overflow = true;
        else
            magnitude = magnitude * static_cast<unsigned long>(base) + d;
    }

    Conversion result;
    if (p == digits) {
        result.end = text;
        return result;
    }
    result.end = p;
    if (overflow)
        result.value = negative ? LONG_MIN : LONG_MAX;
    else if (negative)
        result.value = magnitude == limit ? LONG_MIN : -static_cast<long>(magnitude);
    else
        result.value = static_cast<long>(magnitude);
    return result;
}

// The fixed-width digit fields of a classified line: the table has checked they are digits.
int Digits(const char* text, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// "ddd.d" as "%.1f".
QString Tenths(const char* text) {
    const int tenths = Digits(text, 3) * 10 + Digits(text + 4, 1);
    return QString::fromStdString(model::FormatFixed(tenths / 10.0, 1));
}

QString Decimal(int value) {
    return QString::fromStdString(model::FormatInt(value));
}

void UpdateStatus(const char* line, int extended, DeviceState& state, ReplyTarget& target) {
    state.extendedStatus = extended;
    const auto value = static_cast<unsigned long>(ConvertLong(line + 3, 16).value);
    state.StatusWord = static_cast<std::uint16_t>(value & 0xFFFFUL);
    target.StatusChanged();
}

// LAMPERR / LAMPOFF: hundreds of hours; the unit's 00 means "1 hour".
void LampHours(const char* digits, int setting, UnitSetting stored, DeviceState& state,
               ReplyTarget& target) {
    const int hundreds = Digits(digits, 2);
    if (state.ActiveSetting == setting)
        target.SetSettingReadout(hundreds == 0 ? QStringLiteral("1") : Decimal(hundreds * 100));
    state.UnitSettings[stored] = hundreds;
}

void PulseTime(const char* digits, int setting, UnitSetting stored, DeviceState& state,
               ReplyTarget& target) {
    const int ms = Digits(digits, 3);
    if (state.ActiveSetting == setting)
        target.SetSettingReadout(Decimal(ms));
    state.UnitSettings[stored] = ms;
}

// IB / SRESP: 1 is list entry 0, 0 is list entry 1; other digits change nothing.
void OnOffChoice(char digit, int setting, UnitSetting stored, DeviceState& state,
                 ReplyTarget& target) {
    if (digit != '0' && digit != '1')
        return;
    const int value = digit - '0';
    if (state.ActiveSetting == setting)
        target.SelectSettingChoice(value == 1 ? 0 : 1);
    state.UnitSettings[stored] = value;
}

void ProgramMode(int steps, DeviceState& state, ReplyTarget& target) {
    if (state.ActiveSetting == 2)
        target.SelectSettingChoice(steps == 1 ? 1 : 0);
    state.UnitSettings[UnitSetting::ProgramMode] = steps;
}

} // namespace

int ScanNg(const char* line) {
    const char* ng = line ? std::strstr(line, "NG") : nullptr;
    if (ng == nullptr)
        return 0;
    const Conversion number = ConvertLong(ng + 2, 10);
    if (*number.end != '\0')
        return 0;
    if (number.value >= 1 && number.value <= 5)
        return msg::Ng01 + static_cast<int>(number.value) - 1;
    return 0;
}

void DispatchReply(const char* line, DeviceState& state, ReplyTarget& target) {
    switch (ClassifyReply(line)) {
    case StatusShort:
        UpdateStatus(line, 0, state, target);
        break;
    case StatusLong:
        UpdateStatus(line, 1, state, target);
        break;
    case Version:
    case Model:
        break;
    case ProgramPercent:
        target.ShowProgramReplyPercent(line);
        break;
    case ProgramWatts:
        target.ShowProgramReplyWatts(line);
        break;
    case ControlMode:
        // The control mode is not kept: only an open dialog shows it.
        if (state.ActiveSetting == 1 && (line[3] == '0' || line[3] == '1'))
            target.SelectSettingChoice(line[3] == '0' ? 1 : 0);
        break;
    case AutoTime:
        target.SetReadout(Readout::AutoTime, Tenths(line + 2));
        break;
    case RestTime:
        target.SetReadout(Readout::RestTime, Tenths(line + 3));
        break;
    case RestTimeOk:
        target.SetReadout(Readout::RestTime, Tenths(line + 5));
        break;
    case Intensity:
        target.SetReadout(Readout::Intensity, Decimal(Digits(line + 3, 3)));
        break;
    case Step:
        target.ShowStepReply(line);
        break;
    case LampTime:
        target.SetReadout(Readout::LampTime, Decimal(Digits(line + 5, 4)));
        break;
    case LampAlarm:
        LampHours(line + 7, 3, UnitSetting::LampAlarmTime, state, target);
        break;
    case LampOffTime:
        LampHours(line + 7, 4, UnitSetting::ForcedLampOffTime, state, target);
        break;
    case InstantRecovery:
        OnOffChoice(line[2], 5, UnitSetting::InstantRecovery, state, target);
        break;
    case ShutterResponse:
        OnOffChoice(line[5], 6, UnitSetting::ShutterResponse, state, target);
        break;
    case OpenPulse:
        PulseTime(line + 5, 7, UnitSetting::ShutterOpenPulse, state, target);
        break;
    case ClosePulse:
        PulseTime(line + 5, 8, UnitSetting::ShutterClosePulse, state, target);
        break;
    case OneStep:
        ProgramMode(1, state, target);
        break;
    case SevenStep:
        ProgramMode(7, state, target);
        break;
    case MemoryStepError:
        target.ReportDeviceError(resources::Message(msg::Err05));
        break;
    case CommandError:
        target.ReportDeviceError(resources::Message(msg::Err));
        break;
    case Unrecognised:
        if (const int message = ScanNg(line))
            target.ReportDeviceError(resources::Message(message));
        break;
    }
}

} // namespace vq3::link
