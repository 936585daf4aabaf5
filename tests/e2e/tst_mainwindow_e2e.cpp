// The main window with the real programs: the access code, window positions across
// restarts, the COM port dialog and raw commands from the Terminal.
#include "E2eHarness.h"

#include <QRegularExpression>

using vq3::test::Controller;
using vq3::test::Simulator;

namespace {
const QString kCommandField = QStringLiteral("CTerminalDlg/idc_1002");
const QString kSend = QStringLiteral("CTerminalDlg/idc_1001");

QRect Geometry(Controller& controller, const QString& window) {
    const QJsonObject g =
        controller.Request({{"cmd", "geometry"}, {"path", window}}).value("value").toObject();
    return QRect(g["x"].toInt(), g["y"].toInt(), g["width"].toInt(), g["height"].toInt());
}

bool WaitForWindow(Controller& controller, const QString& name) {
    return QTest::qWaitFor(
        [&] {
            return controller.Request({{"cmd", "exists"}, {"path", name}}).value("value").toBool();
        },
        5000);
}
} // namespace

class MainWindowE2eTest : public QObject {
    Q_OBJECT
private slots:
    void accessCodeLastsOneStart();
    void positionsSurviveRestart();
    void positionPastScreenEdgeIsCentred();
    void comPortChoices_data();
    void comPortChoices();
    void rawCommandFromTerminal();
};

void MainWindowE2eTest::accessCodeLastsOneStart() {
    QTemporaryDir dir;
    Controller controller(dir.path());
    controller.WriteProfile("[INIT]\r\nPORT=0\r\n");

    QVERIFY(controller.Start());
    QVERIFY(!controller.MenuExists(32772));
    QVERIFY(controller.Set(kCommandField, "text", "KORVANTIS"));
    QVERIFY(controller.Close());
    QVERIFY(controller.Profile().contains("OPENPARAM=KORVANTIS"));

    QVERIFY(controller.Start());
    for (int id : {32780, 32781, 32782, 32783, 32784, 32785, 32772, 32774, 32775})
        QVERIFY(controller.MenuExists(id));
    QVERIFY(controller.Close()); // the field is empty at this end

    QVERIFY(controller.Start());
    QVERIFY(!controller.MenuExists(32772));
    QVERIFY(!controller.MenuExists(32785));
    QVERIFY(controller.Close());
}

void MainWindowE2eTest::positionsSurviveRestart() {
    QTemporaryDir dir;
    Controller controller(dir.path());
    controller.WriteProfile("[INIT]\r\nPORT=0\r\n");
    QVERIFY(controller.Start());
    QVERIFY(controller.Menu(32788));
    QVERIFY(controller.Menu(32787));
    QTRY_VERIFY(controller.Get("CTerminalDlg", "visible").toBool());
    QTRY_VERIFY(controller.Get("CLightControlDlg", "visible").toBool());
    controller.Request({{"cmd", "move"}, {"path", "CTerminalDlg"}, {"x", 120}, {"y", 80}});
    controller.Request({{"cmd", "move"}, {"path", "CLightControlDlg"}, {"x", 300}, {"y", 90}});
    controller.Request({{"cmd", "move"}, {"path", "CControllerDlg"}, {"x", 30}, {"y", 40}});
    QVERIFY(controller.Close());
    const QByteArray profile = controller.Profile();
    for (const char* entry :
         {"TERM_X=120", "TERM_Y=80", "CONT_X=300", "CONT_Y=90", "MAIN_X=30", "MAIN_Y=40"})
        QVERIFY2(profile.contains(entry), profile.constData());

    QVERIFY(controller.Start());
    QCOMPARE(Geometry(controller, "CControllerDlg").topLeft(), QPoint(30, 40));
    QVERIFY(!controller.Get("CTerminalDlg", "visible").toBool()); // hidden at every start
    QVERIFY(controller.Menu(32788));
    QTRY_VERIFY(controller.Get("CTerminalDlg", "visible").toBool());
    QCOMPARE(Geometry(controller, "CTerminalDlg").topLeft(), QPoint(120, 80));
    QVERIFY(controller.Close());
}

