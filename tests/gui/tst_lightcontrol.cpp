// The Light Control window on an in-memory line: the bytes each operator action puts on
// the wire, the auto time rules and their messages, the status display, the intensity
// press-and-hold by mouse and keyboard, the keyboard rules, closing, placement, enabling
// and what a screen reader finds.
#include "WindowRig.h"

#include <QAccessible>
#include <QImage>
#include <QWindow>

namespace {

namespace light = vq3::resources::idc::light;
namespace idm = vq3::resources::idm;
constexpr int kUp = light::Up;
constexpr int kDown = light::Down;
constexpr int kField = light::AutoTimeField;
const char* const kIndicatorNames[] = {"Lamp On",       "Lamp Stable",   "Shutter Open",
                                       "MIN Intensity", "MAX Intensity", "Error"};

// The window rig with the Light Control window in view.
struct Rig : vq3::test::WindowRig {
    using WindowRig::WindowRig;
    QWidget* Window() const { return LightControl(); }
    QWidget* Control(int id) const { return vq3::test::FindControl(Window(), id); }
    QPushButton* Button(int id) const { return vq3::test::FindControl<QPushButton>(Window(), id); }
    QLineEdit* Field() const { return vq3::test::FindControl<QLineEdit>(Window(), kField); }
    QAction* MenuItem() const { return Action(idm::LightControl); }

    // Through the "&Light Controll" item, as the operator does.
    bool Show() { return ShowTool(idm::LightControl); }

    bool ShowActive() {
        if (!Show())
            return false;
        Window()->activateWindow();
        return QTest::qWaitForWindowActive(Window());
    }
};

QString Accessible(QWidget* widget, QAccessible::Text kind) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(kind) : QStringLiteral("<no interface>");
}

