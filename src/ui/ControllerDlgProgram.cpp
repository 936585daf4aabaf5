// The "Memory Step" group of the main window: sending, reading, running and following a
// memory step program, and keeping it in a program file. The checks, encodings and file
// form live in the model, link and files code; this file only moves texts between the
// window's controls and that code.
#include "ui/CControllerDlg.h"

#include "files/ProgramFile.h"
#include "link/Commands.h"
#include "model/MemoryStepProgram.h"
#include "resources/Messages.h"
#include "ui/Prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <cstring>

namespace vq3::ui {

namespace {

namespace msg = resources::msg;

// The value of a list is the 1-based position of its selected entry, 0 when none.
int ListValue(const QComboBox* list) {
    return list->currentIndex() + 1;
}

// Selects entry (value - 1); a value naming no entry leaves the list with no selection.
void SelectListValue(QComboBox* list, int value) {
    const int index = value - 1;
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

model::StepTexts EditorTexts(const CControllerDlg& dlg) {
    model::StepTexts texts;
    for (int step = 0; step < model::kStepCount; ++step) {
        texts.intensity[step] = dlg.IntensityField(step)->text().toStdString();
        texts.time[step] = dlg.TimeField(step)->text().toStdString();
    }
    return texts;
}

void WriteEditorTexts(const CControllerDlg& dlg, const model::StepTexts& texts) {
    for (int step = 0; step < model::kStepCount; ++step) {
        dlg.IntensityField(step)->setText(QString::fromStdString(texts.intensity[step]));
        dlg.TimeField(step)->setText(QString::fromStdString(texts.time[step]));
    }
}

int FaultMessage(model::StepFault fault) {
    switch (fault) {
    case model::StepFault::IntensityMalformed:
        return msg::IntensityWrong;
    case model::StepFault::IntensityOutOfRange:
        return msg::IntensityOutOfRange;
    case model::StepFault::TimeMalformed:
        return msg::TimeWrong;
    case model::StepFault::TimeOutOfRange:
        return msg::TimeOutOfRange;
    case model::StepFault::None:
        break;
    }
    return 0;
}

// Checks the seven steps for the intensity mode; the first fault is shown and ends the
// check with the editor untouched.
bool CheckEditorSteps(CControllerDlg& dlg, int intensityMode,
                      std::array<model::MemoryStep, model::kStepCount>* steps) {
    const model::StepCheck check = model::CheckSteps(EditorTexts(dlg), intensityMode, steps);
    if (check.fault == model::StepFault::None)
        return true;
    dlg.ShowAppMessage(FaultMessage(check.fault));
    return false;
}

} // namespace

void CControllerDlg::OnSetProgram() {
    model::MemoryStepProgram program;
    program.programNumber = ListValue(ProgramList());
    program.shutterMode = ListValue(ShutterModeList());
    program.intensityMode = ListValue(IntensityModeList());
    if (!CheckEditorSteps(*this, program.intensityMode, &program.steps))
        return;
    SendCommand(link::cmd::Cure(program));
    // Normal form even while disconnected: the operator sees what would have been sent.
    WriteEditorTexts(*this, model::NormalTexts(program.steps, program.intensityMode));
}

void CControllerDlg::OnReadProgram() {
    SendCommand(link::cmd::ProgramQuery(ListValue(ProgramList())));
}

void CControllerDlg::OnStartProgram() {
    SendCommand(link::cmd::Start(ListValue(ProgramList())));
}

void CControllerDlg::OnStopProgram() {
    SendCommand(link::cmd::Stop);
}

void CControllerDlg::OnQueryStep() {
    SendCommand(link::cmd::StepQuery);
}

void CControllerDlg::ShowProgramReplyPercent(const char* line) {
    ShowProgramReply(line, false);
}

void CControllerDlg::ShowProgramReplyWatts(const char* line) {
    ShowProgramReply(line, true);
}

void CControllerDlg::ShowProgramReply(const char* line, bool watts) {
    if (!line)
        return;
    // The layout follows the reply's length, never the intensity-mode digit inside it.
    const std::optional<model::ProgramReply> reply = model::DecodeProgramReply(line, watts);
    if (!reply)
        return; // a garbled read-back is dropped without a word
    SelectListValue(ProgramList(), reply->programDigit);
    SelectListValue(ShutterModeList(), reply->shutterDigit);
    SelectListValue(IntensityModeList(), reply->intensityDigit);
    WriteEditorTexts(*this, reply->texts);
}

void CControllerDlg::ShowStepReply(const char* line) {
    // "STP" and one digit; anything else is not a step report.
    if (!line || std::strlen(line) < 4 || line[3] < '0' || line[3] > '9')
        return;
    if (auto* readout = qobject_cast<QLabel*>(Control(resources::idc::controller::StepReadout)))
        readout->setText(QString::number(line[3] - '0'));
}

void CControllerDlg::OnSaveProgramFile() {
    const int shutterMode = ListValue(ShutterModeList());
    const int intensityMode = ListValue(IntensityModeList());
    std::array<model::MemoryStep, model::kStepCount> steps{};
    if (!CheckEditorSteps(*this, intensityMode, &steps))
        return;
    const QStringList lines = files::ProgramFileLines(shutterMode, intensityMode, steps);
    // The fields take their normal form now, whether or not a file gets written.
    WriteEditorTexts(*this, model::NormalTexts(steps, intensityMode));

    const QString path = AskSaveFile(this);
    if (path.isEmpty())
        return;
    // Written through a temporary file: a failure anywhere leaves the old file as it was.
    if (!files::SaveProgramFile(path, lines))
        ShowAppMessage(msg::FileOpenError);
}

void CControllerDlg::OnReadProgramFile() {
    const QString path = AskOpenFile(this);
    if (path.isEmpty())
        return;
    const files::ProgramFileResult file = files::ReadProgramFile(path);
    if (file.messageId != 0) {
        ShowAppMessage(file.messageId);
        return;
    }
    // The program number stays: a file carries no slot, and nothing goes to the unit.
    WriteEditorTexts(*this, model::NormalTexts(file.steps, file.intensityMode));
    SelectListValue(ShutterModeList(), file.shutterMode);
    SelectListValue(IntensityModeList(), file.intensityMode);
}

} // namespace vq3::ui
