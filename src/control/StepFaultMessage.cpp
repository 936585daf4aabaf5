#include "control/StepFaultMessage.h"

#include "resources/Messages.h"

namespace vq3::control {

int StepFaultMessage(model::StepFault fault) {
    namespace msg = resources::msg;
    switch (fault) {
    case model::StepFault::IntensityMalformed:
        return msg::IntensityWrong;
    case model::StepFault::IntensityOutOfRange:
        return msg::IntensityOutOfRange;
    case model::StepFault::TimeMalformed:
        return msg::TimeWrong;
    case model::StepFault::TimeOutOfRange:
        return msg::TimeOutOfRange;
    case model::StepFault::None:
        break;
    }
    return 0;
}

} // namespace vq3::control