QColor Painted(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// A key event as the platform delivers it to the focused control.
void SendKey(QWidget* widget, QEvent::Type type, int key, bool autoRepeat = false) {
    const QString text = key == Qt::Key_Space ? QStringLiteral(" ")
                         : key == Qt::Key_A   ? QStringLiteral("a")
                                              : QString();
    QKeyEvent event(type, key, Qt::NoModifier, text, autoRepeat);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class LightControlTest : public QObject {
    Q_OBJECT
private slots:
    void windowAsCreated();
    void autoTime_data();
    void autoTime();
    void commandButtons_data();
    void commandButtons();
    void toggles_data();
    void toggles();
    void statusDisplay_data();
    void statusDisplay();
    void intensityMouse_data();
    void intensityMouse();
    void pressDragRelease();
    void intensityKeys_data();
    void intensityKeys();
    void holdEndsWithoutRelease_data();
    void holdEndsWithoutRelease();
    void mouseAndKeysTogether_data();
    void mouseAndKeysTogether();
    void enterAndEscape_data();
    void enterAndEscape();
    void closeBoxHidesAndUnchecks();
    void enableOperations();
    void positionRecord_data();
    void positionRecord();
    void readoutWhileHidden_data();
    void readoutWhileHidden();
    void accessibleTexts_data();
    void accessibleTexts();
    void groupCaptionsGreen();
};

void LightControlTest::windowAsCreated() {
    Rig rig;
    QWidget* window = rig.Window();
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("CLightControlDlg"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Light Controll"));
    QVERIFY(!window->parentWidget());
    QVERIFY(window->isHidden());
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(rig.Button(1005)->text(), QStringLiteral("On"));
    QCOMPARE(rig.Button(1010)->text(), QStringLiteral("Open"));
    for (int id : light::kLamps)
        QCOMPARE(Accessible(rig.Control(id), QAccessible::Description), QStringLiteral("unlit"));
    for (int id : light::kButtons) {
        QVERIFY2(!rig.Button(id)->autoDefault() && !rig.Button(id)->isDefault(),
                 qPrintable(QString::number(id)));
    }
}

void LightControlTest::autoTime_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("fieldAfter");
    const QString wrong = QStringLiteral("Setting value of time is wrong.");
    const QString range =
        QStringLiteral("Setting value is out of range.(Set value within 0 - 999.9)");
    QTest::newRow("empty") << "" << QByteArray("AT000.0\r") << ""
                           << "0.0";
    QTest::newRow("blanks only") << "  " << QByteArray() << wrong << "  ";
    QTest::newRow("upper bound") << "999.9" << QByteArray("AT999.9\r") << ""
                                 << "999.9";
    QTest::newRow("above bound though it would round to it")
        << "999.94" << QByteArray() << range << "999.94";
    QTest::newRow("above bound") << "999.95" << QByteArray() << range << "999.95";
    QTest::newRow("below zero") << "-0.1" << QByteArray() << range << "-0.1";
    QTest::newRow("minus zero") << "-0" << QByteArray("AT000.0\r") << ""
                                << "0.0";
    QTest::newRow("comma") << "12,5" << QByteArray() << wrong << "12,5";
    QTest::newRow("trailing blank") << "12.5 " << QByteArray() << wrong << "12.5 ";
    QTest::newRow("letters") << "abc" << QByteArray() << wrong << "abc";
    QTest::newRow("hex") << "0x10" << QByteArray() << wrong << "0x10";
    QTest::newRow("leading blanks") << "  7" << QByteArray("AT007.0\r") << ""
                                    << "7.0";
    QTest::newRow("exponent") << "1e2" << QByteArray("AT100.0\r") << ""
                              << "100.0";
    QTest::newRow("rounded") << "12.34" << QByteArray("AT012.3\r") << ""
                             << "12.3";
    QTest::newRow("plus sign") << "+5" << QByteArray("AT005.0\r") << ""
                               << "5.0";
}

void LightControlTest::autoTime() {
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QFETCH(QString, message);
    QFETCH(QString, fieldAfter);
    Rig rig;
    QVERIFY(rig.Show());
    rig.Field()->setText(text);
    QTest::mouseClick(rig.Button(1013), Qt::LeftButton);

    QCOMPARE(rig.Take(), written);
    QCOMPARE(rig.Field()->text(), fieldAfter);
    if (message.isEmpty()) {
        QVERIFY(rig.prompter.shown.isEmpty());
    } else {
        QCOMPARE(rig.prompter.shown.size(), 1);
        QCOMPARE(rig.prompter.shown[0].text, message);
        QCOMPARE(rig.prompter.shown[0].caption, QStringLiteral("Error"));
        QCOMPARE(rig.prompter.shown[0].owner, QStringLiteral("CLightControlDlg"));
        QVERIFY(!rig.prompter.shown[0].okCancel);
    }
    QVERIFY(rig.Window()->isVisible());
}

// Each button asks for its operation when clicked and when Return or Enter is pressed on it.
void LightControlTest::commandButtons_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("lamp, no status yet") << int(light::Lamp) << QByteArray("L1\r");
    QTest::newRow("intensity Read") << int(light::IntensityRead) << QByteArray("INTQ\r");
    QTest::newRow("status Read") << int(light::StatusRead) << QByteArray("INP\r");
    QTest::newRow("lamp time Read") << int(light::LampTimeRead) << QByteArray("LIF\r");
    QTest::newRow("Reset without asking") << int(light::LampTimeReset) << QByteArray("LAMPCLR\r");
    QTest::newRow("manual shutter, no status yet")
        << int(light::ManualShutter) << QByteArray("S1\r");
    QTest::newRow("auto shutter") << int(light::AutoShutter) << QByteArray("ATS\r");
    QTest::newRow("Set, the field's time") << int(light::SetAutoTime) << QByteArray("AT012.5\r");
    QTest::newRow("auto time Read") << int(light::AutoTimeRead) << QByteArray("ATQ\r");
    QTest::newRow("rest time Read") << int(light::RestTimeRead) << QByteArray("ATT\r");
}

void LightControlTest::commandButtons() {
    QFETCH(int, id);
    QFETCH(QByteArray, written);
    Rig rig;
    rig.device.silent = true; // no status comes back to change what the toggles ask
    QVERIFY(rig.ShowActive());
    rig.Field()->setText(QStringLiteral("12.5"));
    QPushButton* button = rig.Button(id);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(rig.Take(), written);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    QCOMPARE(rig.Take(), written + written);
    QVERIFY(rig.Window()->isVisible());
    QVERIFY(rig.prompter.shown.isEmpty());
}

void LightControlTest::toggles_data() {
    QTest::addColumn<QString>("status"); // reply received before the presses, "" for none
    QTest::addColumn<QString>("lampCaption");
    QTest::addColumn<QString>("shutterCaption");
    QTest::addColumn<QByteArray>("lampPress");
    QTest::addColumn<QByteArray>("shutterPress");
    QTest::newRow("no status yet") << ""
                                   << "On"
                                   << "Open" << QByteArray("L1\r") << QByteArray("S1\r");
    QTest::newRow("lamp on, shutter open") << "INP05"
                                           << "Off"
                                           << "Close" << QByteArray("L0\r") << QByteArray("S0\r");
    QTest::newRow("shutter open only") << "INP04"
                                       << "On"
                                       << "Close" << QByteArray("L1\r") << QByteArray("S0\r");
}

void LightControlTest::toggles() {
    QFETCH(QString, status);
    QFETCH(QString, lampCaption);
    QFETCH(QString, shutterCaption);
    QFETCH(QByteArray, lampPress);
    QFETCH(QByteArray, shutterPress);
    Rig rig;
    QVERIFY(rig.Show());
    rig.device.silent = true; // the presses change no status
    if (!status.isEmpty())
        rig.Arrive(status.toLatin1());
    QCOMPARE(rig.Button(1005)->text(), lampCaption);
    QCOMPARE(rig.Button(1010)->text(), shutterCaption);

    QTest::mouseClick(rig.Button(1005), Qt::LeftButton);
    QCOMPARE(rig.Take(), lampPress);
    QTest::mouseClick(rig.Button(1010), Qt::LeftButton);
    QCOMPARE(rig.Take(), shutterPress);

    // The status decides, not the caption.
    rig.Button(1005)->setText(lampCaption == "On" ? "Off" : "On");
    rig.Button(1010)->setText(shutterCaption == "Open" ? "Close" : "Open");
    QTest::mouseClick(rig.Button(1005), Qt::LeftButton);
    QTest::mouseClick(rig.Button(1010), Qt::LeftButton);
    QCOMPARE(rig.Take(), lampPress + shutterPress);
}

void LightControlTest::statusDisplay_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("litMask"); // bit i: indicator i ("Lamp On" .. "Error") lit
    QTest::addColumn<QString>("lampCaption");
    QTest::addColumn<QString>("shutterCaption");
    // How a reply becomes the status word and the lit indicators: tst_replydispatch.
    QTest::newRow("short 21") << "INP21" << 0x21 << "Off"
                              << "Open";
    QTest::newRow("long 040: error") << "INP040" << 0x20 << "On"
                                     << "Open";
    QTest::newRow("short C0: nothing") << "INPC0" << 0x00 << "On"
                                       << "Open";
    QTest::newRow("1E") << "INP1E" << 0x1E << "On"
                        << "Close";
    QTest::newRow("short 3f: all") << "INP3f" << 0x3F << "Off"
                                   << "Close";
}

