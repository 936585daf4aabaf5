// A line that goes away (an unplugged adapter): the controller releases it at once, waits
// idle for it and takes it back when it returns, unless the operator closed the port.
#include "E2eHarness.h"

#include <unistd.h>

using vq3::test::Controller;
using vq3::test::Simulator;

namespace {
// Idle CPU allowed once the line is gone, in percent of a core. A sanitized build pays for
// its bookkeeping on every allocation of Qt's event loop.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kIdlePercent = 3;
#else
constexpr int kIdlePercent = 1;
#endif
} // namespace

namespace {
// What the operator does in the COM port dialog while the device is away.
enum class PortDialog { NotOpened, DisconnectPort, Cancel, OkSamePort };
} // namespace
Q_DECLARE_METATYPE(PortDialog)

class UnpluggedTest : public QObject {
    Q_OBJECT
private slots:
    void unpluggedLineComesBack_data();
    void unpluggedLineComesBack();
};

void UnpluggedTest::unpluggedLineComesBack_data() {
    QTest::addColumn<PortDialog>("dialog");
    QTest::newRow("plugged back in") << PortDialog::NotOpened;
    QTest::newRow("closed by the operator meanwhile") << PortDialog::DisconnectPort;
    QTest::newRow("port dialog cancelled meanwhile") << PortDialog::Cancel;
    QTest::newRow("same port chosen again meanwhile") << PortDialog::OkSamePort;
}

// The line goes away 500 ms after the first command and comes back at the same link 4 s
// later: released at once, "Disconnect Port" without a box, idle while waiting, and back by
// itself with a status query, unless the operator closed the port meanwhile. Merely looking
// at the COM port dialog (Cancel, or Ok on the same port) changes nothing.
void UnpluggedTest::unpluggedLineComesBack() {
    QFETCH(PortDialog, dialog);
    const bool operatorCloses = dialog == PortDialog::DisconnectPort;
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath("COM1");
    Simulator sim;
    QVERIFY(sim.Start(link, {"--drop-after", "500", "--replug-after", "4000"}));
    Controller controller(dir.path());
    QVERIFY(controller.Start());
    QVERIFY(sim.WaitReceived("INP\r"));
    QTRY_COMPARE_WITH_TIMEOUT(controller.Status(), QStringLiteral("Disconnect Port"), 1500);
    QVERIFY(controller.Prompts().isEmpty());

    if (dialog != PortDialog::NotOpened) {
        QVERIFY(controller.Menu(32777));
        QTRY_VERIFY(controller.Request({{"cmd", "exists"}, {"path", "CComPortDlg"}})
                        .value("value")
                        .toBool());
        if (dialog != PortDialog::Cancel)
            QVERIFY(controller.Set("CComPortDlg/idc_1026", "currentIndex", operatorCloses ? 0 : 1));
        QVERIFY(controller.Click(QString::fromLatin1(
            dialog == PortDialog::Cancel ? "CComPortDlg/idc_2" : "CComPortDlg/idc_1")));
        if (!operatorCloses)
            QCOMPARE(controller.Status(), QStringLiteral("Disconnect Port"));
    } else {
        // Waiting for the device costs next to nothing.
        const qint64 pid = controller.Process().processId();
        const qint64 before = vq3::test::CpuTicks(pid);
        QTest::qWait(2500);
        const qint64 used = vq3::test::CpuTicks(pid) - before;
        QVERIFY2(used * 100 < sysconf(_SC_CLK_TCK) * 2.5 * kIdlePercent,
                 qPrintable(QString("CPU ticks: %1").arg(used)));
    }

    // Plugged back in at about 4.5 s: reconnected within 5 s of that, status query first.
    if (operatorCloses) {
        QTest::qWait(6000);
        QCOMPARE(sim.Received().count("INP\r"), 1);
        QCOMPARE(controller.Status(), QStringLiteral("Disconnect Port"));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(sim.Received().count("INP\r"), 2, 7000);
        QTRY_COMPARE(controller.Status(), QStringLiteral("COM1"));
    }
    QVERIFY(controller.Prompts().isEmpty());
    QVERIFY(controller.Close());
    // A lost device keeps its port for the next start; a port closed by choice does not.
    QVERIFY(controller.Profile().contains(operatorCloses ? "PORT=0" : "PORT=1"));
}

QTEST_GUILESS_MAIN(UnpluggedTest)
#include "tst_unplugged_e2e.moc"
