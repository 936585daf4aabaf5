#include "link/LinkLog.h"

namespace vq3::link {

Q_LOGGING_CATEGORY(lcPort, "vq3.port", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTraffic, "vq3.traffic", QtInfoMsg)

} // namespace vq3::link
