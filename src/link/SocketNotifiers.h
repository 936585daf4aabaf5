#pragma once

#include <QSocketNotifier>

#include <initializer_list>

namespace vq3::link {

// Stops watching a descriptor that is about to be closed. The notifiers go at the next turn
// of the event loop, not at once: this may run inside one of their own signals.
inline void DropNotifiers(std::initializer_list<QSocketNotifier**> notifiers) {
    for (QSocketNotifier** notifier : notifiers) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
        }
        *notifier = nullptr;
    }
}

} // namespace vq3::link
