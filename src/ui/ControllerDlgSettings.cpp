// The main window's unit settings operations: the eight setting dialogs, and the settings
// file with its two exchanges (read all seven settings; write them and read them back).
#include "ui/CControllerDlg.h"

#include "files/SettingsFile.h"
#include "link/Commands.h"
#include "resources/Messages.h"
#include "ui/CLightControlDlg.h"
#include "ui/CSettingDlgs.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QMenuBar>
#include <QPointer>

namespace vq3::ui {

namespace {

namespace cmd = link::cmd;
namespace msg = resources::msg;
using model::UnitSettingsRecord;

constexpr int kReplyLimitMs = 5000; // counted from the last query
constexpr int kSettleMs = 1000;     // lets the unit take the written values

// The "Memory Step" buttons: "Step", "Start", "Set", "Read", "File Save", "File Read",
// "Cancel".
constexpr int kStepButtonIds[] = {1024, 1022, 1028, 1016, 1018, 1017, 1023};
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

bool IsChoiceKind(int kind) {
    return kind == 1 || kind == 2 || kind == 5 || kind == 6;
}
bool IsValueKind(int kind) {
    return kind == 3 || kind == 4 || kind == 7 || kind == 8;
}

bool AllReceived(const UnitSettingsRecord& settings) {
    for (int value : settings)
        if (value == -1)
            return false;
    return true;
}

// A box with OK and Cancel: the path, the question and the settings as the operator reads
// them (lamp times in hours).
bool Confirm(CControllerDlg* owner, const QString& path, int questionId,
             const UnitSettingsRecord& record) {
    const QString text = path + QLatin1Char('\n') + resources::Message(questionId) +
                         QLatin1Char('\n') + files::DescribeSettings(record);
    return prompter().ShowMessage(owner, text, ApplicationCaption(), true) == Prompter::Answer::Ok;
}

// The last steps of both saves. A file that cannot be written is reported as such, and the
// file already there stays as it was.
void ConfirmAndStore(CControllerDlg* owner, const QString& path, int questionId,
                     const UnitSettingsRecord& record) {
    if (!Confirm(owner, path, questionId, record))
        return;
    owner->ShowAppMessage(files::StoreSettingsFile(path, record) ? msg::SaveCompleted
                                                                 : msg::FailedToWrite);
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
    if (IsChoiceKind(kind)) {
        auto* choice = new CChoiceSettingDlg(this);
        m_openChoiceDialog = choice;
        choice->SetUpDialog();
        dialog = choice;
    } else if (IsValueKind(kind)) {
        auto* value = new CValueSettingDlg(this);
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

// Settings file: menu operations

void CControllerDlg::OnMenuOpen() {
    EnableOperations(false);
    int outcome = 0;
    const QString path = AskOpenFile(this);
    if (!path.isEmpty()) {
        m_strSettingsFile = path; // even when the file proves malformed or is not confirmed
        UnitSettingsRecord record = model::kNoSettings;
        if (!files::LoadSettingsFile(path, &record)) {
            ShowAppMessage(msg::FileFormatWrong);
        } else if (Confirm(this, path, msg::FileRewritten, record)) {
            outcome = WriteUnitSettings(record);
            if (outcome == 1)
                ShowAppMessage(msg::FailedToConnect);
            else if (outcome == 0)
                ShowAppMessage(msg::SaveCompleted);
        }
    }
    EnableOperations(true);
    if (outcome == -1 || m_bAbortRequested)
        OnEndOk(); // the end request that came during the exchange
}

void CControllerDlg::OnMenuSave() {
    EnableOperations(false);
    const int outcome = m_strSettingsFile.isEmpty() ? SaveSettingsAs() : SaveSettings();
    EnableOperations(true);
    if (outcome == -1 || m_bAbortRequested)
        OnEndOk();
}

void CControllerDlg::OnMenuSaveAs() {
    EnableOperations(false);
    const int outcome = SaveSettingsAs();
    EnableOperations(true);
    if (outcome == -1 || m_bAbortRequested)
        OnEndOk();
}

int CControllerDlg::SaveSettingsAs() {
    return SaveSettingsTo(QString(), msg::DataSaved);
}

int CControllerDlg::SaveSettings() {
    return SaveSettingsTo(m_strSettingsFile, msg::RewrittenInFile);
}

int CControllerDlg::SaveSettingsTo(QString path, int questionId) {
    UnitSettingsRecord record = model::kNoSettings;
    const int outcome = ReadUnitSettings(&record);
    if (outcome == 1)
        ShowAppMessage(msg::FailedToConnect);
    if (outcome != 0)
        return outcome;
    if (path.isEmpty()) {
        path = AskSaveFile(this);
        if (path.isEmpty())
            return outcome;
        m_strSettingsFile = path; // even when the confirmation is cancelled
    }
    ConfirmAndStore(this, path, questionId, record);
    return outcome;
}

void CControllerDlg::EnableOperations(bool enable) {
    for (int id : kStepButtonIds)
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

// Settings file: exchanges with the unit

int CControllerDlg::ReadUnitSettings(UnitSettingsRecord* record) {
    m_state.UnitSettings = model::kNoSettings;
    for (const QByteArray& query : cmd::SettingsQueries())
        SendCommand(query);
    const int outcome =
        WaitFor(kReplyLimitMs, [this] { return AllReceived(m_state.UnitSettings); });
    if (outcome == 0)
        *record = m_state.UnitSettings;
    return outcome;
}

int CControllerDlg::WriteUnitSettings(const UnitSettingsRecord& record) {
    using model::UnitSetting;
    SendCommand(cmd::ControlMode(1)); // the unit takes orders from the serial line
    SendCommand(cmd::ProgramMode(record[UnitSetting::ProgramMode]));
    SendCommand(cmd::LampAlarmTime(record[UnitSetting::LampAlarmTime]));
    SendCommand(cmd::LampOffTime(record[UnitSetting::ForcedLampOffTime]));
    SendCommand(cmd::InstantRecovery(record[UnitSetting::InstantRecovery]));
    SendCommand(cmd::ShutterResponse(record[UnitSetting::ShutterResponse]));
    SendCommand(cmd::OpenPulseTime(record[UnitSetting::ShutterOpenPulse]));
    SendCommand(cmd::ClosePulseTime(record[UnitSetting::ShutterClosePulse]));

    if (WaitFor(kSettleMs, [] { return false; }) == -1 || m_bAbortRequested)
        return -1;

    // Verify by value: a unit that reports anything else ends the exchange by time-out.
    m_state.UnitSettings = model::kNoSettings;
    for (const QByteArray& query : cmd::SettingsQueries())
        SendCommand(query);
    return WaitFor(kReplyLimitMs, [this, &record] { return m_state.UnitSettings == record; });
}

} // namespace vq3::ui
