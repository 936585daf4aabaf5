#include "model/UnitSettings.h"

namespace vq3::model {

bool SettingInRange(int setting, long long value) {
    switch (setting) {
    case ProgramMode:
        return value == 1 || value == 7;
    case LampAlarmTime:
    case ForcedLampOffTime:
        return value >= 0 && value <= 99;
    case InstantRecovery:
    case ShutterResponse:
        return value == 0 || value == 1;
    case ShutterOpenPulse:
    case ShutterClosePulse:
        return value >= 0 && value <= 999;
    default:
        return false;
    }
}

} // namespace vq3::model
