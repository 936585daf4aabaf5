#pragma once

#include "control/UnitStatus.h"
#include "ui/ToolWindow.h"

#include <QByteArray>

#include <cstdint>

class QKeyEvent;
class QPushButton;

namespace vq3::control {
class UnitController;
}

namespace vq3::ui {

// The operator's panel for lamp, intensity, lamp time, status and shutter: a view of the unit.
// Every action asks the unit for at most one thing and returns; the unit's answers come back
// as read-outs and status.
class CLightControlDlg : public ToolWindow {
    Q_OBJECT
public:
    explicit CLightControlDlg(control::UnitController& unit);

    // A box owned by this window, caption "Error".

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetReadout(control::Readout readout, const QString& text);
    // The last status the unit reported: lamp and shutter captions and the six indicators.
    void ShowStatus(std::uint16_t statusWord, int extendedStatus);
    // The twelve push buttons and the lamp time read-out; never the auto time field.
    void EnableOperations(bool enable);
    QPushButton* Button(int id) const;
    void OnSetAutoTime();
    void PaintIndicators();
    bool FilterKey(QObject* watched, QKeyEvent* event);
    bool FilterIntensity(QPushButton* button, QEvent* event);
    void StartRamp(QPushButton* button, bool byKey, int key);
    void StopRamp();
    void ReleaseRampButton();

    control::UnitController& m_unit;
    std::uint16_t m_statusWord = 0;
    int m_extendedStatus = 0;
    // The intensity hold in progress: the "Up" or "Down" button held, by the mouse or by
    // a key (m_rampKey), null when none.
    QPushButton* m_rampButton = nullptr;
    bool m_rampByKey = false;
    int m_rampKey = 0;
};

} // namespace vq3::ui
