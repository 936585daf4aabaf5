#include "control/UnitStatus.h"

namespace vq3::control {

bool IndicatorLit(int indicator, std::uint16_t statusWord, int extendedStatus) {
    if (indicator >= 0 && indicator <= 4)
        return (statusWord & (1U << indicator)) != 0;
    if (indicator == 5)
        return (statusWord & (extendedStatus ? status::LongError : status::ShortError)) != 0;
    return false;
}

} // namespace vq3::control
