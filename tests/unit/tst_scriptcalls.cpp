// Script calls against the simulated unit on an in-memory line: what each waits for, how it
// ends, and what it leaves behind on the wire.
#include "UnitRig.h"
#include "control/ScriptCalls.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using vq3::control::CallOutcome;
using vq3::control::ScriptCall;
using vq3::control::ScriptCalls;
using vq3::control::UnitController;
using Kind = CallOutcome::Kind;
using Start = std::function<ScriptCall*(ScriptCalls&, vq3::test::UnitRig&)>;
using ByteList = QList<QByteArray>;

Q_DECLARE_METATYPE(Start)

namespace {
CallOutcome Run(ScriptCall* call, int limitMs = 15000) {
    QSignalSpy finished(call, &ScriptCall::finished);
    if (!finished.wait(limitMs))
        return {Kind::Timeout, QStringLiteral("no outcome"), {}};
    return finished.first().first().value<CallOutcome>();
}
} // namespace

class TestScriptCalls : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void intensityReachesItsTargetAndStops();
    void vanishedCallerFinishesWhatItStarted_data();
    void vanishedCallerFinishesWhatItStarted();
    void exposureEndsAreReported();
};

// wire: when given, exactly the commands sent; box: whether the operator saw an error box.
void TestScriptCalls::outcomes_data() {
    QTest::addColumn<Start>("start");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<ByteList>("wire");
    QTest::addColumn<bool>("box");
    auto row = [](const char* name, Start start, Kind kind, QVariant value = {}, ByteList wire = {},
                  bool box = false) {
        QTest::newRow(name) << start << int(kind) << value << wire << box;
    };
    row(
        "read intensity",
        [](ScriptCalls& c, auto& rig) { return rig.unit.setIntensity(42), c.ReadIntensity(); },
        Kind::Done, 42);
    row(
        "lamp on, confirmed by the status", [](ScriptCalls& c, auto&) { return c.SetLamp(true); },
        Kind::Done);
    row("lamp on while it warms up: nothing to do",
        [](ScriptCalls& c, auto& rig) {
            return rig.unit.Options().warmupMs = 5000, rig.unit.setLampOn(true), c.SetLamp(true);
        },
        Kind::Done, {}, {"INP"});
    row("shutter closed already", [](ScriptCalls& c, auto&) { return c.SetShutter(false); },
        Kind::Done, {}, {"INP"});
    row("stable lamp: the wait ends with the first status",
        [](ScriptCalls& c, auto& rig) { return rig.unit.setLampStable(true), c.WaitLampStable(9); },
        Kind::Done, {}, {"INP"});
    row(
        "silent unit",
        [](ScriptCalls& c, auto& rig) { return rig.device.silent = true, c.ReadStatus(); },
        Kind::Timeout);
    row(
        "not connected",
        [](ScriptCalls& c, auto& rig) { return rig.controller.Disconnect(), c.ReadStep(); },
        Kind::NotConnected);
    row(
        "busy",
        [](ScriptCalls& c, auto& rig) {
            return rig.controller.ReserveForSettings(), c.SetShutter(true);
        },
        Kind::Busy);
    row(
        "exposure out of range", [](ScriptCalls& c, auto&) { return c.Expose(999.95, true); },
        Kind::InvalidArgs);
    row(
        "exposure ends with the shutter closed",
        [](ScriptCalls& c, auto&) { return c.Expose(0.3, true); }, Kind::Done);
    row(
        "unit refuses: NG",
        [](ScriptCalls& c, auto& rig) {
            return rig.unit.Options().warmupMs = 5000, rig.unit.setLampOn(true), c.SetLamp(false);
        },
        Kind::DeviceError);
    row("the unit does not know a script's line: its ERR, no box",
        [](ScriptCalls& c, auto&) { return c.Send("XYZ"); }, Kind::DeviceError, {}, {"XYZ"});
    row("a script's query is done on its answer",
        [](ScriptCalls& c, auto&) { return c.Send("INTQ"); }, Kind::Done, {}, {"INTQ"});
    row(
        "the operator's refusal opens a box and ends no script call",
        [](ScriptCalls& c, auto& rig) {
            rig.unit.Options().warmupMs = 5000;
            rig.unit.setLampOn(true);
            ScriptCall* call = c.StepIntensity(+1, 300);
            QTimer::singleShot(50, &rig.controller, &UnitController::ToggleLamp);
            return call;
        },
        Kind::Done, {}, {}, true);
    row("a refused exposure time opens nothing",
        [](ScriptCalls& c, auto& rig) {
            return rig.unit.Options().refuseEveryN = 1, c.Expose(0.5, true);
        },
        Kind::DeviceError, {}, {"AT000.5", "INP"});
    row(
        "a line still waiting when the port is chosen again",
        [](ScriptCalls& c, auto& rig) {
            ScriptCall* call = c.Send("L1");
            rig.controller.ChoosePort(1);
            return call;
        },
        Kind::Interrupted);
    row(
        "a second call on the lamp is busy",
        [](ScriptCalls& c, auto& rig) {
            rig.unit.Options().warmupMs = 5000;
            c.WaitLampStable(5);
            return c.SetLamp(false);
        },
        Kind::Busy);
    row("another caller's claim",
        [](ScriptCalls& c, auto&) {
            c.SetCaller(":1.7"), c.Claim(), c.SetCaller(":1.8");
            return c.ReadStatus();
        },
        Kind::Busy, {}, {});
    row(
        "the holder's own calls",
        [](ScriptCalls& c, auto&) {
            c.SetCaller(":1.7"), c.Claim();
            return c.ReadStatus();
        },
        Kind::Done);
    row(
        "a claim ends when its holder leaves the bus",
        [](ScriptCalls& c, auto&) {
            c.SetCaller(":1.7"), c.Claim(), c.CallerLeft(":1.7"), c.SetCaller(":1.8");
            return c.Claim();
        },
        Kind::Done);
    row(
        "exposure cut short by the operator",
        [](ScriptCalls& c, auto& rig) {
            ScriptCall* call = c.Expose(2.0, true);
            QTimer::singleShot(300, &rig.controller, &UnitController::ToggleShutter);
            return call;
        },
        Kind::Interrupted);
    row(
        "exposure stopped by another script",
        [](ScriptCalls& c, auto&) {
            ScriptCall* call = c.Expose(2.0, true);
            QTimer::singleShot(300, &c, [&c] { c.StopExposure(); });
            return call;
        },
        Kind::Interrupted);
    row(
        "the shutter is busy while a started exposure runs",
        [](ScriptCalls& c, auto&) {
            c.Expose(2.0, false);
            QTest::qWait(200);
            return c.SetShutter(false);
        },
        Kind::Busy);
    row(
        "operator presses the lamp button",
        [](ScriptCalls& c, auto& rig) {
            rig.unit.Options().warmupMs = 5000;
            ScriptCall* call = c.SetLamp(true);
            QTimer::singleShot(100, &rig.controller, &UnitController::ToggleLamp);
            return call;
        },
        Kind::Interrupted);
    row(
        "program round trip",
        [](ScriptCalls& c, auto&) {
            ScriptCalls::Steps steps(7, {0, 0});
            steps[0] = {2.5, 1.5};
            return c.WriteProgram(3, 2, 2, steps);
        },
        Kind::Done);
    row(
        "program stored differently",
        [](ScriptCalls& c, auto& rig) {
            rig.device.ignoresSets = true;
            return c.WriteProgram(3, 1, 1, ScriptCalls::Steps(7, {50, 1.0}));
        },
        Kind::DeviceError);
    row(
        "program step out of range",
        [](ScriptCalls& c, auto&) {
            return c.WriteProgram(3, 1, 1, ScriptCalls::Steps(7, {101, 1.0}));
        },
        Kind::InvalidArgs);
    row(
        "settings read", [](ScriptCalls& c, auto&) { return c.ReadSettings(); }, Kind::Done);
}

