// The main window: access-code gate, tool-window toggles, keyboard rules, ending, About,
// COM port dialog, the names screen readers find and where the unit's error boxes go.
#include "WindowRig.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

using vq3::test::WindowRig;
namespace idm = vq3::resources::idm;
using ByteList = QList<QByteArray>;

namespace {

const QList<int> kGuarded = {idm::LampAlarmTime,
                             idm::LampOffTime,
                             idm::InstantRecovery,
                             idm::ShutterResponse,
                             idm::OpenPulseTime,
                             idm::ClosePulseTime,
                             idm::Open,
                             idm::Save,
                             idm::SaveAs};

QStringList MenuTexts(QWidget* window) {
    QStringList texts;
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* top : bar->actions()) {
            texts.append(top->text());
            for (QAction* item : top->menu()->actions())
                texts.append("  " + item->text());
        }
    return texts;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void accessGate_data();
    void accessGate();
    void toolWindowToggles();
    void keyboardRules_data();
    void keyboardRules();
    void endRequestsWhileABoxIsUp_data();
    void endRequestsWhileABoxIsUp();
    void aboutBox();
    void comPortDialog_data();
    void comPortDialog();
    void accessibleNames();
    void deviceErrorsGoToTheActiveWindow_data();
    void deviceErrorsGoToTheActiveWindow();
    void errorBoxesDoNotStopTheLink();
};

void MainWindowTest::accessGate_data() {
    QTest::addColumn<QByteArray>("openParam");
    QTest::addColumn<bool>("full");
    QTest::newRow("exact code") << QByteArray("KORVANTIS") << true;
    QTest::newRow("other case") << QByteArray("korvantis") << false;
    QTest::newRow("added character") << QByteArray("KORVANTIS1") << false;
    QTest::newRow("empty") << QByteArray("") << false;
}

void MainWindowTest::accessGate() {
    QFETCH(QByteArray, openParam);
    QFETCH(bool, full);
    WindowRig rig(0, {}, openParam);
    for (int id : kGuarded)
        QCOMPARE(rig.Action(id) != nullptr, full);
    const QStringList restricted = {"&File",       "  E&xit",           "&Setting",
                                    "  &COM port", "  Controll &Mode",  "  &Program Mode",
                                    "&Display",    "  &Light Controll", "  &Terminal",
                                    "&Help",       "  &About"};
    if (full)
        QCOMPARE(MenuTexts(rig.window.get()).size(), restricted.size() + kGuarded.size());
    else
        QCOMPARE(MenuTexts(rig.window.get()), restricted);
    QVERIFY(rig.prompter.shown.isEmpty());
}

void MainWindowTest::toolWindowToggles() {
    WindowRig rig(0, "TERM_X=-50\r\nTERM_Y=20\r\n");
    QAction* terminal = rig.Action(idm::Terminal);
    QAction* light = rig.Action(idm::LightControl);
    QWidget* terminalWindow = rig.Terminal();
    QVERIFY(!terminal->isChecked() && !terminalWindow->isVisible());
    QVERIFY(!terminalWindow->parentWidget()); // not blocked by the main window's boxes

    terminal->trigger();
    QVERIFY(terminal->isChecked());
    QVERIFY(terminalWindow->isVisible());
    QCOMPARE(terminalWindow->pos(), QPoint(-50, 20)); // negative positions are kept

    terminal->trigger();
    QVERIFY(!terminal->isChecked() && !terminalWindow->isVisible());

    terminal->trigger();
    terminalWindow->close(); // the close box only hides and unchecks
    QVERIFY(!terminal->isChecked());
    QVERIFY(!terminalWindow->isVisible());
    terminal->trigger();
    QVERIFY(terminal->isChecked() && terminalWindow->isVisible());

    light->trigger();
    QVERIFY(light->isChecked() && rig.LightControl()->isVisible());
    QVERIFY(rig.controller.ReserveForSettings()); // greys the item
    QVERIFY(!light->isEnabled());
    rig.LightControl()->close();
    QVERIFY(!light->isChecked());
    QVERIFY(light->isEnabled()); // closing a tool window re-enables its item
    QVERIFY(!rig.LightControl()->isVisible());
}

