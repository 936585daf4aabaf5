#include "ui/ErrorBoxQueue.h"

#include "ui/Prompter.h"

namespace vq3::ui {

void ErrorBoxQueue::Show(const QString& text, const QString& caption) {
    m_waiting.append({text, caption});
    if (!m_open)
        ShowNext();
}

void ErrorBoxQueue::ShowNext() {
    if (m_waiting.isEmpty() || !m_owner)
        return;
    const auto [text, caption] = m_waiting.takeFirst();
    m_open = true;
    // The box goes with its owner; so does this queue.
    QPointer<QWidget> owner = m_owner;
    prompter().ShowNotice(owner, text, caption, [this, owner] {
        if (!owner)
            return;
        m_open = false;
        ShowNext();
    });
}

} // namespace vq3::ui
