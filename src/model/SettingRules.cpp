#include "model/SettingRules.h"

#include "resources/Messages.h"

namespace vq3::model {

namespace {

namespace msg = resources::msg;
using enum SettingUnit;

constexpr SettingRange kNone = {0, 0};
constexpr std::array<int, 2> kNoEntries = {0, 0};
constexpr std::array<int, 2> kOneZero = {1, 0};  // COM port, on, high first
constexpr std::array<int, 2> kSevenOne = {7, 1}; // 7 steps first
constexpr SettingRange kHundreds = {0, 99};      // 0 to 9999 hours
constexpr SettingRange kDialogPulse = {5, 500};
constexpr SettingRange kFilePulse = {0, 999}; // whatever the unit reported
constexpr int kHoursMessage = msg::ValueHoursOutOfRange;
constexpr int kPulseMessage = msg::ValuePulseOutOfRange;

// By kind: kind, setting, key, unit, title; choice entries; dialog range and its message,
// file range, initial text. Entry 0 of a choice is the first of the pair the unit knows.
constexpr SettingRule kRules[] = {
    // "Controll Mode"
    {1, -1, nullptr, Source, 41, kOneZero, kNone, 0, kNone, nullptr},
    // "Program Mode"
    {2, ProgramMode, "ProgramMode", Steps, 44, kSevenOne, kNone, 0, kNone, nullptr},
    // "Lamp Alarm Time"
    {3, LampAlarmTime, "LampAlarmTime", Hours, 53, kNoEntries, kHundreds, kHoursMessage, kHundreds,
     "3000"},
    // "Forced Lamp Off Time"
    {4, ForcedLampOffTime, "ForcedLampOffTime", Hours, 54, kNoEntries, kHundreds, kHoursMessage,
     kHundreds, "5000"},
    // "Instantaneous Recovery"
    {5, InstantRecovery, "InstantaneousRecovery", OnOff, 47, kOneZero, kNone, 0, kNone, nullptr},
    // "Shutter Response"
    {6, ShutterResponse, "ShutterResponse", HighLow, 50, kOneZero, kNone, 0, kNone, nullptr},
    // "Shutter Open Pulse Time"
    {7, ShutterOpenPulse, "ShutterOpenPulseTime", Milliseconds, 55, kNoEntries, kDialogPulse,
     kPulseMessage, kFilePulse, "500"},
    // "Shutter Close Pulse Time"
    {8, ShutterClosePulse, "ShutterClosePulseTime", Milliseconds, 56, kNoEntries, kDialogPulse,
     kPulseMessage, kFilePulse, "500"},
};

bool Within(SettingRange range, long long value) {
    return value >= range.minimum && value <= range.maximum;
}

bool IsEntry(const SettingRule& rule, long long value) {
    return value == rule.entries[0] || value == rule.entries[1];
}

} // namespace

const SettingRule* RuleOfKind(int kind) {
    for (const SettingRule& rule : kRules)
        if (rule.kind == kind)
            return &rule;
    return nullptr;
}

const SettingRule* RuleOfSetting(int setting) {
    if (setting < 0)
        return nullptr;
    for (const SettingRule& rule : kRules)
        if (rule.setting == setting)
            return &rule;
    return nullptr;
}

bool IsChoice(const SettingRule& rule) {
    return rule.unit != SettingUnit::Hours && rule.unit != SettingUnit::Milliseconds;
}

long long SentValue(const SettingRule& rule, long long typed) {
    return rule.unit == SettingUnit::Hours ? typed / 100 : typed;
}

long long TypedValue(const SettingRule& rule, long long sent) {
    return rule.unit == SettingUnit::Hours ? sent * 100 : sent;
}

bool InDialogRange(const SettingRule& rule, long long sent) {
    return IsChoice(rule) ? IsEntry(rule, sent) : Within(rule.dialog, sent);
}

bool InFileRange(const SettingRule& rule, long long sent) {
    return IsChoice(rule) ? IsEntry(rule, sent) : Within(rule.file, sent);
}

} // namespace vq3::model
