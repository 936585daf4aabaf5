#pragma once

#include "link/ReplyDispatch.h"

#include <QDialog>
#include <QHash>

namespace vq3::ui {

class CControllerDlg;

// The operator's panel for lamp, intensity, lamp time, status and shutter. A parentless
// top-level window created hidden by the main window and only hidden by its close box.
class CLightControlDlg : public QDialog {
    Q_OBJECT
public:
    CLightControlDlg();
    ~CLightControlDlg() override;

    void SetMainWindow(CControllerDlg* owner);
    // A box owned by this window, caption "Error".
    void ShowError(const QString& text);
    void SetReadout(link::Readout readout, const QString& text);
    // Lamp and shutter captions and the six indicators from the owner's StatusWord.
    void StatusChanged();
    // The twelve push buttons and the lamp time read-out; never the auto time field.
    void EnableOperations(bool enable);
    QWidget* Control(int id) const { return m_controls.value(id); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    CControllerDlg* m_owner = nullptr;
    QHash<int, QWidget*> m_controls;
};

} // namespace vq3::ui
