// The main window: access-code gate, tool-window toggles, keyboard rules, ending, About,
// COM port dialog and the names screen readers find.
#include "FakeSerialDevice.h"
#include "ScriptedPrompter.h"

#include "app/Profile.h"
#include "ui/CAboutDlg.h"
#include "ui/CComPortDlg.h"
#include "ui/CControllerDlg.h"
#include "ui/CLightControlDlg.h"
#include "ui/CTerminalDlg.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using vq3::ui::CControllerDlg;
namespace idm = vq3::ui::idm;

namespace {

struct Window {
    explicit Window(const QByteArray& profileText) {
        QFile file(dir.filePath("VQ3_CNT.ini"));
        if (file.open(QIODevice::WriteOnly))
            file.write(profileText);
        file.close();
        profile.SetPath(dir.filePath("VQ3_CNT.ini"));
        dlg = std::make_unique<CControllerDlg>(profile, &device);
        dlg->SetUpDialog();
    }
    QTemporaryDir dir;
    vq3::app::Profile profile;
    vq3::test::ScriptedPrompter prompter;
    vq3::test::FakeSerialDevice device;
    std::unique_ptr<CControllerDlg> dlg;
};

const QList<int> kGuarded = {32780, 32781, 32782, 32783, 32784, 32785, 32772, 32774, 32775};

QStringList MenuTexts(CControllerDlg& dlg) {
    QStringList texts;
    for (QMenuBar* bar : dlg.findChildren<QMenuBar*>())
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
    void endRequestsWhileBusy();
    void aboutBox();
    void comPortDialog_data();
    void comPortDialog();
    void accessibleNames();
    void deviceErrorsGoToTheActiveWindow_data();
    void deviceErrorsGoToTheActiveWindow();
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
    Window w("[INIT]\r\nPORT=0\r\nOPENPARAM=" + openParam + "\r\n");
    for (int id : kGuarded)
        QCOMPARE(w.dlg->MenuAction(id) != nullptr, full);
    const QStringList restricted = {"&File",       "  E&xit",           "&Setting",
                                    "  &COM port", "  Controll &Mode",  "  &Program Mode",
                                    "&Display",    "  &Light Controll", "  &Terminal",
                                    "&Help",       "  &About"};
    if (full)
        QCOMPARE(MenuTexts(*w.dlg).size(), restricted.size() + kGuarded.size());
    else
        QCOMPARE(MenuTexts(*w.dlg), restricted);
    QVERIFY(w.prompter.shown.isEmpty());
}

void MainWindowTest::toolWindowToggles() {
    Window w("[INIT]\r\nPORT=0\r\nTERM_X=-50\r\nTERM_Y=20\r\n");
    QAction* terminal = w.dlg->MenuAction(idm::Terminal);
    QAction* light = w.dlg->MenuAction(idm::LightControl);
    QVERIFY(!terminal->isChecked() && !w.dlg->Terminal()->isVisible());

    terminal->trigger();
    QVERIFY(terminal->isChecked());
    QVERIFY(w.dlg->Terminal()->IsShown());
    QVERIFY(w.dlg->Terminal()->isVisible());
    QCOMPARE(w.dlg->Terminal()->pos(), QPoint(-50, 20)); // negative positions are kept

    terminal->trigger();
    QVERIFY(!terminal->isChecked() && !w.dlg->Terminal()->isVisible());

    terminal->trigger();
    w.dlg->Terminal()->close(); // the close box only hides and unchecks
    QVERIFY(!terminal->isChecked() && !w.dlg->Terminal()->IsShown());
    QVERIFY(!w.dlg->Terminal()->isVisible());
    terminal->trigger();
    QVERIFY(terminal->isChecked() && w.dlg->Terminal()->isVisible());

    light->trigger();
    QVERIFY(light->isChecked() && w.dlg->LightControl()->isVisible());
    w.dlg->EnableOperations(false);
    w.dlg->LightControl()->close();
    QVERIFY(!light->isChecked());
    QVERIFY(light->isEnabled()); // closing a tool window re-enables its item
    QVERIFY(!w.dlg->LightControl()->isVisible());
}

void MainWindowTest::keyboardRules_data() {
    QTest::addColumn<int>("focusId");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expectedFocusId"); // 0: focus stays
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("Return in intensity 3 moves to time 3")
        << 1006 << int(Qt::Key_Return) << 1007 << QByteArray();
    QTest::newRow("Return in time 1 moves to intensity 2")
        << 1002 << int(Qt::Key_Return) << 1004 << QByteArray();
    QTest::newRow("Return on Program No does nothing")
        << 1001 << int(Qt::Key_Return) << 0 << QByteArray();
    QTest::newRow("Escape in a field does nothing")
        << 1000 << int(Qt::Key_Escape) << 0 << QByteArray();
    QTest::newRow("Return on Read sends the read")
        << 1016 << int(Qt::Key_Return) << 0 << QByteArray("CUREQ1\r");
    QTest::newRow("Return on Cancel sends STOP")
        << 1023 << int(Qt::Key_Return) << 0 << QByteArray("STOP\r");
}

void MainWindowTest::keyboardRules() {
    QFETCH(int, focusId);
    QFETCH(int, key);
    QFETCH(int, expectedFocusId);
    QFETCH(QByteArray, sent);
    Window w("[INIT]\r\nPORT=1\r\n");
    QCOMPARE(w.device.written, QByteArray("INP\r"));
    w.dlg->show();
    QApplication::setActiveWindow(w.dlg.get());
    QWidget* start = w.dlg->Control(focusId);
    start->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), start);
    QTest::keyClick(start, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(),
             w.dlg->Control(expectedFocusId ? expectedFocusId : focusId));
    QVERIFY(w.dlg->isVisible());
    QCOMPARE(w.device.written.mid(4), sent);
    if (auto* list = qobject_cast<QComboBox*>(start))
        QVERIFY(!list->view()->isVisible());
}

