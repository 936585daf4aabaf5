#pragma once

#include "link/CSerialPort.h"
#include "link/CommandChannel.h"
#include "link/ReplyDispatch.h"
#include "model/UnitSettings.h"

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QPointer>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;

namespace vq3::app {
class Profile;
}

namespace vq3::ui {

class CLightControlDlg;
class CTerminalDlg;
class CChoiceSettingDlg;
class CValueSettingDlg;

// Menu command identifiers.
namespace idm {
enum : int {
    Open = 32772,
    Save = 32774,
    SaveAs = 32775,
    Exit = 32776,
    ComPort = 32777,
    ControlMode = 32778,
    ProgramMode = 32779,
    LampAlarmTime = 32780,
    LampOffTime = 32781,
    InstantRecovery = 32782,
    ShutterResponse = 32783,
    OpenPulseTime = 32784,
    ClosePulseTime = 32785,
    About = 32786,
    LightControl = 32787,
    Terminal = 32788,
};
} // namespace idm

// The main window: the memory step editor, the status bar, the menu, and the owner of the
// link, the unit state and the two tool windows for the whole run.
class CControllerDlg : public QDialog, public link::ChannelHost, public link::ReplyTarget {
    Q_OBJECT
public:
    static constexpr const char* kAccessCode = "KORVANTIS";

    // serialDevice: the line to use; the real serial port when null.
    explicit CControllerDlg(app::Profile& profile, link::SerialDevice* serialDevice = nullptr);
    ~CControllerDlg() override;

    // Set-up: menu, lists, tool windows, profile, placement, connection, access-code gate.
    bool SetUpDialog();
    // Shows the window and runs the event loop until the window has ended; blocks no other
    // top-level window.
    int RunModal();
    // Writes the profile and destroys the tool windows.
    void OnWindowDestroy();

    // Link.
    void SendCommand(const QByteArray& text);
    link::CommandChannel& Channel() { return m_channel; }
    link::DeviceState& State() { return m_state; }
    void ConnectSequence(bool portMayBeOpen) { m_channel.ConnectSequence(portMayBeOpen); }

    // Tool windows.
    void SetMenuCheck(int commandId, bool shownBefore);
    void OnMenuLightControl();
    void OnMenuTerminal();
    CLightControlDlg* LightControl() const { return m_lightControl; }
    CTerminalDlg* Terminal() const { return m_terminal; }
    QAction* MenuAction(int commandId) const; // null when removed by the gate

    // Ending.
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

    // Unit setting dialogs.
    void OpenSettingDialog(int kind);
    void OnMenuSetting(int kind); // sets ActiveSetting around OpenSettingDialog

    // Unit settings file.
    void OnMenuOpen();
    void OnMenuSave();
    void OnMenuSaveAs();
    int SaveSettingsAs();
    int SaveSettings();
    void EnableOperations(bool enable);
    int ReadUnitSettings(model::UnitSettingsRecord* record);
    int WriteUnitSettings(const model::UnitSettingsRecord& record);
    // Waits up to ms with the event loop running (timers, replies, the Terminal), sleeping
    // between events. Returns -1 as soon as an end request is noticed, 1 when the time ran
    // out, 0 as soon as done() holds.
    template <typename Done> int WaitFor(int ms, Done done);
    const QString& CurrentSettingsFile() const { return m_strSettingsFile; }

    // Controls of the window by identifier.
    QWidget* Control(int id) const { return m_controls.value(id); }
    QLineEdit* IntensityField(int step) const; // step 0..6
    QLineEdit* TimeField(int step) const;
    QComboBox* ProgramList() const;
    QComboBox* IntensityModeList() const;
    QComboBox* ShutterModeList() const;
    QString LinkStateText() const;

    // Profile-backed values.
    QPoint m_ptMain;
    QPoint m_ptLightControl;
    QPoint m_ptTerminal;
    QString m_strOpenParam;
    bool m_bTerminalShown = false;
    bool m_bLightControlShown = false;
    bool m_bBusy = false;
    bool m_bAbortRequested = false;

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void BuildWindow();
    void BuildMenu();
    void ApplyAccessGate();
    bool FilterInput(QKeyEvent* event, QObject* target);
    void ShowProgramReply(const char* line, bool watts);
    // Reads the unit's settings and stores them in path, asking for a file when it is empty.
    int SaveSettingsTo(QString path, int questionId);
    void ReadProfile();
    void WriteProfile();

    app::Profile& m_profile;
    std::unique_ptr<link::SerialDevice> m_ownPort;
    link::SerialDevice* m_port;
    link::CommandChannel m_channel;
    link::DeviceState m_state;
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
    QString m_strSettingsFile;
    bool m_ended = false;
    bool m_bCentre = false;

    friend class CChoiceSettingDlg;
    friend class CValueSettingDlg;
};

} // namespace vq3::ui

#include "ui/WaitFor.h"
