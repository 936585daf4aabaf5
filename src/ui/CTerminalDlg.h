#pragma once

#include <QDialog>
#include <QHash>
#include <QTimer>

class QLineEdit;
class QPlainTextEdit;

namespace vq3::ui {

class CControllerDlg;

// The traffic view and raw command entry. A parentless top-level window created hidden by
// the main window; it keeps the last 100 lines, fed whether shown or hidden.
class CTerminalDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 100;
    static constexpr int kRedrawMs = 200; // longest delay before new traffic is drawn

    CTerminalDlg();
    ~CTerminalDlg() override;

    void SetMainWindow(CControllerDlg* owner);
    // One tick's characters, CR already turned into CR LF. Drawn within kRedrawMs.
    void AppendTraffic(const char* text);
    // Draws the traffic that is waiting now.
    void FlushTraffic();
    void ShowError(const QString& text);
    QString GetCommandText() const;
    QWidget* Control(int id) const { return m_controls.value(id); }
    QPlainTextEdit* TrafficView() const;
    QLineEdit* CommandField() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void OnSend();
    void TrimToLimit();

    CControllerDlg* m_owner = nullptr;
    QHash<int, QWidget*> m_controls;
    QString m_pending; // traffic not yet in the view
    int m_pendingBreaks = 0;
    QTimer m_flushTimer;
};

} // namespace vq3::ui
