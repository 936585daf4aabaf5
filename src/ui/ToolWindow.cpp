#include "ui/ToolWindow.h"

#include "app/Profile.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace vq3::ui {

namespace {
const QString kSection = QStringLiteral("INIT");
} // namespace

ToolWindow::ToolWindow(const QString& objectName, const QString& keyPrefix)
    : QDialog(nullptr), m_keyPrefix(keyPrefix) {
    setObjectName(objectName);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void ToolWindow::LoadPlace(const app::Profile& profile, QSize screen) {
    m_ptPlace = {profile.ReadInt(kSection, m_keyPrefix + QStringLiteral("_X"), 0),
                 profile.ReadInt(kSection, m_keyPrefix + QStringLiteral("_Y"), 0)};
    if (m_ptPlace.x() >= screen.width() || m_ptPlace.y() >= screen.height())
        m_ptPlace = QPoint(0, 0);
    move(m_ptPlace);
}

void ToolWindow::SavePlace(app::Profile& profile) const {
    profile.WriteInt(kSection, m_keyPrefix + QStringLiteral("_X"), m_ptPlace.x());
    profile.WriteInt(kSection, m_keyPrefix + QStringLiteral("_Y"), m_ptPlace.y());
}

void ToolWindow::ShowWithoutActivating() {
    m_bShown = true;
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
}

void ToolWindow::HideWindow() {
    m_bShown = false;
    hide();
}

void ToolWindow::keyPressEvent(QKeyEvent* event) {
    // Neither Escape nor Return ends or hides a tool window.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ToolWindow::reject() {
    // The close box: hidden, never destroyed; the main window unchecks its menu item.
    HideWindow();
    emit closedByOperator();
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void ToolWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // Only a place the operator can see is worth keeping.
    if (isVisible() && !isMinimized())
        m_ptPlace = frameGeometry().topLeft();
}

} // namespace vq3::ui
