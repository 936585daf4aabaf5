// The unit settings exchanges against the simulated unit on an in-memory line, with no
// window: what goes on the wire and when, what counts as done, the limits, and abandoning a
// wait.
#include "FakeSerialDevice.h"
#include "SettingsCommands.h"
#include "SimulatedUnit.h"

#include "link/CommandChannel.h"
#include "link/ReplyDispatch.h"
#include "link/SettingsExchange.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

using vq3::link::SettingsExchange;
using vq3::model::UnitSettingsRecord;
using Outcome = SettingsExchange::Outcome;
using ByteList = QList<QByteArray>;
using vq3::test::kSettingsQueries;
using vq3::test::kSettingsSets7;

namespace {

constexpr UnitSettingsRecord kRecord7 = {7, 30, 50, 1, 1, 50, 50};
constexpr int kLimitMs = 400;
constexpr int kSettleMs = 150;

// Replies go through dispatch into the device state, as in the program; nothing is shown.
class StateHost : public vq3::link::ReplyTarget {
public:
    vq3::link::DeviceState state;

    void StatusChanged() override {}
    void ShowProgramReplyPercent(const char*) override {}
    void ShowProgramReplyWatts(const char*) override {}
    void ShowStepReply(const char*) override {}
    void SetReadout(vq3::link::Readout, const QString&) override {}
    void SelectSettingChoice(int) override {}
    void SetSettingReadout(const QString&) override {}
    void ReportDeviceError(const QString&) override {}
};

// A unit on COM1 (or no port at all), and the exchange with short limits.
struct Rig {
    explicit Rig(bool connected = true) {
        // Replies go through dispatch into the device state, as in the program.
        QObject::connect(
            &channel, &vq3::link::CommandChannel::lineReceived, &channel,
            [this](const char* line) { vq3::link::DispatchReply(line, host.state, host); });
        channel.SetPort(connected ? 1 : 0);
        channel.ConnectSequence(false);
        device.Forget();
        exchange.SetDurations({kLimitMs, kSettleMs});
    }

    // Runs the exchange to its end; the outcome and how long it took.
    std::pair<Outcome, qint64> Run(const std::function<void()>& start) {
        QSignalSpy finished(&exchange, &SettingsExchange::finished);
        QElapsedTimer clock;
        clock.start();
        start();
        if (finished.isEmpty() && !finished.wait(5000))
            return {Outcome::Abandoned, -1};
        return {finished[0][0].value<Outcome>(), clock.elapsed()};
    }

    // The unit's values in settings file order: program mode, lamp alarm time, forced lamp
    // off time (both hundreds of hours), instantaneous recovery, shutter response, open and
    // close pulse times (ms).
    void SetUnit(const UnitSettingsRecord& r) {
        unit.setProgramMode(r[0]);
        unit.setLampAlarm(r[1]);
        unit.setLampOffTime(r[2]);
        unit.setInstantRecovery(r[3]);
        unit.setShutterResponse(r[4]);
        unit.setOpenPulse(r[5]);
        unit.setClosePulse(r[6]);
    }

    vq3::sim::SimulatedUnit unit;
    vq3::test::FakeSerialDevice device{&unit};
    StateHost host;
    vq3::link::CommandChannel channel{device};
    SettingsExchange exchange{channel, host.state};
};

} // namespace

class SettingsExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void abandon_data();
    void abandon();
};

void SettingsExchangeTest::read_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("outcome");
    QTest::newRow("unit answers") << true << false << int(Outcome::Done);
    QTest::newRow("silent unit") << true << true << int(Outcome::TimedOut);
    QTest::newRow("port closed") << false << false << int(Outcome::TimedOut);
}

void SettingsExchangeTest::read() {
    QFETCH(bool, connected);
    QFETCH(bool, silent);
    QFETCH(int, outcome);
    Rig rig(connected);
    rig.device.silent = silent;
    rig.SetUnit({1, 0, 99, 0, 0, 5, 999});
    const auto [result, ms] = rig.Run([&] { rig.exchange.Read(); });

    QCOMPARE(int(result), outcome);
    QCOMPARE(rig.device.commands, connected ? kSettingsQueries : ByteList{});
    if (result == Outcome::Done) {
        QCOMPARE(rig.exchange.Received(), (UnitSettingsRecord{1, 0, 99, 0, 0, 5, 999}));
        QVERIFY2(ms < kLimitMs, qPrintable(QString::number(ms)));
    } else {
        // Ends at its limit even when nothing else happens meanwhile.
        QVERIFY2(ms >= kLimitMs && ms < kLimitMs + 100, qPrintable(QString::number(ms)));
    }
    QVERIFY(!rig.exchange.Running());
}

void SettingsExchangeTest::write_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("ignoresSets");
    QTest::addColumn<int>("outcome");
    QTest::newRow("unit takes the values") << false << false << int(Outcome::Done);
    // Verification compares values: answering with other ones is a time-out.
    QTest::newRow("unit keeps its own values") << false << true << int(Outcome::TimedOut);
    QTest::newRow("silent unit") << true << false << int(Outcome::TimedOut);
}

void SettingsExchangeTest::write() {
    QFETCH(bool, silent);
    QFETCH(bool, ignoresSets);
    QFETCH(int, outcome);
    Rig rig;
    rig.device.silent = silent;
    rig.device.ignoresSets = ignoresSets;
    rig.SetUnit({1, 10, 10, 0, 0, 100, 100});
    const auto [result, ms] = rig.Run([&] { rig.exchange.Write(kRecord7); });

    QCOMPARE(int(result), outcome);
    QCOMPARE(rig.device.commands, kSettingsSets7 + kSettingsQueries);
    // The queries follow the settle time after the last setting command.
    const qint64 settle =
        rig.device.times[kSettingsSets7.size()] - rig.device.times[kSettingsSets7.size() - 1];
    QVERIFY2(settle >= kSettleMs && settle < kSettleMs + 100, qPrintable(QString::number(settle)));
    const qint64 sinceLastQuery = rig.device.Now() - rig.device.times.last();
    if (result == Outcome::TimedOut)
        QVERIFY2(sinceLastQuery >= kLimitMs && sinceLastQuery < kLimitMs + 100,
                 qPrintable(QString::number(sinceLastQuery)));
    else
        QVERIFY(ms < kSettleMs + kLimitMs);
}

void SettingsExchangeTest::abandon_data() {
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<ByteList>("sent");
    QTest::newRow("reading") << false << 50 << kSettingsQueries;
    QTest::newRow("settling") << true << 50 << kSettingsSets7;
    QTest::newRow("verifying") << true << kSettleMs + 50 << kSettingsSets7 + kSettingsQueries;
}

// The operator ends the program during a wait: the exchange ends at once and sends nothing
// more.
void SettingsExchangeTest::abandon() {
    QFETCH(bool, write);
    QFETCH(int, afterMs);
    QFETCH(ByteList, sent);
    Rig rig;
    rig.device.silent = true;
    QTimer::singleShot(afterMs, [&] { rig.exchange.Abandon(); });
    const auto [result, ms] = rig.Run([&] {
        if (write)
            rig.exchange.Write(kRecord7);
        else
            rig.exchange.Read();
    });
    QCOMPARE(result, Outcome::Abandoned);
    QVERIFY2(ms >= afterMs && ms < afterMs + 50, qPrintable(QString::number(ms)));
    QTest::qWait(kSettleMs + kLimitMs);
    QCOMPARE(rig.device.commands, sent);
}

QTEST_GUILESS_MAIN(SettingsExchangeTest)
#include "tst_settingsexchange.moc"
