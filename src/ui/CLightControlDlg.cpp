// The Light Control window: lamp, intensity, lamp time, status and shutter. Every action
// sends at most one command and returns; replies come back through the main window.
#include "ui/CLightControlDlg.h"

#include "link/Commands.h"
#include "model/NumberRules.h"
#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/CControllerDlg.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"

#include <QCloseEvent>
#include <QColor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

#include <iterator>

namespace vq3::ui {

namespace cmd = link::cmd;

namespace {

enum : int {
    kLampButton = 1005,
    kUp = 1007,
    kDown = 1008,
    kIntensityRead = 1009,
    kLampTimeRead = 1003,
    kReset = 1004,
    kStatusRead = 1006,
    kManualShutter = 1010,
    kAutoShutter = 1011,
    kSetAutoTime = 1013,
    kAutoTimeRead = 1012,
    kRestTimeRead = 1014,
    kAutoTimeField = 1027,
};

constexpr int kPushButtons[] = {kLampButton,   kUp,          kDown,         kIntensityRead,
                                kLampTimeRead, kReset,       kStatusRead,   kManualShutter,
                                kAutoShutter,  kSetAutoTime, kAutoTimeRead, kRestTimeRead};

struct Indicator {
    int id;
    const char* name;
};
// In the order of link::IndicatorLit.
constexpr Indicator kIndicators[] = {{1037, "Lamp On"},       {1038, "Lamp Stable"},
                                     {1039, "Shutter Open"},  {1040, "MIN Intensity"},
                                     {1041, "MAX Intensity"}, {1042, "Error"}};

struct Description {
    int id;
    const char* text;
};
constexpr Description kDescriptions[] = {
    {static_cast<int>(link::Readout::Intensity), "Intensity read-out"},
    {static_cast<int>(link::Readout::LampTime), "Lamp Time read-out"},
    {static_cast<int>(link::Readout::AutoTime), "Reading Auto Time read-out"},
    {static_cast<int>(link::Readout::RestTime), "Shutter Open Rest Time read-out"},
    {kLampButton, "Lamp ON/OFF"},
    {kManualShutter, "Manual"},
    {kAutoShutter, "Auto"},
    {kIntensityRead, "Intensity Read"},
    {kLampTimeRead, "Lamp Time Read"},
    {kStatusRead, "Status Read"},
    {kAutoTimeRead, "Reading Auto Time Read"},
    {kRestTimeRead, "Shutter Open Rest Time Read"},
};

const QColor kLitColour(255, 255, 0);

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

CLightControlDlg::CLightControlDlg() : QDialog(nullptr) {
    setObjectName(QStringLiteral("CLightControlDlg"));
    const resources::WindowLayout& layout = resources::Layout(129);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_controls = BuildControls(this, layout);

    // Group box captions dark green; labels keep their transparent background.
    setStyleSheet(QStringLiteral("QGroupBox::title { color: rgb(0, 128, 0); }"));

    for (int id : kPushButtons) {
        QPushButton* button = Button(id);
        // Enter on a button is handled by the key filter; the dialog has no default button.
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
    Control(kAutoTimeField)->installEventFilter(this);

    auto sends = [this](int id, const QByteArray& command) {
        connect(Button(id), &QPushButton::clicked, this, [this, command] { Send(command); });
    };
    sends(kIntensityRead, cmd::IntensityQuery);
    sends(kStatusRead, cmd::Inp);
    sends(kLampTimeRead, cmd::LampTimeQuery);
    sends(kReset, cmd::LampTimeClear);
    sends(kAutoShutter, cmd::AutoShutterStart);
    sends(kAutoTimeRead, cmd::AutoTimeQuery);
    sends(kRestTimeRead, cmd::RestTimeQuery);
    connect(Button(kLampButton), &QPushButton::clicked, this, &CLightControlDlg::OnLampButton);
    connect(Button(kManualShutter), &QPushButton::clicked, this,
            &CLightControlDlg::OnManualShutter);
    connect(Button(kSetAutoTime), &QPushButton::clicked, this, &CLightControlDlg::OnSetAutoTime);

    Control(kAutoTimeField)->setAccessibleName(QStringLiteral("Setting Auto Time"));
    for (const Description& d : kDescriptions)
        Control(d.id)->setAccessibleDescription(QString::fromLatin1(d.text));
    for (const Indicator& indicator : kIndicators) {
        QWidget* lamp = Control(indicator.id);
        lamp->setAccessibleName(QString::fromLatin1(indicator.name));
        lamp->setAutoFillBackground(true);
    }
    PaintIndicators();
}

CLightControlDlg::~CLightControlDlg() = default;

void CLightControlDlg::SetMainWindow(CControllerDlg* owner) {
    m_owner = owner;
    StatusChanged();
}

QPushButton* CLightControlDlg::Button(int id) const {
    return static_cast<QPushButton*>(Control(id));
}

void CLightControlDlg::Send(const QByteArray& command) {
    if (m_owner)
        m_owner->SendCommand(command);
}

void CLightControlDlg::ShowError(const QString& text) {
    prompter().ShowMessage(this, text, QStringLiteral("Error"));
}

void CLightControlDlg::SetReadout(link::Readout readout, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(Control(static_cast<int>(readout))))
        label->setText(text);
}

void CLightControlDlg::EnableOperations(bool enable) {
    if (!enable)
        StopRamp(); // a disabled button never sees its release
    for (int id : kPushButtons)
        Control(id)->setEnabled(enable);
    Control(static_cast<int>(link::Readout::LampTime))->setEnabled(enable);
}

// The toggles act on the last reported status, never on their captions.
void CLightControlDlg::OnLampButton() {
    const bool lampOn = m_owner && (m_owner->State().StatusWord & link::status::LampOn);
    Send(lampOn ? cmd::LampOff : cmd::LampOn);
}

void CLightControlDlg::OnManualShutter() {
    const bool open = m_owner && (m_owner->State().StatusWord & link::status::ShutterOpen);
    Send(open ? cmd::ShutterClose : cmd::ShutterOpen);
}

void CLightControlDlg::OnSetAutoTime() {
    auto* field = static_cast<QLineEdit*>(Control(kAutoTimeField));
    const QByteArray text = field->text().toUtf8();
    const model::DecimalConversion conversion =
        model::ConvertDecimal(std::string_view(text.constData(), size_t(text.size())));
    if (conversion.leftover) {
        ShowError(resources::Message(resources::msg::TimeWrong));
        return;
    }
    double seconds = conversion.value;
    if (!(seconds >= 0.0 && seconds <= 999.9)) {
        ShowError(resources::Message(resources::msg::AutoTimeOutOfRange));
        return;
    }
    if (seconds == 0.0)
        seconds = 0.0; // "-0" would print a sign into the command
    Send(cmd::AutoTime(seconds));
    field->setText(QString::fromStdString(model::FormatFixed(seconds, 1)));
}

void CLightControlDlg::StatusChanged() {
    const unsigned status = m_owner ? m_owner->State().StatusWord : 0;
    Button(kLampButton)
        ->setText(status & link::status::LampOn ? QStringLiteral("Off") : QStringLiteral("On"));
    Button(kManualShutter)
        ->setText(status & link::status::ShutterOpen ? QStringLiteral("Close")
                                                     : QStringLiteral("Open"));
    PaintIndicators();
}

// Lit: yellow. Unlit: the palette is left to the dialog, whose background is its face colour.
void CLightControlDlg::PaintIndicators() {
    const std::uint16_t status = m_owner ? m_owner->State().StatusWord : 0;
    const int extended = m_owner ? m_owner->State().extendedStatus : 0;
    for (int i = 0; i < int(std::size(kIndicators)); ++i) {
        QWidget* lamp = Control(kIndicators[i].id);
        const bool lit = link::IndicatorLit(i, status, extended);
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
    } else if (watched == Control(kUp) || watched == Control(kDown)) {
        if (FilterIntensity(static_cast<QPushButton*>(watched), event))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Returns true when the key is consumed.
bool CLightControlDlg::FilterKey(QObject* watched, QKeyEvent* event) {
    const int key = event->key();
    const bool press = event->type() == QEvent::KeyPress;
    if (watched == Control(kUp) || watched == Control(kDown)) {
        auto* button = static_cast<QPushButton*>(watched);
        if (key == Qt::Key_Escape || IsEnter(key))
            return true;
        if (IsNavigationOrModifier(key))
            return false;
        // Every other key holds the button like the mouse: one INT1/INT2 at the first
        // key-down, one INT0 at its release; auto-repeat adds nothing. The button's own
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
    Send(button == Control(kUp) ? cmd::IntensityUp : cmd::IntensityDown);
}

void CLightControlDlg::StopRamp() {
    if (!m_rampButton)
        return;
    QPushButton* button = m_rampButton;
    const bool byKey = m_rampByKey;
    m_rampButton = nullptr;
    m_rampByKey = false;
    m_rampKey = 0;
    if (byKey)
        button->setDown(false);
    Send(cmd::IntensityStop);
}

void CLightControlDlg::keyPressEvent(QKeyEvent* event) {
    // Neither Escape nor Enter ends or hides this window.
    if (event->key() == Qt::Key_Escape || IsEnter(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CLightControlDlg::reject() {
    // The close box: hidden, never destroyed; the menu item loses its check mark.
    if (m_owner) {
        m_owner->SetMenuCheck(idm::LightControl, m_owner->m_bLightControlShown);
        m_owner->m_bLightControlShown = false;
    }
    hide();
}

void CLightControlDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void CLightControlDlg::hideEvent(QHideEvent* event) {
    StopRamp(); // a hidden button never sees its release
    QDialog::hideEvent(event);
}

void CLightControlDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (m_owner && isVisible() && !isMinimized())
        m_owner->m_ptLightControl = frameGeometry().topLeft();
}

} // namespace vq3::ui
