#pragma once

#include <QLoggingCategory>

namespace vq3::link {

// What happens to the port, one line each on standard error (and so in the journal when the
// program is started from the desktop): failed opens, lost devices, reconnections.
Q_DECLARE_LOGGING_CATEGORY(lcPort)
// Every line dispatched, with the monotonic clock in milliseconds; off unless asked for with
// QT_LOGGING_RULES="vq3.traffic.debug=true" (the latency benchmark uses it).
Q_DECLARE_LOGGING_CATEGORY(lcTraffic)

} // namespace vq3::link