void TestScriptCalls::outcomes() {
    QFETCH(Start, start);
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(ByteList, wire);
    QFETCH(bool, box);
    vq3::test::UnitRig rig;
    rig.controller.SetExchangeDurations({1000, 50});
    ScriptCalls calls(rig.controller);
    QSignalSpy boxes(&rig.controller, &UnitController::deviceError);
    const CallOutcome outcome = Run(start(calls, rig));
    QVERIFY2(int(outcome.kind) == kind, qPrintable(outcome.message));
    QCOMPARE(outcome.message.isEmpty(), kind == int(Kind::Done));
    if (value.isValid())
        QCOMPARE(outcome.value, value);
    if (!wire.isEmpty())
        QCOMPARE(rig.device.commands, wire);
    QCOMPARE(!boxes.isEmpty(), box);
    QVERIFY(!rig.controller.Busy() || kind == int(Kind::Busy));
}

void TestScriptCalls::intensityReachesItsTargetAndStops() {
    vq3::test::UnitRig rig;
    rig.unit.Options().rampPercentPerSecond = 50;
    ScriptCalls calls(rig.controller);
    for (int target : {80, 20, 21}) {
        const CallOutcome outcome = Run(calls.SetIntensity(target));
        QCOMPARE(int(outcome.kind), int(Kind::Done));
        QVERIFY2(std::abs(outcome.value.toInt() - target) <= 1,
                 qPrintable(outcome.value.toString()));
        QCOMPARE(rig.unit.ramp(), 0);
    }
    const ByteList& sent = rig.device.commands;
    QCOMPARE(sent.count("INT1") + sent.count("INT2"), sent.count("INT0"));
}

