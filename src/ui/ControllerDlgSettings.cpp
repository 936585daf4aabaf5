// The main window's unit settings operations: the eight setting dialogs, and the settings
// file. The file's exchanges with the unit run in link::SettingsExchange; the window greys
// what must wait, asks for files and confirmations and shows the outcome.
#include "ui/CControllerDlg.h"

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
using link::SettingsExchange;
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
bool Confirm(CControllerDlg* owner, const QString& path, int questionId,
             const UnitSettingsRecord& record) {
    const QString text = path + QLatin1Char('\n') + resources::Message(questionId) +
                         QLatin1Char('\n') + files::DescribeSettings(record);
    return prompter().ShowMessage(owner, text, ApplicationCaption(), true) == Prompter::Answer::Ok;
}

} // namespace

// Setting dialogs

void CControllerDlg::OnMenuSetting(int kind) {
    m_state.ActiveSetting = kind;
    OpenSettingDialog(kind);
    m_state.ActiveSetting = 0; // late replies reach no dialog
}

void CControllerDlg::OpenSettingDialog(int kind) {
    QPointer<QDialog> dialog;
    if (IsChoiceSetting(kind)) {
        auto* choice = new CChoiceSettingDlg(kind, this);
        connect(choice, &CChoiceSettingDlg::sendCommand, this, &CControllerDlg::SendCommand);
        m_openChoiceDialog = choice;
        choice->SetUpDialog();
        dialog = choice;
    } else if (IsValueSetting(kind)) {
        auto* value = new CValueSettingDlg(kind, this);
        connect(value, &CValueSettingDlg::sendCommand, this, &CControllerDlg::SendCommand);
        m_openValueDialog = value;
        value->SetUpDialog();
        dialog = value;
    } else {
        return;
    }
    // Blocks the main window only: the tool windows stay usable and replies keep coming.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->exec();
    delete dialog.data();
}

// Settings file: the three menu operations. Each greys the operations it must not meet
// until it has ended, also when it ends early.

void CControllerDlg::OnMenuOpen() {
    BeginSettingsOperation(PendingOperation::Open);
    const QString path = AskOpenFile(this);
    if (path.isEmpty())
        return EndSettingsOperation(false);
    m_strSettingsFile = path; // even when the file proves malformed or is not confirmed
    UnitSettingsRecord record = model::kNoSettings;
    if (!files::LoadSettingsFile(path, &record)) {
        ShowAppMessage(msg::FileFormatWrong);
        return EndSettingsOperation(false);
    }
    if (!Confirm(this, path, msg::FileRewritten, record))
        return EndSettingsOperation(false);
    m_exchange.Write(record); // goes on in OnExchangeFinished
}

void CControllerDlg::OnMenuSave() {
    BeginSettingsOperation(m_strSettingsFile.isEmpty() ? PendingOperation::SaveAs
                                                       : PendingOperation::Save);
    m_exchange.Read();
}

void CControllerDlg::OnMenuSaveAs() {
    BeginSettingsOperation(PendingOperation::SaveAs);
    m_exchange.Read();
}

void CControllerDlg::BeginSettingsOperation(PendingOperation operation) {
    m_pendingOperation = operation;
    EnableOperations(false);
}

void CControllerDlg::OnExchangeFinished(SettingsExchange::Outcome outcome) {
    if (outcome == SettingsExchange::Outcome::Abandoned)
        return EndSettingsOperation(true); // no closing message: the window ends
    if (outcome == SettingsExchange::Outcome::TimedOut)
        ShowAppMessage(msg::FailedToConnect);
    else if (m_pendingOperation == PendingOperation::Open)
        ShowAppMessage(msg::SaveCompleted);
    else
        SaveReadSettings(m_exchange.Received());
    EndSettingsOperation(false);
}

// The last steps of both saves: the file (asked for unless Save has one), the confirmation
// and the file itself. A file that cannot be written is reported as such, and the file
// already there stays as it was.
void CControllerDlg::SaveReadSettings(const UnitSettingsRecord& record) {
    const bool saveAs = m_pendingOperation == PendingOperation::SaveAs;
    QString path = m_strSettingsFile;
    if (saveAs) {
        path = AskSaveFile(this);
        if (path.isEmpty())
            return;
        m_strSettingsFile = path; // even when the confirmation is cancelled
    }
    if (!Confirm(this, path, saveAs ? msg::DataSaved : msg::RewrittenInFile, record))
        return;
    ShowAppMessage(files::StoreSettingsFile(path, record) ? msg::SaveCompleted
                                                          : msg::FailedToWrite);
}

void CControllerDlg::EndSettingsOperation(bool abandoned) {
    m_pendingOperation = PendingOperation::None;
    EnableOperations(true);
    emit settingsOperationEnded();
    // An end request that came meanwhile (also while a box was open) ends the window now.
    if (abandoned || m_bAbortRequested)
        OnEndOk();
}

void CControllerDlg::EnableOperations(bool enable) {
    for (int id : resources::idc::controller::kButtons)
        if (QWidget* button = Control(id))
            button->setEnabled(enable);
    if (m_lightControl)
        m_lightControl->EnableOperations(enable);
    for (int id : kBusyMenuItems)
        if (QAction* action = MenuAction(id)) // items of the full menu may be absent
            action->setEnabled(enable);
    if (m_menuBar)
        m_menuBar->update();
    m_bBusy = !enable;
}

} // namespace vq3::ui
