// The "Memory Step" group of the main window: sending, reading, running and following a
// memory step program, and keeping it in a program file. The checks, encodings and file
// form live in the model and files code, the commands in the unit's object; this file only
// moves texts between the window's controls and that code.
#include "ui/CControllerDlg.h"

#include "control/StepFaultMessage.h"
#include "control/UnitController.h"
#include "files/ProgramFile.h"
#include "model/MemoryStepProgram.h"
#include "resources/Messages.h"
#include "ui/Prompter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

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

} // namespace

model::StepTexts CControllerDlg::EditorTexts() const {
    model::StepTexts texts;
    for (int step = 0; step < model::kStepCount; ++step) {
        texts.intensity[step] = IntensityField(step)->text().toStdString();
        texts.time[step] = TimeField(step)->text().toStdString();
    }
    return texts;
}

void CControllerDlg::WriteEditorTexts(const model::StepTexts& texts) {
    for (int step = 0; step < model::kStepCount; ++step) {
        IntensityField(step)->setText(QString::fromStdString(texts.intensity[step]));
        TimeField(step)->setText(QString::fromStdString(texts.time[step]));
    }
}

// Checks the seven steps for the intensity mode; the first fault is shown and ends the
// check with the editor untouched.
bool CControllerDlg::CheckEditorSteps(int intensityMode,
                                      std::array<model::MemoryStep, model::kStepCount>* steps) {
    const model::StepCheck check = model::CheckSteps(EditorTexts(), intensityMode, steps);
    if (check.fault == model::StepFault::None)
        return true;
    ShowAppMessage(control::StepFaultMessage(check.fault));
    return false;
}

void CControllerDlg::OnSetProgram() {
    model::MemoryStepProgram program;
    program.programNumber = ListValue(ProgramList());
    program.shutterMode = ListValue(ShutterModeList());
    program.intensityMode = ListValue(IntensityModeList());
    if (!CheckEditorSteps(program.intensityMode, &program.steps))
        return;
    m_unit.SendProgram(program);
    // Normal form even while disconnected: the operator sees what would have been sent.
    WriteEditorTexts(model::NormalTexts(program.steps, program.intensityMode));
}

void CControllerDlg::OnReadProgram() {
    m_unit.ReadProgram(ListValue(ProgramList()));
}

void CControllerDlg::OnStartProgram() {
    m_unit.StartProgram(ListValue(ProgramList()));
}

void CControllerDlg::OnStopProgram() {
    m_unit.StopProgram();
}

void CControllerDlg::OnQueryStep() {
    m_unit.ReadStep();
}

void CControllerDlg::ShowProgramReply(const model::ProgramReply& reply) {
    SelectListValue(ProgramList(), reply.programDigit);
    SelectListValue(ShutterModeList(), reply.shutterDigit);
    SelectListValue(IntensityModeList(), reply.intensityDigit);
    WriteEditorTexts(reply.texts);
}

void CControllerDlg::ShowStep(int step) {
    if (auto* readout = qobject_cast<QLabel*>(Control(resources::idc::controller::StepReadout)))
        readout->setText(QString::number(step));
}

void CControllerDlg::OnSaveProgramFile() {
    const int shutterMode = ListValue(ShutterModeList());
    const int intensityMode = ListValue(IntensityModeList());
    std::array<model::MemoryStep, model::kStepCount> steps{};
    if (!CheckEditorSteps(intensityMode, &steps))
        return;
    const QStringList lines = files::ProgramFileLines(shutterMode, intensityMode, steps);
    // The fields take their normal form now, whether or not a file gets written.
    WriteEditorTexts(model::NormalTexts(steps, intensityMode));

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
    WriteEditorTexts(model::NormalTexts(file.steps, file.intensityMode));
    SelectListValue(ShutterModeList(), file.shutterMode);
    SelectListValue(IntensityModeList(), file.intensityMode);
}

} // namespace vq3::ui