void LightControlTest::statusDisplay() {
    QFETCH(QString, reply);
    QFETCH(int, litMask);
    QFETCH(QString, lampCaption);
    QFETCH(QString, shutterCaption);
    Rig rig;
    QVERIFY(rig.Show());
    // Start from everything lit, so that each row also shows indicators going out.
    rig.Arrive("INP3F");
    rig.Arrive(reply.toLatin1());

    QCOMPARE(rig.Button(1005)->text(), lampCaption);
    QCOMPARE(rig.Button(1010)->text(), shutterCaption);
    const QColor face = rig.Window()->palette().color(QPalette::Window);
    QVERIFY(face != QColor(255, 255, 0));
    for (int i = 0; i < 6; ++i) {
        QWidget* indicator = rig.Control(light::kLamps[i]);
        const bool lit = litMask & (1 << i);
        const QColor expected = lit ? QColor(255, 255, 0) : face;
        QCOMPARE(Accessible(indicator, QAccessible::Name), QString::fromLatin1(kIndicatorNames[i]));
        QCOMPARE(Accessible(indicator, QAccessible::Description),
                 lit ? QStringLiteral("lit") : QStringLiteral("unlit"));
        QCOMPARE(indicator->palette().color(QPalette::Window), expected);
        QCOMPARE(Painted(indicator), expected);
    }
}

