// Start-up, single instance, profile round trip and the first bytes on the wire, with the
// real controller and simulator.
#include "E2eHarness.h"

using vq3::test::Controller;
using vq3::test::Simulator;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartTalksAndWritesProfile();
    void secondInstanceIsRefused();
    void profilePortValues_data();
    void profilePortValues();
    void terminationSignalsEndNormally_data();
    void terminationSignalsEndNormally();
};

void StartupTest::firstStartTalksAndWritesProfile() {
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1")));
    Controller controller(dir.path());
    QVERIFY(controller.Start());

    QVERIFY(sim.WaitReceived("INP\r"));
    QVERIFY2(sim.Received().startsWith("INP\r"), sim.Received().constData());
    QTRY_COMPARE(controller.Status(), QStringLiteral("COM1"));
    QVERIFY(controller.Prompts().isEmpty());
    // Without the access code the nine guarded items are gone.
    QVERIFY(!controller.MenuExists(32780));
    QVERIFY(controller.MenuExists(32776));

    QVERIFY(controller.Close());
    const QList<QByteArray> lines = controller.Profile().split('\n');
    QStringList keys;
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (!line.isEmpty())
            keys.append(
                QString::fromLatin1(line.contains('=') ? line.left(line.indexOf('=') + 1) : line));
    }
    QCOMPARE(keys, (QStringList{"[INIT]", "PORT=", "MAIN_X=", "MAIN_Y=", "CONT_X=", "CONT_Y=",
                                "TERM_X=", "TERM_Y=", "OPENPARAM="}));
    QVERIFY(controller.Profile().contains("PORT=1"));
}

void StartupTest::secondInstanceIsRefused() {
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1")));
    Controller controller(dir.path());
    const QByteArray profile = "[INIT]\r\nPORT=1\r\nMAIN_X=40\r\nMAIN_Y=30\r\n";
    controller.WriteProfile(profile);
    QVERIFY(controller.Start());
    QVERIFY(sim.WaitReceived("INP\r"));

    QProcess second;
    QVERIFY(controller.Start(second, 1));
    QVERIFY(second.waitForFinished(10000));
    QFile log(controller.PromptLog(1));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("vq3-controller|Application is already running\n"));

    // The first instance still runs, still owns the line, and the profile is untouched.
    QCOMPARE(controller.Process().state(), QProcess::Running);
    QCOMPARE(controller.Profile(), profile);
    QCOMPARE(sim.Received().count("INP\r"), 1);
    QVERIFY(controller.Set("CTerminalDlg/idc_1002", "text", "LIF"));
    QVERIFY(controller.Click("CTerminalDlg/idc_1001"));
    QVERIFY(sim.WaitReceived("LIF\r"));
    QVERIFY(controller.Close());
}

void StartupTest::profilePortValues_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("prompts");
    QTest::addColumn<QByteArray>("portWritten");
    QTest::newRow("10 is no port")
        << QByteArray("[INIT]\r\nPORT=10\r\n") << "Disconnect Port" << 0 << QByteArray("PORT=0");
    QTest::newRow("0 is no port") << QByteArray("[init]\r\nport=0\r\n") << "Disconnect Port" << 0
                                  << QByteArray("PORT=0");
    QTest::newRow("-1 fails to open")
        << QByteArray("[INIT]\r\nPORT=-1\r\n") << "Disconnect Port" << 1 << QByteArray("PORT=0");
    QTest::newRow("COM2 not a serial device")
        << QByteArray("[INIT]\r\nPORT=2\r\n") << "Disconnect Port" << 1 << QByteArray("PORT=0");
    QTest::newRow("COM1 opens") << QByteArray("[INIT]\r\nPORT=1\r\n") << "COM1" << 0
                                << QByteArray("PORT=1");
}

void StartupTest::profilePortValues() {
    QFETCH(QByteArray, profile);
    QFETCH(QString, status);
    QFETCH(int, prompts);
    QFETCH(QByteArray, portWritten);
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1")));
    // COM2 is a plain file: it opens, but is no terminal.
    QFile plain(QDir(dir.path()).filePath("COM2"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    Controller controller(dir.path());
    controller.WriteProfile(profile);
    QVERIFY(controller.Start());
    QTRY_COMPARE(controller.Status(), status);
    const QJsonArray shown = controller.Prompts();
    QCOMPARE(shown.size(), prompts);
    if (prompts) {
        QCOMPARE(shown[0].toObject()["text"].toString(), QStringLiteral("COM Port Error..."));
        QCOMPARE(shown[0].toObject()["caption"].toString(), QStringLiteral("vq3-controller"));
    }
    QVERIFY(controller.Close());
    QVERIFY2(controller.Profile().contains(portWritten), controller.Profile().constData());
}

void StartupTest::terminationSignalsEndNormally_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("aboutOpen");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGTERM with the About box open") << int(SIGTERM) << true;
}

void StartupTest::terminationSignalsEndNormally() {
    QFETCH(int, signalNumber);
    QFETCH(bool, aboutOpen);
    QTemporaryDir dir;
    Controller controller(dir.path());
    controller.WriteProfile("[INIT]\r\nPORT=0\r\n");
    QVERIFY(controller.Start());
    QTRY_COMPARE(controller.Status(), QStringLiteral("Disconnect Port"));
    if (aboutOpen) {
        QVERIFY(controller.Menu(32786));
        QTRY_VERIFY(controller.Get("CAboutDlg", "visible").toBool());
    }
    ::kill(static_cast<pid_t>(controller.Process().processId()), signalNumber);
    QVERIFY(controller.Process().waitForFinished(10000));
    QCOMPARE(controller.Process().exitStatus(), QProcess::NormalExit);
    QVERIFY(controller.Profile().contains("OPENPARAM="));
    QVERIFY(controller.Profile().contains("TERM_Y="));
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
