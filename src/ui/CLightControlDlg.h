#pragma once

#include "link/ReplyDispatch.h"
#include "ui/ToolWindow.h"

#include <QByteArray>

#include <cstdint>

class QKeyEvent;
class QPushButton;

namespace vq3::ui {

// The operator's panel for lamp, intensity, lamp time, status and shutter. Every action asks
// for at most one command and returns; the unit's answers come back as read-outs and status.
class CLightControlDlg : public ToolWindow {
    Q_OBJECT
public:
    CLightControlDlg();

    // A box owned by this window, caption "Error".
    void ShowError(const QString& text);
    void SetReadout(link::Readout readout, const QString& text);
    // The last status the unit reported: lamp and shutter captions, the six indicators, and
    // what the lamp and shutter buttons ask for next.
    void ShowStatus(std::uint16_t statusWord, int extendedStatus);
    // The twelve push buttons and the lamp time read-out; never the auto time field.
    void EnableOperations(bool enable);

signals:
    void sendCommand(const QByteArray& command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPushButton* Button(int id) const;
    void OnLampButton();
    void OnManualShutter();
    void OnSetAutoTime();
    void PaintIndicators();
    bool FilterKey(QObject* watched, QKeyEvent* event);
    bool FilterIntensity(QPushButton* button, QEvent* event);
    void StartRamp(QPushButton* button, bool byKey, int key);
    void StopRamp();

    std::uint16_t m_statusWord = 0;
    int m_extendedStatus = 0;
    // The intensity ramp in progress: the "Up" or "Down" button held, by the mouse or by
    // a key (m_rampKey), null when none. Every INT1/INT2 is followed by exactly one INT0.
    QPushButton* m_rampButton = nullptr;
    bool m_rampByKey = false;
    int m_rampKey = 0;
};

} // namespace vq3::ui