void LightControlTest::intensityMouse_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("gesture"); // 0 click, 1 double click, 2 right click, 3 disabled
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("click Up") << kUp << 0 << QByteArray("INT1\rINT0\r");
    QTest::newRow("click Down") << kDown << 0 << QByteArray("INT2\rINT0\r");
    QTest::newRow("double click Up") << kUp << 1 << QByteArray("INT1\rINT0\rINT1\rINT0\r");
    QTest::newRow("right button Up") << kUp << 2 << QByteArray();
    QTest::newRow("disabled Down") << kDown << 3 << QByteArray();
}

void LightControlTest::intensityMouse() {
    QFETCH(int, id);
    QFETCH(int, gesture);
    QFETCH(QByteArray, written);
    Rig rig;
    QVERIFY(rig.Show());
    QWindow* window = rig.Window()->windowHandle();
    QPushButton* button = rig.Button(id);
    const QPoint at = button->mapTo(rig.Window(), button->rect().center());
    if (gesture == 3)
        QVERIFY(rig.controller.ReserveForSettings());
    if (gesture == 1)
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(window, gesture == 2 ? Qt::RightButton : Qt::LeftButton, {}, at);
    QCOMPARE(rig.Take(), written);
    QVERIFY(!button->isDown());
}

void LightControlTest::pressDragRelease() {
    Rig rig;
    QVERIFY(rig.Show());
    QWindow* window = rig.Window()->windowHandle();
    QPushButton* down = rig.Button(kDown);
    const QPoint on = down->mapTo(rig.Window(), down->rect().center());
    QWidget* elsewhere = rig.Control(light::LampTimeReadout);
    const QPoint off = elsewhere->mapTo(rig.Window(), elsewhere->rect().center());

    QTest::mousePress(window, Qt::LeftButton, {}, on);
    QCOMPARE(rig.Take(), QByteArray("INT2\r"));
    QTest::mouseMove(window, off);
    QCOMPARE(rig.Take(), QByteArray());
    QTest::mouseRelease(window, Qt::LeftButton, {}, off);
    QCOMPARE(rig.Take(), QByteArray("INT0\r"));
    QVERIFY(!down->isDown());
    QTest::qWait(60); // reception ticks add nothing
    QCOMPARE(rig.Take(), QByteArray());
}

void LightControlTest::intensityKeys_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("atPress");
    QTest::newRow("Space on Up") << kUp << int(Qt::Key_Space) << QByteArray("INT1\r");
    QTest::newRow("Space on Down") << kDown << int(Qt::Key_Space) << QByteArray("INT2\r");
    QTest::newRow("Right arrow on Up") << kUp << int(Qt::Key_Right) << QByteArray("INT1\r");
    QTest::newRow("Down arrow on Down") << kDown << int(Qt::Key_Down) << QByteArray("INT2\r");
    QTest::newRow("letter on Up") << kUp << int(Qt::Key_A) << QByteArray("INT1\r");
    QTest::newRow("Return on Up") << kUp << int(Qt::Key_Return) << QByteArray();
    QTest::newRow("Enter on Down") << kDown << int(Qt::Key_Enter) << QByteArray();
    QTest::newRow("Escape on Up") << kUp << int(Qt::Key_Escape) << QByteArray();
    QTest::newRow("Shift on Up") << kUp << int(Qt::Key_Shift) << QByteArray();
}

void LightControlTest::intensityKeys() {
    QFETCH(int, id);
    QFETCH(int, key);
    QFETCH(QByteArray, atPress);
    Rig rig;
    QVERIFY(rig.ShowActive());
    QPushButton* button = rig.Button(id);
    button->setFocus();
    QVERIFY(button->hasFocus());
    int clicks = 0;
    connect(button, &QPushButton::clicked, this, [&clicks] { ++clicks; });

    SendKey(button, QEvent::KeyPress, key);
    QCOMPARE(rig.Take(), atPress);
    for (int i = 0; i < 5; ++i) {
        SendKey(button, QEvent::KeyRelease, key, true);
        SendKey(button, QEvent::KeyPress, key, true);
    }
    QCOMPARE(rig.Take(), QByteArray());
    SendKey(button, QEvent::KeyRelease, key);
    QCOMPARE(rig.Take(), atPress.isEmpty() ? QByteArray() : QByteArray("INT0\r"));

    QCOMPARE(clicks, 0);
    QVERIFY(!button->isDown());
    QVERIFY(button->hasFocus()); // arrows do not wander off mid-hold
    QVERIFY(rig.Window()->isVisible());
    QVERIFY(rig.prompter.shown.isEmpty());
}

