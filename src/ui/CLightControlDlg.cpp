// The Light Control window: lamp, intensity, lamp time, status and shutter. Every action
// asks the unit for at most one thing and returns; what the unit reports comes back as
// signals of the object that runs it.
#include "ui/CLightControlDlg.h"

#include "control/UnitController.h"
#include "model/NumberRules.h"
#include "resources/ControlIds.h"
#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"

#include <QColor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

#include <iterator>

namespace vq3::ui {

namespace {

using namespace resources::idc::light;

// Screen-reader names of the six lamps, in the order of kLamps and control::IndicatorLit.
constexpr const char* kLampNames[] = {"Lamp On",       "Lamp Stable",   "Shutter Open",
                                      "MIN Intensity", "MAX Intensity", "Error"};

struct Description {
    int id;
    const char* text;
};
constexpr Description kDescriptions[] = {
    {IntensityReadout, "Intensity read-out"},
    {LampTimeReadout, "Lamp Time read-out"},
    {AutoTimeReadout, "Reading Auto Time read-out"},
    {RestTimeReadout, "Shutter Open Rest Time read-out"},
    {Lamp, "Lamp ON/OFF"},
    {ManualShutter, "Manual"},
    {AutoShutter, "Auto"},
    {IntensityRead, "Intensity Read"},
    {LampTimeRead, "Lamp Time Read"},
    {StatusRead, "Status Read"},
    {AutoTimeRead, "Reading Auto Time Read"},
    {RestTimeRead, "Shutter Open Rest Time Read"},
};

const QColor kLitColour(255, 255, 0);

// The label that shows a read-out.
int ReadoutControl(control::Readout readout) {
    switch (readout) {
    case control::Readout::Intensity:
        return IntensityReadout;
    case control::Readout::LampTime:
        return LampTimeReadout;
    case control::Readout::AutoTime:
        return AutoTimeReadout;
    case control::Readout::RestTime:
        break;
    }
    return RestTimeReadout;
}

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Keys that never start an intensity ramp: focus travel and bare modifiers (a Shift held
// for Shift+Tab must not start one).
bool IsNavigationOrModifier(int key) {
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

CLightControlDlg::CLightControlDlg(control::UnitController& unit)
    : ToolWindow(QStringLiteral("CLightControlDlg"), QStringLiteral("CONT")), m_unit(unit) {
    const resources::WindowLayout& layout = resources::Layout(resources::idd::LightControl);
    setWindowTitle(QString::fromLatin1(layout.caption));
    SetControls(BuildControls(this, layout));

    // Group box captions dark green; labels keep their transparent background.
    setStyleSheet(QStringLiteral("QGroupBox::title { color: rgb(0, 128, 0); }"));

    for (int id : kButtons) {
        QPushButton* button = Button(id);
        // Enter on a button is handled by the key filter; the dialog has no default button.
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
    Control(AutoTimeField)->installEventFilter(this);

    using control::UnitController;
    auto asks = [this](int id, void (UnitController::*operation)()) {
        connect(Button(id), &QPushButton::clicked, &m_unit, operation);
    };
    asks(IntensityRead, &UnitController::ReadIntensity);
    asks(StatusRead, &UnitController::ReadStatus);
    asks(LampTimeRead, &UnitController::ReadLampTime);
    asks(LampTimeReset, &UnitController::ClearLampTime);
    asks(AutoShutter, &UnitController::StartAutoShutter);
    asks(AutoTimeRead, &UnitController::ReadAutoTime);
    asks(RestTimeRead, &UnitController::ReadRestTime);
    // The toggles act on the last reported status, never on their captions.
    asks(Lamp, &UnitController::ToggleLamp);
    asks(ManualShutter, &UnitController::ToggleShutter);
    connect(Button(SetAutoTime), &QPushButton::clicked, this, &CLightControlDlg::OnSetAutoTime);

    connect(&m_unit, &UnitController::statusChanged, this, &CLightControlDlg::ShowStatus);
    connect(&m_unit, &UnitController::readout, this, &CLightControlDlg::SetReadout);
    connect(&m_unit, &UnitController::busyChanged, this,
            [this](bool busy) { EnableOperations(!busy); });
    // A hold the unit's object ended itself (a settings operation began).
    connect(&m_unit, &UnitController::intensityHeldChanged, this, [this](bool held) {
        if (!held)
            ReleaseRampButton();
    });

    Control(AutoTimeField)->setAccessibleName(QStringLiteral("Setting Auto Time"));
    for (const Description& d : kDescriptions)
        Control(d.id)->setAccessibleDescription(QString::fromLatin1(d.text));
    for (int i = 0; i < int(std::size(kLamps)); ++i) {
        QWidget* lamp = Control(kLamps[i]);
        lamp->setAccessibleName(QString::fromLatin1(kLampNames[i]));
        lamp->setAutoFillBackground(true);
    }
    ShowStatus(0, 0);
}

QPushButton* CLightControlDlg::Button(int id) const {
    return static_cast<QPushButton*>(Control(id));
}

void CLightControlDlg::SetReadout(control::Readout readout, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(Control(ReadoutControl(readout))))
        label->setText(text);
}

void CLightControlDlg::EnableOperations(bool enable) {
    if (!enable)
        StopRamp(); // a disabled button never sees its release
    for (int id : kButtons)
        Control(id)->setEnabled(enable);
    Control(LampTimeReadout)->setEnabled(enable);
}

void CLightControlDlg::OnSetAutoTime() {
    auto* field = static_cast<QLineEdit*>(Control(AutoTimeField));
    const QByteArray text = field->text().toUtf8();
    const model::DecimalConversion conversion =
        model::ConvertDecimal(std::string_view(text.constData(), size_t(text.size())));
    if (conversion.leftover) {
        ShowError(resources::Message(resources::msg::TimeWrong));
        return;
    }
    if (const int problem = m_unit.SetAutoTime(conversion.value)) {
        ShowError(resources::Message(problem));
        return;
    }
    const double seconds = conversion.value == 0.0 ? 0.0 : conversion.value; // never "-0.0"
    field->setText(QString::fromStdString(model::FormatFixed(seconds, 1)));
}

void CLightControlDlg::ShowStatus(std::uint16_t statusWord, int extendedStatus) {
    m_statusWord = statusWord;
    m_extendedStatus = extendedStatus;
    Button(Lamp)->setText(statusWord & control::status::LampOn ? QStringLiteral("Off")
                                                               : QStringLiteral("On"));
    Button(ManualShutter)
        ->setText(statusWord & control::status::ShutterOpen ? QStringLiteral("Close")
                                                            : QStringLiteral("Open"));
    PaintIndicators();
}

// Lit: yellow. Unlit: the palette is left to the dialog, whose background is its face colour.
void CLightControlDlg::PaintIndicators() {
    for (int i = 0; i < int(std::size(kLamps)); ++i) {
        QWidget* lamp = Control(kLamps[i]);
        const bool lit = control::IndicatorLit(i, m_statusWord, m_extendedStatus);
        QPalette palette;
        if (lit)
            palette.setColor(QPalette::Window, kLitColour);
        lamp->setPalette(palette);
        lamp->setAccessibleDescription(lit ? QStringLiteral("lit") : QStringLiteral("unlit"));
        lamp->update();
    }
}

bool CLightControlDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        if (FilterKey(watched, static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == Control(Up) || watched == Control(Down)) {
        if (FilterIntensity(static_cast<QPushButton*>(watched), event))
            return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

// Returns true when the key is consumed.
bool CLightControlDlg::FilterKey(QObject* watched, QKeyEvent* event) {
    const int key = event->key();
    const bool press = event->type() == QEvent::KeyPress;
    if (watched == Control(Up) || watched == Control(Down)) {
        auto* button = static_cast<QPushButton*>(watched);
        if (key == Qt::Key_Escape || IsEnter(key))
            return true;
        if (IsNavigationOrModifier(key))
            return false;
        // Every other key holds the button like the mouse: the hold starts at the first
        // key-down and ends at its release; auto-repeat adds nothing. The button's own
        // key handling (Space clicks, arrows move the focus) is kept out.
        if (event->isAutoRepeat())
            return true;
        if (press) {
            if (!m_rampButton && button->isEnabled())
                StartRamp(button, true, key);
        } else if (m_rampButton == button && m_rampByKey && m_rampKey == key) {
            StopRamp();
        }
        return true;
    }
    if (!press)
        return false;
    // Escape goes on to the window, which discards it.
    if (IsEnter(key)) {
        // Enter presses a focused push button; from the auto time field it does nothing.
        if (auto* button = qobject_cast<QPushButton*>(watched))
            button->click();
        return true;
    }
    return false;
}

// Press and hold of "Up" and "Down" by the left mouse button. The button keeps the mouse
// grab while pressed, so the release arrives here wherever the pointer is. The events go
// on to the button so that it looks pressed and released.
bool CLightControlDlg::FilterIntensity(QPushButton* button, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // the second press of a double click
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && button->isEnabled() &&
            m_rampButton != button)
            StartRamp(button, false, 0);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            m_rampButton == button && !m_rampByKey)
            StopRamp();
        break;
    case QEvent::FocusOut:
        // A key release that will never come here, or a press cut short by another window.
        if (m_rampButton == button)
            StopRamp();
        break;
    default:
        break;
    }
    return false;
}

void CLightControlDlg::StartRamp(QPushButton* button, bool byKey, int key) {
    StopRamp();
    m_rampButton = button;
    m_rampByKey = byKey;
    m_rampKey = key;
    if (byKey)
        button->setDown(true);
    m_unit.StartIntensity(button == Control(Up) ? +1 : -1);
}

void CLightControlDlg::StopRamp() {
    if (!m_rampButton)
        return;
    ReleaseRampButton();
    m_unit.StopIntensity();
}

void CLightControlDlg::ReleaseRampButton() {
    if (!m_rampButton)
        return;
    if (m_rampByKey)
        m_rampButton->setDown(false);
    m_rampButton = nullptr;
    m_rampByKey = false;
    m_rampKey = 0;
}

void CLightControlDlg::hideEvent(QHideEvent* event) {
    StopRamp(); // a hidden button never sees its release
    ToolWindow::hideEvent(event);
}

} // namespace vq3::ui