void MainWindowTest::endRequestsWhileBusy() {
    Window w("[INIT]\r\nPORT=0\r\n");
    QSignalSpy ended(w.dlg.get(), &CControllerDlg::ended);
    w.dlg->show();
    w.dlg->EnableOperations(false); // as a settings operation showing a box
    w.dlg->OnMenuExit();
    QVERIFY(w.dlg->IsEndRequested());
    QCOMPARE(ended.count(), 0);
    w.dlg->close();
    QCOMPARE(ended.count(), 0);
    QVERIFY(w.dlg->isVisible());
    w.dlg->EnableOperations(true);
    w.dlg->OnEndOk();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!w.dlg->isVisible());
}

void MainWindowTest::aboutBox() {
    Window w("[INIT]\r\nPORT=0\r\n");
    QString product, version, caption;
    QTimer::singleShot(0, [&] {
        auto* about = w.dlg->findChild<vq3::ui::CAboutDlg*>();
        QVERIFY(about);
        product = about->ProductLine();
        version = about->VersionLine();
        caption = about->windowTitle();
        about->accept();
    });
    w.dlg->OnMenuAbout();
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
    QTest::newRow("Cancel keeps the port (no device, so 0)") << 0 << 0 << -2 << 0;
    QTest::newRow("hand-edited 12 shows nothing, Ok stores 0") << 12 << -1 << -1 << 0;
    QTest::newRow("-3 shows nothing") << -3 << -1 << -1 << 0;
}

void MainWindowTest::comPortDialog() {
    QFETCH(int, storedPort);
    QFETCH(int, shownIndex);
    QFETCH(int, chosenIndex);
    QFETCH(int, portAfter);
    Window w("[INIT]\r\nPORT=0\r\n");
    w.dlg->Channel().SetPort(storedPort);
    QStringList entries;
    int shown = -5;
    QTimer::singleShot(0, [&] {
        auto* dialog = w.dlg->findChild<vq3::ui::CComPortDlg*>();
        QVERIFY(dialog);
        QComboBox* list = dialog->PortList();
        for (int i = 0; i < list->count(); ++i)
            entries.append(list->itemText(i));
        shown = list->currentIndex();
        if (chosenIndex == -2) {
            dialog->reject();
        } else {
            list->setCurrentIndex(chosenIndex);
            dialog->findChild<QPushButton*>("idc_1")->click();
        }
    });
    w.dlg->OnMenuComPort();
    QCOMPARE(entries, (QStringList{"Disconnect Port", "COM1", "COM2", "COM3", "COM4", "COM5",
                                   "COM6", "COM7", "COM8", "COM9"}));
    QCOMPARE(shown, shownIndex);
    QCOMPARE(w.dlg->Channel().Port(), portAfter);
    QCOMPARE(w.dlg->LinkStateText(), QStringLiteral("Disconnect Port"));
    QVERIFY(w.prompter.shown.isEmpty());
}

void MainWindowTest::accessibleNames() {
    Window w("[INIT]\r\nPORT=0\r\n");
    w.dlg->show();
    w.dlg->Terminal()->show();
    QStringList names, descriptions;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node)
            return;
        names.append(node->text(QAccessible::Name));
        descriptions.append(node->text(QAccessible::Description));
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(w.dlg.get()));
    walk(QAccessible::queryAccessibleInterface(w.dlg->Terminal()));
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
    Window w("[INIT]\r\nPORT=1\r\n");
    w.dlg->show();
    w.dlg->OnMenuTerminal();
    w.dlg->OnMenuLightControl();
    QWidget* window = active == "CTerminalDlg"       ? static_cast<QWidget*>(w.dlg->Terminal())
                      : active == "CLightControlDlg" ? static_cast<QWidget*>(w.dlg->LightControl())
                                                     : w.dlg.get();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    // The reply arrives over the line and is dispatched by the reception tick.
    w.device.Arrive(reply + '\r');
    QTRY_COMPARE(w.prompter.shown.size(), 1);
    QCOMPARE(w.prompter.shown[0].text, text);
    QCOMPARE(w.prompter.shown[0].caption, caption);
    QCOMPARE(w.prompter.shown[0].owner, active);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
