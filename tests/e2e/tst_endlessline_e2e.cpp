// A unit at the wrong speed sends text that never ends a line, 10 kB a second: the windows
// keep answering, and the Terminal, hidden and then shown, keeps at most its 100 lines.
// (bench/endless_line.py runs the same for 90 s and measures memory.)
#include "E2eHarness.h"

using vq3::test::Controller;
using vq3::test::Simulator;

namespace {
constexpr int kPhaseSeconds = 3;
} // namespace

class EndlessLineTest : public QObject {
    Q_OBJECT
private slots:
    void staysBoundedHiddenThenShown();
};

void EndlessLineTest::staysBoundedHiddenThenShown() {
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1"),
                      {"--stream", "0123456789", "--stream-no-cr", "--stream-rate", "10000",
                       "--stream-after", "3000"}));
    Controller controller(dir.path());
    QVERIFY(controller.Start());
    // Drawn once before the stream, so that what showing costs once is not counted.
    QVERIFY(controller.Menu(32788));
    QTest::qWait(300);
    QVERIFY(controller.Menu(32788));
    QTRY_VERIFY_WITH_TIMEOUT(
        controller.Get("CTerminalDlg/idc_1000", "pendingLength").toInt() > 1000, 5000);
    qint64 slowest = 0;
    for (int phase = 0; phase < 2; ++phase) {
        if (phase == 1)
            QVERIFY(controller.Menu(32788)); // shown for the second half
        for (int second = 0; second < kPhaseSeconds; ++second) {
            QTest::qWait(1000);
            QElapsedTimer roundTrip;
            roundTrip.start();
            const int lines = controller.Get("CTerminalDlg/idc_1000", "viewLines").toInt();
            slowest = std::max(slowest, roundTrip.elapsed());
            QVERIFY2(lines <= 100, qPrintable(QString::number(lines)));
        }
    }
    QVERIFY2(slowest < 750, qPrintable(QString::number(slowest)));
    QVERIFY(controller.Get("CTerminalDlg/idc_1000", "viewLines").toInt() >= 50); // it did draw
    QCOMPARE(controller.Status(), QStringLiteral("COM1"));
    QVERIFY(controller.Close());
    QCOMPARE(controller.Process().exitStatus(), QProcess::NormalExit);
}

QTEST_GUILESS_MAIN(EndlessLineTest)
#include "tst_endlessline_e2e.moc"
