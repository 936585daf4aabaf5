#pragma once

#include "ui/ToolWindow.h"

#include <QByteArray>

class QLineEdit;

namespace vq3::ui {

class CTrafficView;

// The traffic view and raw command entry. The view is fed whether the window is shown or
// hidden; Return in the command field, or "Send", asks for the field's text to be sent.
class CTerminalDlg : public ToolWindow {
    Q_OBJECT
public:
    CTerminalDlg();

    // One tick's characters, CR already turned into CR LF.
    void AppendTraffic(const char* text);
    // A box owned by this window, caption "Error".
    void ShowError(const QString& text);
    QString GetCommandText() const;
    CTrafficView* TrafficView() const;
    QLineEdit* CommandField() const;

signals:
    // The command field's text, unchanged: the field keeps it for sending again.
    void sendCommand(const QByteArray& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSend();
};

} // namespace vq3::ui
