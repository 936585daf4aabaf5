// The two unit setting dialogs. Each asks the unit for the present value when it opens and
// on "Read", and asks for the new value to be sent on "Set"; the unit's answer comes back
// later through reply dispatch, which fills the list or the read-out while the dialog is open.
#include "ui/CSettingDlgs.h"

#include "link/Commands.h"
#include "model/NumberRules.h"
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

namespace cmd = link::cmd;
using resources::Message;

namespace idc = resources::idc;
using namespace resources::idc::setting;

// The four two-way settings. The list shows entry 0 then entry 1, never sorted; an entry's
// index carries its meaning.
struct ChoiceSetting {
    int kind;
    int title; // message id; the two entries follow it
    const QByteArray& query;
    QByteArray (*command)(int index);
};

const ChoiceSetting kChoiceSettings[] = {
    {1, 41, cmd::ControlModeQuery, [](int index) { return cmd::ControlMode(index == 0 ? 1 : 0); }},
    {2, 44, cmd::ProgramModeQuery, [](int index) { return cmd::ProgramMode(index == 0 ? 7 : 1); }},
    {5, 47, cmd::InstantRecoveryQuery,
     [](int index) { return cmd::InstantRecovery(index == 0 ? 1 : 0); }},
    {6, 50, cmd::ShutterResponseQuery,
     [](int index) { return cmd::ShutterResponse(index == 0 ? 1 : 0); }},
};

// The four numeric settings. The hour settings are typed in hours and sent in hundreds.
struct ValueSetting {
    int kind;
    int title;
    const char* initialText;
    const QByteArray& query;
    QByteArray (*command)(int n);
    bool hundreds;
    int minimum;
    int maximum;
    int rangeMessage;
};

const ValueSetting kValueSettings[] = {
    {3, 53, "3000", cmd::LampAlarmQuery, cmd::LampAlarmTime, true, 0, 99,
     resources::msg::ValueHoursOutOfRange},
    {4, 54, "5000", cmd::LampOffTimeQuery, cmd::LampOffTime, true, 0, 99,
     resources::msg::ValueHoursOutOfRange},
    {7, 55, "500", cmd::OpenPulseQuery, cmd::OpenPulseTime, false, 5, 500,
     resources::msg::ValuePulseOutOfRange},
    {8, 56, "500", cmd::ClosePulseQuery, cmd::ClosePulseTime, false, 5, 500,
     resources::msg::ValuePulseOutOfRange},
};

template <typename Setting, size_t N>
const Setting* FindSetting(const Setting (&settings)[N], int kind) {
    for (const Setting& setting : settings)
        if (setting.kind == kind)
            return &setting;
    return nullptr; // a kind this dialog does not serve: it sends nothing
}

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

} // namespace

bool IsChoiceSetting(int kind) {
    return FindSetting(kChoiceSettings, kind) != nullptr;
}

bool IsValueSetting(int kind) {
    return FindSetting(kValueSettings, kind) != nullptr;
}

// Choice dialog

CChoiceSettingDlg::CChoiceSettingDlg(int kind, QWidget* parent) : QDialog(parent), m_kind(kind) {
    setObjectName(QStringLiteral("CChoiceSettingDlg"));
    m_controls = BuildSettingDialog(this, resources::idd::ChoiceSetting);
    QWidget* list = Control(ChoiceList);
    list->setAccessibleDescription(QStringLiteral("Setting choice"));
    list->installEventFilter(this);
    connect(static_cast<QPushButton*>(Control(Set)), &QPushButton::clicked, this,
            &CChoiceSettingDlg::OnSet);
    connect(static_cast<QPushButton*>(Control(Read)), &QPushButton::clicked, this,
            &CChoiceSettingDlg::OnRead);
}

bool CChoiceSettingDlg::SetUpDialog() {
    auto* list = static_cast<QComboBox*>(Control(ChoiceList));
    list->clear();
    const ChoiceSetting* setting = FindSetting(kChoiceSettings, m_kind);
    if (!setting)
        return true;
    ShowTitle(this, Control(Group), setting->title);
    list->addItem(Message(setting->title + 1));
    list->addItem(Message(setting->title + 2));
    emit sendCommand(setting->query);
    list->setCurrentIndex(0);
    return true;
}

void CChoiceSettingDlg::SelectEntry(int index) {
    auto* list = static_cast<QComboBox*>(Control(ChoiceList));
    if (index >= 0 && index < list->count())
        list->setCurrentIndex(index);
}

void CChoiceSettingDlg::OnSet() {
    if (const ChoiceSetting* setting = FindSetting(kChoiceSettings, m_kind))
        emit sendCommand(
            setting->command(static_cast<QComboBox*>(Control(ChoiceList))->currentIndex()));
}

void CChoiceSettingDlg::OnRead() {
    if (const ChoiceSetting* setting = FindSetting(kChoiceSettings, m_kind))
        emit sendCommand(setting->query);
}

bool CChoiceSettingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control(ChoiceList) && IsEnterPress(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

// Value dialog

CValueSettingDlg::CValueSettingDlg(int kind, QWidget* parent) : QDialog(parent), m_kind(kind) {
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
}

bool CValueSettingDlg::SetUpDialog() {
    const ValueSetting* setting = FindSetting(kValueSettings, m_kind);
    if (!setting)
        return true;
    ShowTitle(this, Control(Group), setting->title);
    static_cast<QLineEdit*>(Control(ValueField))
        ->setText(QString::fromLatin1(setting->initialText));
    emit sendCommand(setting->query);
    return true;
}

void CValueSettingDlg::SetReadout(const QString& text) {
    static_cast<QLabel*>(Control(Readout))->setText(text);
}

void CValueSettingDlg::OnSet() {
    const ValueSetting* setting = FindSetting(kValueSettings, m_kind);
    if (!setting)
        return;
    auto* field = static_cast<QLineEdit*>(Control(ValueField));
    const model::IntegerConversion entered = model::ConvertInteger32(field->text().toStdString());
    // Hours become hundreds of hours, truncated toward zero: -50 gives 0, 150 gives 1.
    const long long n = setting->hundreds ? entered.value / 100 : entered.value;
    int problem = 0;
    if (entered.leftover)
        problem = resources::msg::ValueWrong;
    else if (n < setting->minimum || n > setting->maximum)
        problem = setting->rangeMessage;
    if (problem) {
        prompter().ShowMessage(this, Message(problem), QStringLiteral("Error"));
        return;
    }
    const int value = static_cast<int>(n);
    emit sendCommand(setting->command(value));
    field->setText(QString::number(setting->hundreds ? value * 100 : value));
}

void CValueSettingDlg::OnRead() {
    if (const ValueSetting* setting = FindSetting(kValueSettings, m_kind))
        emit sendCommand(setting->query);
}

bool CValueSettingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control(ValueField) && IsEnterPress(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace vq3::ui
