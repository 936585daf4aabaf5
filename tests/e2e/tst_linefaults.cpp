// A hostile line: the controller never crashes or hangs and still handles the next good
// reply. (A line that goes away and comes back: tst_unplugged_e2e.)
#include "E2eHarness.h"

using vq3::test::Controller;
using vq3::test::Simulator;

class LineFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void badInputIsSurvived_data();
    void badInputIsSurvived();
    void replySplitAroundCommand_data();
    void replySplitAroundCommand();

private:
    static void SendFromTerminal(Controller& controller, const QString& command) {
        QVERIFY(controller.Set("CTerminalDlg/idc_1002", "text", command));
        QVERIFY(controller.Click("CTerminalDlg/idc_1001"));
    }
};

void LineFaultsTest::badInputIsSurvived_data() {
    QTest::addColumn<QStringList>("options");
    // The lamp caption after "L1" and a status read: "Off" when the reply was handled, "On"
    // when nothing came back, empty when either may happen.
    QTest::addColumn<QString>("caption");
    QTest::newRow("garbage lines") << QStringList{"--garbage", "1"} << "Off";
    QTest::newRow("NUL bytes") << QStringList{"--nul"} << "Off";
    QTest::newRow("300-character lines") << QStringList{"--overlong"} << "Off";
    QTest::newRow("2000-byte bursts") << QStringList{"--burst", "2000"} << "Off";
    QTest::newRow("replies split across ticks") << QStringList{"--split", "4"} << "Off";
    // After CR LF the next line starts with the line feed; the echo of the next command takes
    // it, so the reply after that is whole. (Two replies back to back, with no echo between
    // them, leave the second behind its predecessor's LF: the test lets the first reply in
    // before it sends.)
    QTest::newRow("CR LF line ends") << QStringList{"--crlf"} << "Off";
    // The port is open, so the status bar says COM1; the log says why nothing answers.
    QTest::newRow("silent unit") << QStringList{"--silent"} << "On";
}

void LineFaultsTest::badInputIsSurvived() {
    QFETCH(QStringList, options);
    QFETCH(QString, caption);
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1"), options + QStringList{"--warmup", "0"}));
    Controller controller(dir.path());
    controller.CaptureErrors();
    QVERIFY(controller.Start());
    QVERIFY(sim.WaitReceived("INP\r"));
    if (options.contains("--crlf")) {
        QVERIFY(controller.Menu(32788)); // the Terminal, to see the reply go through
        QTRY_VERIFY(controller.Get("CTerminalDlg/idc_1000", "plainText")
                        .toString()
                        .contains(QStringLiteral("INP00")));
    }

    SendFromTerminal(controller, "L1");
    QVERIFY(sim.WaitReceived("L1\r"));
    SendFromTerminal(controller, "INP");
    QVERIFY(sim.WaitReceived("L1\rINP\r"));
    if (caption == QLatin1String("Off")) {
        QTRY_COMPARE_WITH_TIMEOUT(controller.Get("CLightControlDlg/idc_1005", "text").toString(),
                                  caption, 8000);
    } else if (!caption.isEmpty()) {
        QTest::qWait(500);
        QCOMPARE(controller.Get("CLightControlDlg/idc_1005", "text").toString(), caption);
    }
    const QByteArray silence = "COM1 is open but the unit does not answer (powered off? cable?)";
    if (options.contains("--silent"))
        QTRY_VERIFY_WITH_TIMEOUT(controller.ErrorOutput().contains(silence), 4000);
    else
        QVERIFY(!controller.ErrorOutput().contains(silence));
    // Still alive and answering.
    QCOMPARE(controller.Status(), QStringLiteral("COM1"));
    QCOMPARE(controller.Process().state(), QProcess::Running);
    QVERIFY(controller.Close());
    QCOMPARE(controller.Process().exitStatus(), QProcess::NormalExit);
}

void LineFaultsTest::replySplitAroundCommand_data() {
    QTest::addColumn<int>("pauseMs"); // between the program read and the status read
    for (int pause : {20, 40, 60})
        QTest::newRow(qPrintable(QString("%1 ms").arg(pause))) << pause;
}

// A program read-back arrives in four pieces 30 ms apart; a status read sent meanwhile goes
// out at once, but its echo waits for the read-back's end: both are handled and shown whole.
void LineFaultsTest::replySplitAroundCommand() {
    QFETCH(int, pauseMs);
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1"), {"--split", "4", "--warmup", "0"}));
    Controller controller(dir.path());
    QVERIFY(controller.Start());
    QVERIFY(sim.WaitReceived("INP\r"));
    QVERIFY(controller.Menu(32788)); // the Terminal, to see the traffic
    QVERIFY(controller.Set("CControllerDlg/idc_1000", "text", "42"));
    QVERIFY(controller.Click("CControllerDlg/idc_1028")); // Set: program 1, 42 % in step 1
    QVERIFY(sim.WaitReceived("CURE111:042,000.0"));
    QVERIFY(controller.Set("CControllerDlg/idc_1000", "text", ""));
    QTest::qWait(200);

    QVERIFY(controller.Click("CControllerDlg/idc_1016")); // Read: CUREQ1
    QTest::qWait(pauseMs);
    QVERIFY(controller.Click("CLightControlDlg/idc_1006")); // status Read: INP
    QVERIFY(sim.WaitReceived("CUREQ1\rINP\r"));
    QTRY_COMPARE(controller.Get("CControllerDlg/idc_1000", "text").toString(), QString("42"));
    const QString cure = "CURE111:042,000.0" + QString(",000,000.0").repeated(6);
    // After the read's echo, the read-back and the status read's echo, each a line of its own.
    auto traffic = [&] {
        return controller.Get("CTerminalDlg/idc_1000", "plainText").toString().split('\n');
    };
    auto whole = [&] {
        const QStringList lines = traffic();
        const qsizetype read = lines.indexOf(">CUREQ1");
        return read >= 0 && lines.indexOf(cure, read) > read && lines.indexOf(">INP", read) > read;
    };
    QTRY_VERIFY2(whole(), qPrintable(traffic().join(" | ")));
    QVERIFY(controller.Prompts().isEmpty());
    QVERIFY(controller.Close());
}

QTEST_GUILESS_MAIN(LineFaultsTest)
#include "tst_linefaults.moc"
