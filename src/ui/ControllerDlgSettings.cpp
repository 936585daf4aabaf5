// The main window's unit settings operations: the eight setting dialogs, and the settings
// file. The file's exchanges with the unit run in the unit's object; the window greys what
// must wait, asks for files and confirmations and shows the outcome.
#include "ui/CControllerDlg.h"

#include "control/UnitController.h"
#include "files/SettingsFile.h"
#include "resources/Messages.h"
#include "ui/CLightControlDlg.h"
#include "ui/CSettingDlgs.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QMenuBar>
#include <QPointer>

namespace vq3::ui {

namespace {

namespace msg = resources::msg;
using control::SettingsOutcome;
using model::UnitSettingsRecord;

// Every menu item but "E&xit".
constexpr int kBusyMenuItems[] = {idm::Open,
                                  idm::Save,
                                  idm::SaveAs,
                                  idm::ComPort,
                                  idm::ControlMode,
                                  idm::ProgramMode,
                                  idm::LampAlarmTime,
                                  idm::LampOffTime,
                                  idm::InstantRecovery,
                                  idm::ShutterResponse,
                                  idm::OpenPulseTime,
                                  idm::ClosePulseTime,
                                  idm::LightControl,
                                  idm::Terminal,
                                  idm::About};

// A box with OK and Cancel: the path, the question and the settings as the operator reads
// them (lamp times in hours).
bool Confirm(QWidget* owner, const QString& path, int questionId,
             const UnitSettingsRecord& record) {
    const QString text = path + QLatin1Char('\n') + resources::Message(questionId) +
                         QLatin1Char('\n') + files::DescribeSettings(record);
    return prompter().ShowMessage(owner, text, ApplicationCaption(), true) == Prompter::Answer::Ok;
}

} // namespace

// Setting dialogs

// ActiveSetting names the open dialog while it runs: late replies reach no dialog.
void CControllerDlg::OnMenuSetting(int kind) {
    QPointer<QDialog> dialog;
    m_unit.SetActiveSetting(kind);
    if (IsChoiceSetting(kind)) {
        auto* choice = new CChoiceSettingDlg(kind, m_unit, this);
        choice->SetUpDialog();
        dialog = choice;
    } else if (IsValueSetting(kind)) {
        auto* value = new CValueSettingDlg(kind, m_unit, this);
        value->SetUpDialog();
        dialog = value;
    }
    if (dialog) {
        // Blocks the main window only: the tool windows stay usable and replies keep coming.
        dialog->setWindowModality(Qt::WindowModal);
        dialog->exec();
        delete dialog.data();
    }
    m_unit.SetActiveSetting(0);
}

// Settings file: the three menu operations. Each greys the operations it must not meet
// until it has ended, also when it ends early.

void CControllerDlg::OnMenuOpen() {
    if (!BeginSettingsOperation(PendingOperation::Open))
        return;
    const QString path = AskOpenFile(this);
    if (path.isEmpty())
        return EndSettingsOperation();
    m_settingsFile = path; // even when the file proves malformed or is not confirmed
    UnitSettingsRecord record = model::kNoSettings;
    if (!files::LoadSettingsFile(path, &record)) {
        ShowAppMessage(msg::FileFormatWrong);
        return EndSettingsOperation();
    }
    if (!Confirm(this, path, msg::FileRewritten, record))
        return EndSettingsOperation();
    m_unit.WriteSettings(record); // goes on in OnExchangeFinished
}

void CControllerDlg::OnMenuSave() {
    if (BeginSettingsOperation(m_settingsFile.isEmpty() ? PendingOperation::SaveAs
                                                        : PendingOperation::Save))
        m_unit.ReadSettings();
}

void CControllerDlg::OnMenuSaveAs() {
    if (BeginSettingsOperation(PendingOperation::SaveAs))
        m_unit.ReadSettings();
}

// False when another operation (a script's) holds the unit.
bool CControllerDlg::BeginSettingsOperation(PendingOperation operation) {
    if (!m_unit.ReserveForSettings())
        return false;
    m_pendingOperation = operation;
    return true;
}

void CControllerDlg::OnExchangeFinished(SettingsOutcome outcome) {
    if (m_pendingOperation == PendingOperation::None)
        return; // not this window's operation
    if (outcome == SettingsOutcome::Abandoned)
        return EndSettingsOperation(); // no closing message: the window ends
    if (outcome == SettingsOutcome::TimedOut)
        ShowAppMessage(msg::FailedToConnect);
    else if (m_pendingOperation == PendingOperation::Open)
        ShowAppMessage(msg::SaveCompleted);
    else
        SaveReadSettings();
    EndSettingsOperation();
}

// The last steps of both saves: the file (asked for unless Save has one), the confirmation
// and the file itself. A file that cannot be written is reported as such, and the file
// already there stays as it was.
void CControllerDlg::SaveReadSettings() {
    const UnitSettingsRecord record = m_unit.ReceivedSettings();
    const bool saveAs = m_pendingOperation == PendingOperation::SaveAs;
    QString path = m_settingsFile;
    if (saveAs) {
        path = AskSaveFile(this);
        if (path.isEmpty())
            return;
        m_settingsFile = path; // even when the confirmation is cancelled
    }
    if (!Confirm(this, path, saveAs ? msg::DataSaved : msg::RewrittenInFile, record))
        return;
    ShowAppMessage(files::StoreSettingsFile(path, record) ? msg::SaveCompleted
                                                          : msg::FailedToWrite);
}

// An end request that came meanwhile ends the window as the unit is released.
void CControllerDlg::EndSettingsOperation() {
    m_pendingOperation = PendingOperation::None;
    m_unit.ReleaseSettings();
}

void CControllerDlg::EnableOperations(bool enable) {
    for (int id : resources::idc::controller::kButtons)
        if (QWidget* button = Control(id))
            button->setEnabled(enable);
    for (int id : kBusyMenuItems)
        if (QAction* action = MenuAction(id)) // items of the full menu may be absent
            action->setEnabled(enable);
    if (m_menuBar)
        m_menuBar->update();
}

} // namespace vq3::ui