void LightControlTest::holdEndsWithoutRelease_data() {
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<bool>("active"); // the Light Control window has the keyboard focus
    QTest::addColumn<int>("how");     // 0 focus moves on (Tab), 1 window hidden, 2 disabled
    QTest::newRow("key held, Tab") << true << true << 0;
    QTest::newRow("key held, window hidden") << true << true << 1;
    QTest::newRow("key held, operations disabled") << true << true << 2;
    QTest::newRow("mouse held, window hidden") << false << true << 1;
    QTest::newRow("mouse held, inactive window hidden") << false << false << 1;
    QTest::newRow("mouse held, operations disabled") << false << true << 2;
    QTest::newRow("mouse held, inactive, disabled") << false << false << 2;
}

void LightControlTest::holdEndsWithoutRelease() {
    QFETCH(bool, byKey);
    QFETCH(bool, active);
    QFETCH(int, how);
    Rig rig;
    QVERIFY(rig.ShowActive());
    QPushButton* up = rig.Button(kUp);
    up->setFocus();
    if (!active) {
        // Another window has the focus, as when the platform does not activate on click.
        rig.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    }
    if (byKey)
        SendKey(up, QEvent::KeyPress, Qt::Key_Space);
    else
        QTest::mousePress(up, Qt::LeftButton);
    QCOMPARE(rig.Take(), QByteArray("INT1\r"));

    if (how == 0)
        QTest::keyClick(up, Qt::Key_Tab);
    else if (how == 1)
        rig.Window()->close();
    else
        QVERIFY(rig.controller.ReserveForSettings()); // a settings operation begins
    QCOMPARE(rig.Take(), QByteArray("INT0\r"));

    // The release that comes late, if at all, adds nothing.
    if (byKey)
        SendKey(up, QEvent::KeyRelease, Qt::Key_Space);
    else
        QTest::mouseRelease(up, Qt::LeftButton);
    QCOMPARE(rig.Take(), QByteArray());
}

void LightControlTest::mouseAndKeysTogether_data() {
    QTest::addColumn<bool>("keyFirst");
    QTest::addColumn<int>("mouseOn");
    // Bytes after each step: first hold starts, second starts, mouse release, key release.
    QTest::addColumn<QByteArrayList>("steps");
    QTest::newRow("Space on Up, then mouse on Up")
        << true << kUp << QByteArrayList{"INT1\r", "", "", "INT0\r"};
    QTest::newRow("Space on Up, then mouse on Down")
        << true << kDown << QByteArrayList{"INT1\r", "INT0\rINT2\r", "INT0\r", ""};
    QTest::newRow("mouse on Up, then Space on Up")
        << false << kUp << QByteArrayList{"INT1\r", "", "INT0\r", ""};
}

// At most one ramp at a time, and every INT1/INT2 is closed by exactly one INT0.
void LightControlTest::mouseAndKeysTogether() {
    QFETCH(bool, keyFirst);
    QFETCH(int, mouseOn);
    QFETCH(QByteArrayList, steps);
    Rig rig;
    QVERIFY(rig.ShowActive());
    QPushButton* up = rig.Button(kUp);
    QPushButton* mouseButton = rig.Button(mouseOn);
    up->setFocus();
    auto pressKey = [&] { SendKey(QApplication::focusWidget(), QEvent::KeyPress, Qt::Key_Space); };
    auto pressMouse = [&] { QTest::mousePress(mouseButton, Qt::LeftButton); };
    keyFirst ? pressKey() : pressMouse();
    QCOMPARE(rig.Take(), steps[0]);
    keyFirst ? pressMouse() : pressKey();
    QCOMPARE(rig.Take(), steps[1]);
    QTest::mouseRelease(mouseButton, Qt::LeftButton);
    QCOMPARE(rig.Take(), steps[2]);
    SendKey(QApplication::focusWidget(), QEvent::KeyRelease, Qt::Key_Space);
    QCOMPARE(rig.Take(), steps[3]);
}

