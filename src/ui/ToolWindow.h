#pragma once

#include "ui/ErrorBoxQueue.h"

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QSize>

namespace vq3::app {
class Profile;
}

namespace vq3::ui {

// A tool window beside the main window (Light Control, Terminal): a parentless top-level
// window, so the main window's modal boxes never block it; created hidden, shown and hidden
// from the main window's "&Display" menu, only hidden by its close box, never by Escape or
// Return. It keeps its own place on the screen in the profile.
class ToolWindow : public QDialog {
    Q_OBJECT
public:
    // keyPrefix names its profile keys: "CONT" for CONT_X and CONT_Y.
    ToolWindow(const QString& objectName, const QString& keyPrefix);

    // The stored place; one at or beyond the screen's right or bottom edge becomes (0, 0).
    // Negative places (a monitor left of the main one) are kept. The window goes there.
    void LoadPlace(const app::Profile& profile, QSize screen);
    void SavePlace(app::Profile& profile) const;
    QPoint Place() const { return m_ptPlace; }

    bool IsShown() const { return m_bShown; }
    // Shows the window without taking the focus from the main window.
    void ShowWithoutActivating();
    void HideWindow();

    QWidget* Control(int id) const { return m_controls.value(id); }

    // A box owned by this window, caption "Error", that waits for nothing: reception and
    // the other windows go on while it is open; a later one follows it.
    void ShowError(const QString& text) { m_errorBoxes.Show(text, QStringLiteral("Error")); }

signals:
    // The close box hid the window.
    void closedByOperator();

protected:
    void SetControls(QHash<int, QWidget*> controls) { m_controls = std::move(controls); }
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    QString m_keyPrefix;
    QPoint m_ptPlace;
    bool m_bShown = false;
    QHash<int, QWidget*> m_controls;
    ErrorBoxQueue m_errorBoxes{this};
};

} // namespace vq3::ui
