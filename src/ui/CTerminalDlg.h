#pragma once

#include "ui/ToolWindow.h"

#include <QByteArray>

class QLineEdit;

namespace vq3::control {
class UnitController;
}

namespace vq3::ui {

class CTrafficView;

// The traffic view and raw command entry. The view is fed whether the window is shown or
// hidden; Return in the command field, or "Send", sends the field's text to the unit.
class CTerminalDlg : public ToolWindow {
    Q_OBJECT
public:
    explicit CTerminalDlg(control::UnitController& unit);

    // One tick's characters, CR already turned into CR LF.
    void AppendTraffic(const char* text);
    // A box owned by this window, caption "Error".
    QString GetCommandText() const;
    CTrafficView* TrafficView() const;
    QLineEdit* CommandField() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSend();

    control::UnitController& m_unit;
};

} // namespace vq3::ui