void LightControlTest::enterAndEscape_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("written");
    const int enter = Qt::Key_Enter;
    const int ret = Qt::Key_Return;
    // Return and Enter on each button: commandButtons.
    QTest::newRow("Return in auto time field") << kField << ret << QByteArray();
    QTest::newRow("Enter in auto time field") << kField << enter << QByteArray();
    QTest::newRow("Return on Up") << kUp << ret << QByteArray();
    QTest::newRow("Return on Down") << kDown << ret << QByteArray();
    QTest::newRow("Escape in field") << kField << int(Qt::Key_Escape) << QByteArray();
    QTest::newRow("Escape on Read")
        << int(light::IntensityRead) << int(Qt::Key_Escape) << QByteArray();
    QTest::newRow("Escape on window") << 0 << int(Qt::Key_Escape) << QByteArray();
    QTest::newRow("Return on window") << 0 << ret << QByteArray();
}

void LightControlTest::enterAndEscape() {
    QFETCH(int, id);
    QFETCH(int, key);
    QFETCH(QByteArray, written);
    Rig rig;
    QVERIFY(rig.ShowActive());
    rig.Field()->setText(QStringLiteral("12.5"));
    QWidget* target = id ? rig.Control(id) : rig.Window();
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(rig.Take(), written);
    QVERIFY(rig.Window()->isVisible());
    QVERIFY(rig.MenuItem()->isChecked());
    QVERIFY(rig.prompter.shown.isEmpty());
}

void LightControlTest::closeBoxHidesAndUnchecks() {
    Rig rig;
    QVERIFY(!rig.MenuItem()->isChecked());
    QVERIFY(rig.Show());
    QVERIFY(rig.MenuItem()->isChecked());
    QVERIFY(rig.Window()->isVisible());

    rig.Window()->close();
    QVERIFY(rig.Window()->isHidden());
    QVERIFY(!rig.MenuItem()->isChecked());
    QVERIFY(rig.MenuItem()->isEnabled());
    QCOMPARE(rig.Take(), QByteArray());

    // The next choice of the item shows it again, checked.
    QVERIFY(rig.Show());
    QVERIFY(rig.Window()->isVisible());
    QVERIFY(rig.MenuItem()->isChecked());
}

