#pragma once

#include <array>

namespace vq3::model {

// The seven unit settings kept in the settings file, in file order. Their units and ranges
// are in SettingRules.h.
enum UnitSetting : int {
    ProgramMode = 0,
    LampAlarmTime = 1,
    ForcedLampOffTime = 2,
    InstantRecovery = 3,
    ShutterResponse = 4,
    ShutterOpenPulse = 5,
    ShutterClosePulse = 6,
};
inline constexpr int kUnitSettingCount = 7;

// -1 means "not yet received".
using UnitSettingsRecord = std::array<int, kUnitSettingCount>;
inline constexpr UnitSettingsRecord kNoSettings = {-1, -1, -1, -1, -1, -1, -1};

// Valid values of each setting as the settings file accepts them.
bool SettingInRange(int setting, long long value);

} // namespace vq3::model
