// A unit that stops reading, as a hung adapter does: the controller's commands pile up
// without any window waiting for them, and once the write limit has passed (30 s, shortened
// to 8 s here) the device counts as lost.
#include "E2eHarness.h"

using vq3::test::Controller;
using vq3::test::Simulator;

namespace {
constexpr int kLimitMs = 8000;
} // namespace

class StalledLineTest : public QObject {
    Q_OBJECT
private slots:
    void windowsStayResponsiveThenDeviceIsLost();
};

void StalledLineTest::windowsStayResponsiveThenDeviceIsLost() {
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1"), {"--stall-after", "0"}));
    Controller controller(dir.path());
    controller.CaptureErrors();
    QVERIFY(controller.Start({QStringLiteral("VQ3_WRITE_LIMIT_MS=%1").arg(kLimitMs)}));
    QVERIFY(sim.WaitReceived("INP\r"));
    QTest::qWait(200); // the unit reads no more

    // Far more than the line buffers: 30 commands of 4000 characters from the Terminal.
    QVERIFY(controller.Set("CTerminalDlg/idc_1002", "text", QString(4000, QLatin1Char('A'))));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 30; ++i)
        QVERIFY(controller.Click("CTerminalDlg/idc_1001"));

    // The windows answer at once meanwhile, and a button still sends (into the queue).
    qint64 slowest = 0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer roundTrip;
        roundTrip.start();
        QCOMPARE(controller.Status(), QStringLiteral("COM1"));
        QVERIFY(controller.Click("CLightControlDlg/idc_1006"));
        slowest = std::max(slowest, roundTrip.elapsed());
        QTest::qWait(250);
    }
    QVERIFY2(slowest < 500, qPrintable(QString::number(slowest)));

    QVERIFY(QTest::qWaitFor(
        [&] { return controller.ErrorOutput().contains("the device took no data for"); },
        kLimitMs + 10000));
    QVERIFY2(clock.elapsed() >= kLimitMs - 500, qPrintable(QString::number(clock.elapsed())));
    // The terminal is still there, so the device is back at once (and may stall again).
    QVERIFY(
        QTest::qWaitFor([&] { return controller.ErrorOutput().contains("COM1 is back"); }, 5000));
    QVERIFY(controller.Prompts().isEmpty()); // a lost device shows no box
    QVERIFY(controller.Close());
}

QTEST_GUILESS_MAIN(StalledLineTest)
#include "tst_stalledline_e2e.moc"
