#pragma once

#include <functional>

class QObject;

namespace vq3::app {

// SIGTERM and SIGINT become a call of `handler` from the event loop (never inside the signal
// handler), for as long as `context` lives.
void OnTerminationSignals(QObject* context, std::function<void()> handler);

} // namespace vq3::app
