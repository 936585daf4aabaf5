#include "model/UnitSettings.h"

#include "model/SettingRules.h"

namespace vq3::model {

bool SettingInRange(int setting, long long value) {
    const SettingRule* rule = RuleOfSetting(setting);
    return rule && InFileRange(*rule, value);
}

} // namespace vq3::model