// While a settings operation runs, the twelve buttons and the lamp time read-out are greyed.
void LightControlTest::enableOperations() {
    Rig rig;
    QVERIFY(rig.Show());
    QVERIFY(rig.controller.ReserveForSettings());
    for (int id : light::kButtons)
        QVERIFY2(!rig.Control(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!rig.Control(light::LampTimeReadout)->isEnabled());
    QVERIFY(rig.Field()->isEnabled());
    for (int id : {light::IntensityReadout, light::AutoTimeReadout, light::RestTimeReadout})
        QVERIFY(rig.Control(id)->isEnabled());
    QTest::mouseClick(rig.Button(light::IntensityRead), Qt::LeftButton);
    QCOMPARE(rig.Take(), QByteArray());

    rig.controller.ReleaseSettings();
    for (int id : light::kButtons)
        QVERIFY2(rig.Control(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(rig.Control(light::LampTimeReadout)->isEnabled());
    QTest::mouseClick(rig.Button(light::IntensityRead), Qt::LeftButton);
    QCOMPARE(rig.Take(), QByteArray("INTQ\r"));
}

void LightControlTest::positionRecord_data() {
    QTest::addColumn<int>("how"); // 0 moved while hidden, 1 while shown, 2 while minimized
    QTest::addColumn<QPoint>("stored");
    QTest::newRow("moved while hidden") << 0 << QPoint(10, 20);
    QTest::newRow("moved while shown") << 1 << QPoint(123, 45);
    QTest::newRow("moved while minimized") << 2 << QPoint(123, 45);
}

// The place the profile keeps when the program ends.
void LightControlTest::positionRecord() {
    QFETCH(int, how);
    QFETCH(QPoint, stored);
    Rig rig(1, "CONT_X=10\r\nCONT_Y=20\r\n");
    if (how == 0) {
        rig.Window()->move(50, 60);
        QCoreApplication::processEvents();
    } else {
        QVERIFY(rig.Show());
        rig.Window()->move(123, 45);
        QTRY_COMPARE(rig.Window()->frameGeometry().topLeft(), QPoint(123, 45));
    }
    if (how == 2) {
        rig.Window()->showMinimized();
        QTRY_VERIFY(rig.Window()->isMinimized());
        rig.Window()->move(200, 150);
        QTest::qWait(50);
    }
    rig.window->OnWindowDestroy();
    const QString section = QStringLiteral("INIT");
    QCOMPARE(QPoint(rig.profile->ReadInt(section, "CONT_X", -1),
                    rig.profile->ReadInt(section, "CONT_Y", -1)),
             stored);
}

void LightControlTest::readoutWhileHidden_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("shown");
    QTest::newRow("intensity") << "INT050" << 1034 << "50";
    QTest::newRow("lamp time") << "LIFOK0123" << int(light::LampTimeReadout) << "123";
    QTest::newRow("auto time") << "AT012.3" << 1035 << "12.3";
    QTest::newRow("rest time") << "ATT001.5" << 1036 << "1.5";
}

void LightControlTest::readoutWhileHidden() {
    QFETCH(QString, reply);
    QFETCH(int, id);
    QFETCH(QString, shown);
    Rig rig;
    QVERIFY(rig.Show());
    rig.Window()->close();
    rig.Arrive(reply.toLatin1());
    QVERIFY(rig.Show());
    auto* label = static_cast<QLabel*>(rig.Control(id));
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), shown);
    QCOMPARE(Accessible(label, QAccessible::Name), shown);
}

void LightControlTest::accessibleTexts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("isName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("auto time field") << kField << true << "Setting Auto Time";
    QTest::newRow("intensity read-out") << 1034 << false << "Intensity read-out";
    QTest::newRow("lamp time read-out") << 1043 << false << "Lamp Time read-out";
    QTest::newRow("auto time read-out") << 1035 << false << "Reading Auto Time read-out";
    QTest::newRow("rest time read-out") << 1036 << false << "Shutter Open Rest Time read-out";
    QTest::newRow("lamp button") << 1005 << false << "Lamp ON/OFF";
    QTest::newRow("manual shutter") << 1010 << false << "Manual";
    QTest::newRow("auto shutter") << 1011 << false << "Auto";
    QTest::newRow("intensity Read") << 1009 << false << "Intensity Read";
    QTest::newRow("lamp time Read") << 1003 << false << "Lamp Time Read";
    QTest::newRow("status Read") << 1006 << false << "Status Read";
    QTest::newRow("auto time Read") << 1012 << false << "Reading Auto Time Read";
    QTest::newRow("rest time Read") << 1014 << false << "Shutter Open Rest Time Read";
    // The indicators' names and descriptions: statusDisplay.
}

void LightControlTest::accessibleTexts() {
    QFETCH(int, id);
    QFETCH(bool, isName);
    QFETCH(QString, expected);
    Rig rig;
    QVERIFY(rig.Show());
    QWidget* control = rig.Control(id);
    QCOMPARE(Accessible(control, isName ? QAccessible::Name : QAccessible::Description), expected);
    // Buttons keep their caption as name.
    if (auto* button = qobject_cast<QPushButton*>(control))
        QCOMPARE(Accessible(button, QAccessible::Name), button->text());
}

void LightControlTest::groupCaptionsGreen() {
    Rig rig;
    QVERIFY(rig.Show());
    for (int id : {1025, 1031, 1032, 1030, 1033}) {
        QWidget* box = rig.Control(id);
        const QImage image = box->grab().toImage();
        const int captionRows = qMin(image.height(), box->fontMetrics().height() + 2);
        int green = 0;
        for (int y = 0; y < captionRows; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                green += c.green() > 90 && c.red() < 60 && c.blue() < 60;
            }
        }
        QVERIFY2(green > 5, qPrintable(QString::number(id)));
    }
}

QTEST_MAIN(LightControlTest)
#include "tst_lightcontrol.moc"