void MainWindowTest::keyboardRules_data() {
    namespace idc = vq3::resources::idc::controller;
    QTest::addColumn<int>("focusId");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expectedFocusId"); // 0: focus stays
    QTest::addColumn<ByteList>("sent");
    QTest::newRow("Return in intensity 3 moves to time 3")
        << int(idc::Intensity3) << int(Qt::Key_Return) << int(idc::Time3) << ByteList{};
    QTest::newRow("Return in time 1 moves to intensity 2")
        << int(idc::Time1) << int(Qt::Key_Return) << int(idc::Intensity2) << ByteList{};
    QTest::newRow("Return on Program No does nothing")
        << int(idc::ProgramNo) << int(Qt::Key_Return) << 0 << ByteList{};
    QTest::newRow("Escape in a field does nothing")
        << int(idc::Intensity1) << int(Qt::Key_Escape) << 0 << ByteList{};
    QTest::newRow("Return on Read sends the read")
        << int(idc::ReadProgram) << int(Qt::Key_Return) << 0 << ByteList{"CUREQ1"};
    QTest::newRow("Return on Cancel sends STOP")
        << int(idc::StopProgram) << int(Qt::Key_Return) << 0 << ByteList{"STOP"};
}

void MainWindowTest::keyboardRules() {
    QFETCH(int, focusId);
    QFETCH(int, key);
    QFETCH(int, expectedFocusId);
    QFETCH(ByteList, sent);
    WindowRig rig;
    QCOMPARE(rig.unit.commandLog(), ByteList{"INP"}); // the status, asked for at start
    QCOMPARE(rig.LinkText(), QStringLiteral("COM1"));
    QApplication::setActiveWindow(rig.window.get());
    QWidget* start = rig.Control(focusId);
    start->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), start);
    QTest::keyClick(start, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), rig.Control(expectedFocusId ? expectedFocusId : focusId));
    QVERIFY(rig.window->isVisible());
    QCOMPARE(rig.device.commands, sent);
    if (auto* list = qobject_cast<QComboBox*>(start))
        QVERIFY(!list->view()->isVisible());
}

void MainWindowTest::endRequestsWhileABoxIsUp_data() {
    QTest::addColumn<bool>("closeBox"); // else E&xit
    QTest::newRow("Exit") << false;
    QTest::newRow("close box") << true;
}

// A request to end while an operation shows a box is only noted; the window ends when the
// box has been answered and the operation is over.
void MainWindowTest::endRequestsWhileABoxIsUp() {
    QFETCH(bool, closeBox);
    WindowRig rig;
    QSignalSpy ended(rig.window.get(), &vq3::ui::CControllerDlg::ended);
    const QString path = rig.Path("unit.txt");
    rig.prompter.files = {path};
    int endedDuringBox = -1;
    bool shownDuringBox = false;
    rig.prompter.whileShown = [&](const vq3::test::ScriptedPrompter::Shown& box) {
        if (!box.okCancel)
            return;
        if (closeBox)
            rig.window->close();
        else
            rig.Action(idm::Exit)->trigger();
        endedDuringBox = int(ended.count());
        shownDuringBox = rig.window->isVisible();
    };
    QVERIFY(rig.RunOperation(idm::SaveAs));
    QCOMPARE(endedDuringBox, 0);
    QVERIFY(shownDuringBox);
    QCOMPARE(rig.prompter.Texts().size(), 2); // the operation ran to its end: "Save Completed."
    QVERIFY(QFile::exists(path));
    QCOMPARE(ended.count(), 1);
    QVERIFY(!rig.window->isVisible());
}

void MainWindowTest::aboutBox() {
    namespace about = vq3::resources::idc::about;
    WindowRig rig(0);
    QString product, version, caption;
    QVERIFY(rig.RunDialog(idm::About, "CAboutDlg", [&](QDialog* dialog) {
        product = vq3::test::FindControl<QLabel>(dialog, about::ProductLine)->text();
        version = vq3::test::FindControl<QLabel>(dialog, about::VersionLine)->text();
        caption = dialog->windowTitle();
        dialog->accept();
    }));
    QCOMPARE(product, QStringLiteral("VQ3 Controller"));
    QCOMPARE(version, QStringLiteral("Version 3.0.6"));
    QCOMPARE(caption, QStringLiteral("About..."));
}

void MainWindowTest::comPortDialog_data() {
    QTest::addColumn<int>("storedPort");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<int>("chosenIndex"); // -2: Cancel
    QTest::addColumn<int>("portAfter");
    QTest::newRow("0 shows Disconnect Port, Ok keeps it") << 0 << 0 << 0 << 0;
    QTest::newRow("Cancel keeps the port") << 0 << 0 << -2 << 0;
    QTest::newRow("hand-edited 12 shows nothing, Ok stores 0") << 12 << -1 << -1 << 0;
    QTest::newRow("-3 shows nothing") << -3 << -1 << -1 << 0;
}

