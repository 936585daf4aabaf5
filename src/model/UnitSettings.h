#pragma once

#include <array>

namespace vq3::model {

// The seven unit settings kept in the settings file, in file order.
enum UnitSetting : int {
    ProgramMode = 0,       // 1 or 7 (steps)
    LampAlarmTime = 1,     // hundreds of hours, 0..99
    ForcedLampOffTime = 2, // hundreds of hours, 0..99
    InstantRecovery = 3,   // 0 off, 1 on
    ShutterResponse = 4,   // 0 low, 1 high
    ShutterOpenPulse = 5,  // ms, 0..999
    ShutterClosePulse = 6, // ms, 0..999
};
inline constexpr int kUnitSettingCount = 7;

// -1 means "not yet received".
using UnitSettingsRecord = std::array<int, kUnitSettingCount>;
inline constexpr UnitSettingsRecord kNoSettings = {-1, -1, -1, -1, -1, -1, -1};

// Valid values of each setting as the settings file accepts them.
bool SettingInRange(int setting, long long value);

} // namespace vq3::model
