#pragma once

#include "link/ReplyDispatch.h"

#include <QDialog>
#include <QHash>

class QKeyEvent;
class QPushButton;

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
    void hideEvent(QHideEvent* event) override;

    QPushButton* Button(int id) const;
    void Send(const QByteArray& command);
    void OnLampButton();
    void OnManualShutter();
    void OnSetAutoTime();
    void PaintIndicators();
    bool FilterKey(QObject* watched, QKeyEvent* event);
    bool FilterIntensity(QPushButton* button, QEvent* event);
    void StartRamp(QPushButton* button, bool byKey, int key);
    void StopRamp();

    CControllerDlg* m_owner = nullptr;
    QHash<int, QWidget*> m_controls;
    // The intensity ramp in progress: the "Up" or "Down" button held, by the mouse or by
    // a key (m_rampKey), null when none. Every INT1/INT2 is followed by exactly one INT0.
    QPushButton* m_rampButton = nullptr;
    bool m_rampByKey = false;
    int m_rampKey = 0;
};

} // namespace vq3::ui