void MainWindowTest::comPortDialog() {
    QFETCH(int, storedPort);
    QFETCH(int, shownIndex);
    QFETCH(int, chosenIndex);
    QFETCH(int, portAfter);
    WindowRig rig(0);
    rig.controller.SetPort(storedPort);
    QStringList entries;
    int shown = -5;
    QVERIFY(rig.RunDialog(idm::ComPort, "CComPortDlg", [&](QDialog* dialog) {
        auto* list =
            vq3::test::FindControl<QComboBox>(dialog, vq3::resources::idc::comport::PortList);
        for (int i = 0; i < list->count(); ++i)
            entries.append(list->itemText(i));
        shown = list->currentIndex();
        QCOMPARE(list->accessibleDescription(), QStringLiteral("COM Port"));
        if (chosenIndex == -2) {
            dialog->reject();
        } else {
            list->setCurrentIndex(chosenIndex);
            vq3::test::FindControl<QPushButton>(dialog, vq3::resources::idc::Ok)->click();
        }
    }));
    QCOMPARE(entries, (QStringList{"Disconnect Port", "COM1", "COM2", "COM3", "COM4", "COM5",
                                   "COM6", "COM7", "COM8", "COM9"}));
    QCOMPARE(shown, shownIndex);
    QCOMPARE(rig.controller.Port(), portAfter);
    QCOMPARE(rig.LinkText(), QStringLiteral("Disconnect Port"));
    QVERIFY(rig.prompter.shown.isEmpty());
}

void MainWindowTest::accessibleNames() {
    WindowRig rig(0);
    QVERIFY(rig.ShowTool(idm::Terminal));
    QStringList names, descriptions;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node)
            return;
        names.append(node->text(QAccessible::Name));
        descriptions.append(node->text(QAccessible::Description));
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(rig.window.get()));
    walk(QAccessible::queryAccessibleInterface(rig.Terminal()));
    for (int step = 1; step <= 7; ++step) {
        QVERIFY2(names.contains(QString("Intensity %1").arg(step)), qPrintable(names.join('|')));
        QVERIFY(names.contains(QString("Shutter Time(s) %1").arg(step)));
    }
    for (const char* description :
         {"Program No", "Intensity Mode", "Shutter Mode", "Step read-out"})
        QVERIFY2(descriptions.contains(description), description);
    QVERIFY(names.contains("Command"));
    QVERIFY(names.contains("Traffic"));
    QVERIFY(names.contains("Disconnect Port")); // the status bar part reads as a label
}

void MainWindowTest::deviceErrorsGoToTheActiveWindow_data() {
    QTest::addColumn<QString>("active");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("main window, ERR")
        << "CControllerDlg" << QByteArray("ERR") << "ERR : Command Error..."
        << "vq3-controller";
    QTest::newRow("Terminal, ERR05")
        << "CTerminalDlg" << QByteArray("ERR05") << "ERR05 : Memory Step Error..."
        << "Error";
    QTest::newRow("Light Control, NG03")
        << "CLightControlDlg" << QByteArray("NG03") << "NG03: Shutter auto operation is going on."
        << "Error";
    QTest::newRow("Terminal, echo of a typed NG1")
        << "CTerminalDlg" << QByteArray(">NG1") << "NG01 : Lamp trigger is going on."
        << "Error";
}

void MainWindowTest::deviceErrorsGoToTheActiveWindow() {
    QFETCH(QString, active);
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    WindowRig rig;
    QVERIFY(rig.ShowTool(idm::Terminal));
    QVERIFY(rig.ShowTool(idm::LightControl));
    QWidget* window = active == "CControllerDlg" ? rig.window.get() : vq3::test::TopLevel(active);
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    rig.Arrive(reply);
    QTRY_COMPARE(rig.prompter.shown.size(), 1);
    QCOMPARE(rig.prompter.shown[0].text, text);
    QCOMPARE(rig.prompter.shown[0].caption, caption);
    QCOMPARE(rig.prompter.shown[0].owner, active);
}

// While an error box is open, replies are still handled; a later error waits for the box
// before it and is never lost.
void MainWindowTest::errorBoxesDoNotStopTheLink() {
    WindowRig rig;
    rig.prompter.holdNotices = true;
    rig.Arrive("ERR");
    QCOMPARE(rig.prompter.Texts(), QStringList{"ERR : Command Error..."});
    rig.Arrive("INT050");
    QCOMPARE(vq3::test::FindControl<QLabel>(rig.LightControl(),
                                            vq3::resources::idc::light::IntensityReadout)
                 ->text(),
             "50");
    rig.Arrive("NG03");
    QCOMPARE(rig.prompter.shown.size(), 1);
    rig.prompter.CloseNotice();
    QCOMPARE(rig.prompter.Texts().last(), "NG03: Shutter auto operation is going on.");
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
