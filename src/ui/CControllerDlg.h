#pragma once

#include "control/UnitStatus.h"
#include "model/MemoryStepProgram.h"
#include "resources/ControlIds.h"
#include "ui/ErrorBoxQueue.h"

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QPointer>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;

namespace vq3::app {
class Profile;
}
namespace vq3::control {
class UnitController;
}

namespace vq3::ui {

class CLightControlDlg;
class CTerminalDlg;

namespace idm = resources::idm;

// The main window: the memory step editor, the status bar and the menu, a view of the unit's
// object. It owns the two tool windows for the whole run, asks for files and confirmations
// in the settings file operations and routes the unit's error boxes to the window in use.
class CControllerDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kAccessCode = "KORVANTIS";

    CControllerDlg(app::Profile& profile, control::UnitController& unit);
    ~CControllerDlg() override;

    // Sets up (menu, lists, tool windows, profile, placement, connection, access-code gate)
    // and shows the window, centred when it has no stored place. The window then lives in
    // the application's event loop until ended() (it blocks no other window).
    void Start();
    bool HasEnded() const { return m_ended; }
    // The close box (and a termination signal). While a unit settings operation runs, the
    // request is only noted: the operation stops at once and then ends the window.
    void OnEndCancel();
    // Writes the profile and destroys the tool windows.
    void OnWindowDestroy();

signals:
    void ended();

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
    void ConnectUnit();
    void SetUpDialog();
    void OnMenuCommand(int id);
    QAction* MenuAction(int commandId) const; // null when removed by the gate
    void SetMenuCheck(int commandId, bool shownBefore);
    void ToggleToolWindow(int commandId);
    void CreateToolWindows();
    void ApplyAccessGate();
    bool FilterInput(QKeyEvent* event, QObject* target);
    void OnEndOk();
    void OnMenuAbout();
    void OnMenuComPort();
    void ReadProfile();
    void WriteProfile();
    void ShowAppMessage(const QString& text);
    void ShowAppMessage(int messageId);
    void ReportDeviceError(const QString& text);
    void ShowOwner(const QString& owner);

    // Memory step editor and program file.
    QWidget* Control(int id) const { return m_controls.value(id); }
    QLineEdit* IntensityField(int step) const; // step 0..6
    QLineEdit* TimeField(int step) const;
    QComboBox* ProgramList() const;
    QComboBox* IntensityModeList() const;
    QComboBox* ShutterModeList() const;
    void OnSetProgram();
    void OnReadProgram();
    void OnStartProgram();
    void OnStopProgram();
    void OnQueryStep();
    void OnSaveProgramFile();
    void OnReadProgramFile();
    model::StepTexts EditorTexts() const;
    void WriteEditorTexts(const model::StepTexts& texts);
    bool CheckEditorSteps(int intensityMode,
                          std::array<model::MemoryStep, model::kStepCount>* steps);
    void ShowProgramReply(const model::ProgramReply& reply);
    void ShowStep(int step);

    // Unit setting dialogs and the settings file operations.
    void OnMenuSetting(int kind);
    void OnMenuOpen();
    void OnMenuSave();
    void OnMenuSaveAs();
    bool BeginSettingsOperation(PendingOperation operation);
    void OnExchangeFinished(control::SettingsOutcome outcome);
    void SaveReadSettings();
    void EndSettingsOperation();
    void OnBusyChanged(bool busy);
    void EnableOperations(bool enable);

    app::Profile& m_profile;
    control::UnitController& m_unit;
    QHash<int, QWidget*> m_controls;
    QHash<int, QAction*> m_actions;
    QMenuBar* m_menuBar = nullptr;
    QLabel* m_statusLink = nullptr;
    QLabel* m_statusSecond = nullptr;
    QWidget* m_client = nullptr;
    CLightControlDlg* m_lightControl = nullptr;
    CTerminalDlg* m_terminal = nullptr;

    QPoint m_ptMain;
    QString m_strOpenParam;
    QString m_settingsFile;
    PendingOperation m_pendingOperation = PendingOperation::None;
    bool m_bAbortRequested = false;
    bool m_ended = false;
    bool m_centre = false;
    ErrorBoxQueue m_errorBoxes{this};
};

} // namespace vq3::ui