void MainWindowE2eTest::positionPastScreenEdgeIsCentred() {
    QTemporaryDir dir;
    Controller controller(dir.path());
    QVERIFY(controller.Start());
    const QSize screen = controller.Screen();
    QVERIFY(controller.Close());
    // x at the screen's width puts the main window back in the centre; y at its height
    // puts the Terminal at the top-left corner.
    controller.WriteProfile(QStringLiteral("[INIT]\r\nPORT=0\r\nMAIN_X=%1\r\nMAIN_Y=10\r\n"
                                           "TERM_X=5\r\nTERM_Y=%2\r\n")
                                .arg(screen.width())
                                .arg(screen.height())
                                .toLatin1());
    QVERIFY(controller.Start());
    const QRect main = Geometry(controller, "CControllerDlg");
    QVERIFY2(qAbs(main.center().x() - screen.width() / 2) <= 2 &&
                 qAbs(main.center().y() - screen.height() / 2) <= 2,
             qPrintable(QString("%1,%2").arg(main.x()).arg(main.y())));
    QVERIFY(controller.Menu(32788));
    QTRY_VERIFY(controller.Get("CTerminalDlg", "visible").toBool());
    QCOMPARE(Geometry(controller, "CTerminalDlg").topLeft(), QPoint(0, 0));
    QVERIFY(controller.Close());
    QVERIFY2(controller.Profile().contains(QByteArray("MAIN_X=") + QByteArray::number(main.x())),
             controller.Profile() + QByteArray::number(main.x()));
}

void MainWindowE2eTest::comPortChoices_data() {
    QTest::addColumn<int>("choice"); // list index; -1 Cancel
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<int>("inpCount");
    QTest::addColumn<QByteArray>("portWritten");
    QTest::newRow("Disconnect Port")
        << 0 << "Disconnect Port" << QStringList() << 1 << QByteArray("PORT=0");
    QTest::newRow("Cancel reconnects COM1")
        << -1 << "COM1" << QStringList() << 2 << QByteArray("PORT=1");
    QTest::newRow("COM1 again reconnects")
        << 1 << "COM1" << QStringList() << 2 << QByteArray("PORT=1");
    QTest::newRow("COM2 cannot be opened")
        << 2 << "Disconnect Port" << QStringList{"COM Port Error..."} << 1 << QByteArray("PORT=0");
}

void MainWindowE2eTest::comPortChoices() {
    QFETCH(int, choice);
    QFETCH(QString, status);
    QFETCH(QStringList, prompts);
    QFETCH(int, inpCount);
    QFETCH(QByteArray, portWritten);
    QTemporaryDir dir;
    QFile plain(QDir(dir.path()).filePath("COM2")); // a plain file, not a terminal
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1")));
    Controller controller(dir.path());
    QVERIFY(controller.Start());
    QVERIFY(sim.WaitReceived("INP\r"));

    QVERIFY(controller.Menu(32777));
    QVERIFY(WaitForWindow(controller, "CComPortDlg"));
    if (choice < 0) {
        QVERIFY(controller.Click("CComPortDlg/idc_2"));
    } else {
        QVERIFY(controller.Set("CComPortDlg/idc_1026", "currentIndex", choice));
        QVERIFY(controller.Click("CComPortDlg/idc_1"));
    }
    QTRY_COMPARE(controller.Status(), status);
    if (inpCount > 1)
        QTRY_COMPARE(sim.Received().count("INP\r"), inpCount);
    QTest::qWait(300);
    QCOMPARE(sim.Received().count("INP\r"), inpCount);
    QStringList shown;
    for (const QJsonValue& p : controller.Prompts())
        shown.append(p.toObject()["text"].toString());
    QCOMPARE(shown, prompts);
    QVERIFY(controller.Close());
    QVERIFY(controller.Profile().contains(portWritten));
}

void MainWindowE2eTest::rawCommandFromTerminal() {
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1")));
    Controller controller(dir.path());
    QVERIFY(controller.Start());
    QVERIFY(sim.WaitReceived("INP\r"));
    QVERIFY(controller.Menu(32788));
    QVERIFY(controller.Set(kCommandField, "text", "LAMPERR?"));
    QVERIFY(controller.Key(kCommandField, "Return"));
    QVERIFY(sim.WaitReceived("LAMPERR?\r"));
    QCOMPARE(sim.Received().mid(sim.Received().indexOf("INP\r") + 4), QByteArray("LAMPERR?\r"));
    QTRY_VERIFY(controller.Get("CTerminalDlg/idc_1000", "plainText")
                    .toString()
                    .contains(QRegularExpression("\\nLAMPERR\\d\\d")));
    QVERIFY(controller.Get("CTerminalDlg/idc_1000", "plainText").toString().contains(">LAMPERR?"));
    QCOMPARE(controller.Get(kCommandField, "text").toString(), QStringLiteral("LAMPERR?"));
    QVERIFY(controller.Close());
}

QTEST_GUILESS_MAIN(MainWindowE2eTest)
#include "tst_mainwindow_e2e.moc"
