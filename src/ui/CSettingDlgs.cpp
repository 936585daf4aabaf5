// The two unit setting dialogs. Each asks the unit for the present value when it opens and
// on "Read", and has the new value sent on "Set"; the unit's answer comes back later and
// fills the list or the read-out while the dialog is open.
#include "ui/CSettingDlgs.h"

#include "control/UnitController.h"
#include "model/NumberRules.h"
#include "model/SettingRules.h"
#include "resources/ControlIds.h"
#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vq3::ui {

namespace {

using model::RuleOfKind;
using model::SettingRule;
using resources::Message;

namespace idc = resources::idc;
using namespace resources::idc::setting;

// Window frame, caption colour and the buttons shared by both templates.
QHash<int, QWidget*> BuildSettingDialog(QDialog* dialog, int templateId) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const resources::WindowLayout& layout = resources::Layout(templateId);
    dialog->setWindowTitle(QString::fromLatin1(layout.caption));
    QHash<int, QWidget*> controls = BuildControls(dialog, layout);
    controls.value(Group)->setStyleSheet(
        QStringLiteral("QGroupBox::title { color: rgb(0, 128, 0); }"));
    // Ok and Cancel only close; neither sends anything.
    QObject::connect(static_cast<QPushButton*>(controls.value(idc::Ok)), &QPushButton::clicked,
                     dialog, &QDialog::accept);
    QObject::connect(static_cast<QPushButton*>(controls.value(idc::Cancel)), &QPushButton::clicked,
                     dialog, &QDialog::reject);
    return controls;
}

void ShowTitle(QDialog* dialog, QWidget* group, int titleId) {
    const QString title = Message(titleId);
    dialog->setWindowTitle(title);
    static_cast<QGroupBox*>(group)->setTitle(title);
}

// Return or Enter typed into the list or the field would press the default "Ok".
bool IsEnterPress(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The rule of a kind that this dialog serves (a choice, or a value), else null.
const SettingRule* ServedRule(int kind, bool choice) {
    const SettingRule* rule = RuleOfKind(kind);
    return rule && model::IsChoice(*rule) == choice ? rule : nullptr;
}

} // namespace

bool IsChoiceSetting(int kind) {
    return ServedRule(kind, true) != nullptr;
}

bool IsValueSetting(int kind) {
    return ServedRule(kind, false) != nullptr;
}

// Choice dialog

CChoiceSettingDlg::CChoiceSettingDlg(int kind, control::UnitController& unit, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_unit(unit) {
    setObjectName(QStringLiteral("CChoiceSettingDlg"));
    m_controls = BuildSettingDialog(this, resources::idd::ChoiceSetting);
    QWidget* list = Control(ChoiceList);
    list->setAccessibleDescription(QStringLiteral("Setting choice"));
    list->installEventFilter(this);
    connect(static_cast<QPushButton*>(Control(Set)), &QPushButton::clicked, this,
            &CChoiceSettingDlg::OnSet);
    connect(static_cast<QPushButton*>(Control(Read)), &QPushButton::clicked, this,
            &CChoiceSettingDlg::OnRead);
    connect(&m_unit, &control::UnitController::settingChoice, this,
            &CChoiceSettingDlg::SelectEntry);
}

void CChoiceSettingDlg::SetUpDialog() {
    auto* list = static_cast<QComboBox*>(Control(ChoiceList));
    list->clear();
    const SettingRule* setting = ServedRule(m_kind, true);
    if (!setting)
        return;
    ShowTitle(this, Control(Group), setting->title);
    list->addItem(Message(setting->title + 1));
    list->addItem(Message(setting->title + 2));
    m_unit.QuerySetting(m_kind);
    list->setCurrentIndex(0);
}

void CChoiceSettingDlg::SelectEntry(int index) {
    auto* list = static_cast<QComboBox*>(Control(ChoiceList));
    if (index >= 0 && index < list->count())
        list->setCurrentIndex(index);
}

void CChoiceSettingDlg::OnSet() {
    m_unit.ChooseSetting(m_kind, static_cast<QComboBox*>(Control(ChoiceList))->currentIndex());
}

void CChoiceSettingDlg::OnRead() {
    m_unit.QuerySetting(m_kind);
}

bool CChoiceSettingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control(ChoiceList) && IsEnterPress(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

// Value dialog

CValueSettingDlg::CValueSettingDlg(int kind, control::UnitController& unit, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_unit(unit) {
    setObjectName(QStringLiteral("CValueSettingDlg"));
    m_controls = BuildSettingDialog(this, resources::idd::ValueSetting);
    QWidget* field = Control(ValueField);
    field->setAccessibleName(QStringLiteral("Setting value"));
    field->installEventFilter(this);
    Control(Readout)->setAccessibleDescription(QStringLiteral("Setting read-out"));
    connect(static_cast<QPushButton*>(Control(Set)), &QPushButton::clicked, this,
            &CValueSettingDlg::OnSet);
    connect(static_cast<QPushButton*>(Control(Read)), &QPushButton::clicked, this,
            &CValueSettingDlg::OnRead);
    connect(&m_unit, &control::UnitController::settingReadout, this, &CValueSettingDlg::SetReadout);
}

void CValueSettingDlg::SetUpDialog() {
    const SettingRule* setting = ServedRule(m_kind, false);
    if (!setting)
        return;
    ShowTitle(this, Control(Group), setting->title);
    static_cast<QLineEdit*>(Control(ValueField))
        ->setText(QString::fromLatin1(setting->initialText));
    m_unit.QuerySetting(m_kind);
}

void CValueSettingDlg::SetReadout(const QString& text) {
    static_cast<QLabel*>(Control(Readout))->setText(text);
}

void CValueSettingDlg::OnSet() {
    const SettingRule* setting = ServedRule(m_kind, false);
    if (!setting)
        return;
    auto* field = static_cast<QLineEdit*>(Control(ValueField));
    const model::IntegerConversion entered = model::ConvertInteger32(field->text().toStdString());
    // Hours become hundreds of hours, truncated toward zero: -50 gives 0, 150 gives 1.
    const long long n = model::SentValue(*setting, entered.value);
    int problem = 0;
    if (entered.leftover)
        problem = resources::msg::ValueWrong;
    else if (!model::InDialogRange(*setting, n))
        problem = setting->dialogRangeMessage;
    if (problem) {
        prompter().ShowMessage(this, Message(problem), QStringLiteral("Error"));
        return;
    }
    const int value = static_cast<int>(n);
    m_unit.SetSettingValue(m_kind, value);
    field->setText(QString::number(model::TypedValue(*setting, value)));
}

void CValueSettingDlg::OnRead() {
    m_unit.QuerySetting(m_kind);
}

bool CValueSettingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control(ValueField) && IsEnterPress(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace vq3::ui
