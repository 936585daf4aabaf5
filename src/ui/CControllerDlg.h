#pragma once

#include "link/CommandChannel.h"
#include "link/ReplyDispatch.h"
#include "link/SerialDevice.h"
#include "link/SettingsExchange.h"
#include "resources/ControlIds.h"

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QPointer>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;

namespace vq3::app {
class Profile;
}

namespace vq3::ui {

class CLightControlDlg;
class CTerminalDlg;
class CChoiceSettingDlg;
class CValueSettingDlg;

namespace idm = resources::idm;

// The main window: the memory step editor, the status bar and the menu. It owns the link to
// the unit, the state that replies update and the two tool windows for the whole run, and
// routes what the unit reports to the window that shows it.
class CControllerDlg : public QDialog, public link::ChannelHost, public link::ReplyTarget {
    Q_OBJECT
public:
    static constexpr const char* kAccessCode = "KORVANTIS";

    // serialDevice: the line to use; the real serial port when null.
    explicit CControllerDlg(app::Profile& profile, link::SerialDevice* serialDevice = nullptr);
    ~CControllerDlg() override;

    // Set-up: menu, lists, tool windows, profile, placement, connection, access-code gate.
    bool SetUpDialog();
    // Sets up and shows the window, centred when it has no stored place. The window then
    // lives in the application's event loop until ended() (it blocks no other window).
    void Start();
    bool HasEnded() const { return m_ended; }
    // Writes the profile and destroys the tool windows.
    void OnWindowDestroy();

    // Link.
    void SendCommand(const QByteArray& text);
    link::CommandChannel& Channel() { return m_channel; }
    link::DeviceState& State() { return m_state; }

    // Tool windows.
    void SetMenuCheck(int commandId, bool shownBefore);
    void OnMenuLightControl();
    void OnMenuTerminal();
    CLightControlDlg* LightControl() const { return m_lightControl; }
    CTerminalDlg* Terminal() const { return m_terminal; }
    QAction* MenuAction(int commandId) const; // null when removed by the gate

    // Ending. While a unit settings operation runs, an end request is only noted; the
    // operation stops at once and then ends the window.
    void OnEndOk();
    void OnEndCancel();
    void OnMenuExit() { OnEndOk(); }
    void OnMenuAbout();
    void OnMenuComPort();

    // Memory step editor and program file.
    void OnSetProgram();
    void OnReadProgram();
    void OnStartProgram();
    void OnStopProgram();
    void OnQueryStep();
    void OnSaveProgramFile();
    void OnReadProgramFile();

    // Unit setting dialogs: ActiveSetting names the open one while it runs.
    void OnMenuSetting(int kind);

    // Unit settings file. Each operation greys the operations it must not meet, waits for the
    // unit without blocking the event loop, and ends with settingsOperationEnded().
    void OnMenuOpen();
    void OnMenuSave();
    void OnMenuSaveAs();
    void EnableOperations(bool enable);
    bool IsBusy() const { return m_bBusy; }
    bool IsEndRequested() const { return m_bAbortRequested; }
    const QString& CurrentSettingsFile() const { return m_strSettingsFile; }
    // Tests shorten the waits.
    void SetExchangeDurations(const link::SettingsExchange::Durations& durations) {
        m_exchange.SetDurations(durations);
    }

    // Controls of the window by identifier.
    QWidget* Control(int id) const { return m_controls.value(id); }
    QLineEdit* IntensityField(int step) const; // step 0..6
    QLineEdit* TimeField(int step) const;
    QComboBox* ProgramList() const;
    QComboBox* IntensityModeList() const;
    QComboBox* ShutterModeList() const;
    QString LinkStateText() const;

    // ChannelHost
    void ShowLinkState(const QString& text) override;
    void ShowPortError() override;
    void AppendTraffic(const char* chunk) override;
    void DispatchReply(const char* line) override;

    // ReplyTarget
    void StatusChanged() override;
    void ShowProgramReplyPercent(const char* line) override;
    void ShowProgramReplyWatts(const char* line) override;
    void ShowStepReply(const char* line) override;
    void SetReadout(link::Readout readout, const QString& text) override;
    void SelectSettingChoice(int index) override;
    void SetSettingReadout(const QString& text) override;
    void ReportDeviceError(const QString& text) override;

    // Shows a message in the application's box owned by this window.
    void ShowAppMessage(const QString& text);
    void ShowAppMessage(int messageId);

signals:
    void ended();
    void settingsOperationEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    // What a unit settings operation does when its exchange has finished.
    enum class PendingOperation { None, Open, Save, SaveAs };

    void BuildWindow();
    void BuildMenu();
    void OnMenuCommand(int id);
    void CreateToolWindows();
    void ApplyAccessGate();
    bool FilterInput(QKeyEvent* event, QObject* target);
    void ShowProgramReply(const char* line, bool watts);
    void OpenSettingDialog(int kind);
    void BeginSettingsOperation(PendingOperation operation);
    void OnExchangeFinished(link::SettingsExchange::Outcome outcome);
    void SaveReadSettings(const model::UnitSettingsRecord& record);
    void EndSettingsOperation(bool abandoned);
    void ReadProfile();
    void WriteProfile();

    app::Profile& m_profile;
    std::unique_ptr<link::SerialDevice> m_ownPort;
    link::SerialDevice* m_port;
    link::CommandChannel m_channel;
    link::DeviceState m_state;
    link::SettingsExchange m_exchange;
    QHash<int, QWidget*> m_controls;
    QHash<int, QAction*> m_actions;
    QMenuBar* m_menuBar = nullptr;
    QLabel* m_statusLink = nullptr;
    QLabel* m_statusSecond = nullptr;
    QWidget* m_client = nullptr;
    CLightControlDlg* m_lightControl = nullptr;
    CTerminalDlg* m_terminal = nullptr;
    QPointer<CChoiceSettingDlg> m_openChoiceDialog;
    QPointer<CValueSettingDlg> m_openValueDialog;

    QPoint m_ptMain;
    QString m_strOpenParam;
    QString m_strSettingsFile;
    PendingOperation m_pendingOperation = PendingOperation::None;
    bool m_bBusy = false;
    bool m_bAbortRequested = false;
    bool m_ended = false;
    bool m_bCentre = false;
};

} // namespace vq3::ui
