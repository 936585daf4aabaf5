#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace vq3::ui {

// The error boxes of one window. A box is shown without waiting for it, so nothing that
// shows one stops the link; while one is open, later ones wait and follow it in order.
class ErrorBoxQueue {
public:
    explicit ErrorBoxQueue(QWidget* owner) : m_owner(owner) {}

    void Show(const QString& text, const QString& caption);

private:
    void ShowNext();

    QPointer<QWidget> m_owner;
    QList<QPair<QString, QString>> m_waiting; // text, caption
    bool m_open = false;
};

} // namespace vq3::ui