// A caller that leaves the bus cancels its call: what it started is finished first, the hold
// with its INT0, a settings exchange run to its end before the unit is free again.
void TestScriptCalls::vanishedCallerFinishesWhatItStarted_data() {
    QTest::addColumn<bool>("settings");
    QTest::newRow("intensity hold") << false;
    QTest::newRow("settings exchange") << true;
}

void TestScriptCalls::vanishedCallerFinishesWhatItStarted() {
    QFETCH(bool, settings);
    vq3::test::UnitRig rig;
    rig.controller.SetExchangeDurations({600, 50});
    rig.device.silent = settings; // the exchange waits to its limit
    ScriptCalls calls(rig.controller);
    ScriptCall* call = settings ? calls.ReadSettings() : calls.StepIntensity(+1, 5000);
    QSignalSpy finished(call, &ScriptCall::finished);
    QTest::qWait(100);
    call->Cancel();
    if (!settings) {
        QCOMPARE(rig.device.commands, (ByteList{"INT1", "INT0"}));
    } else {
        QVERIFY(rig.controller.Busy());
        QCOMPARE(int(calls.ReadStatus()->Ended()), 1); // Busy at once
        QTRY_VERIFY(!rig.controller.Busy());
        QVERIFY(!rig.controller.SettingsExchangeRunning());
    }
    QTest::qWait(50);
    QVERIFY(finished.isEmpty()); // nobody to answer
}

// ExposureEnded: the full time, or how long the shutter was open before S0 closed it.
void TestScriptCalls::exposureEndsAreReported() {
    vq3::test::UnitRig rig;
    ScriptCalls calls(rig.controller);
    QSignalSpy ended(&calls, &ScriptCalls::exposureEnded);
    QCOMPARE(int(Run(calls.Expose(0.4, true)).kind), int(Kind::Done));
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended[0][0].toDouble(), 0.4);
    QVERIFY(ended[0][1].toBool());
    QCOMPARE(int(Run(calls.Expose(5.0, false)).kind), int(Kind::Done));
    QElapsedTimer open;
    open.start();
    QTest::qWait(500);
    QCOMPARE(int(Run(calls.StopExposure()).kind), int(Kind::Done));
    const double seconds = open.elapsed() / 1000.0;
    QTRY_COMPARE(ended.size(), 2);
    QVERIFY2(std::abs(ended[1][0].toDouble() - seconds) < 0.1,
             qPrintable(QStringLiteral("%1 against %2").arg(ended[1][0].toDouble()).arg(seconds)));
    QVERIFY(!ended[1][1].toBool());
    const qint64 now = QDateTime::currentMSecsSinceEpoch() * 1000;
    QVERIFY(std::abs(ended[1][2].toLongLong() - now) < 200000);
}

QTEST_GUILESS_MAIN(TestScriptCalls)
#include "tst_scriptcalls.moc"
