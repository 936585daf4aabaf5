// Script calls against the simulated unit on an in-memory line: what each waits for, how it
// ends, and what it leaves behind on the wire.
#include "UnitRig.h"
#include "control/ScriptCalls.h"

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
    void vanishedCallerStillStopsTheHold();
};

void TestScriptCalls::outcomes_data() {
    QTest::addColumn<Start>("start");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    auto row = [](const char* name, Start start, Kind kind, QVariant value = {}) {
        QTest::newRow(name) << start << int(kind) << value;
    };
    row(
        "read intensity",
        [](ScriptCalls& c, auto& rig) { return rig.unit.setIntensity(42), c.ReadIntensity(); },
        Kind::Done, 42);
    row(
        "lamp on, confirmed by the status", [](ScriptCalls& c, auto&) { return c.SetLamp(true); },
        Kind::Done);
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
    vq3::test::UnitRig rig;
    rig.controller.SetExchangeDurations({1000, 50});
    ScriptCalls calls(rig.controller);
    const CallOutcome outcome = Run(start(calls, rig));
    QCOMPARE(int(outcome.kind), kind);
    QCOMPARE(outcome.message.isEmpty(), kind == int(Kind::Done));
    if (value.isValid())
        QCOMPARE(outcome.value, value);
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

// A caller that leaves the bus cancels its call: the hold it started still ends with INT0.
void TestScriptCalls::vanishedCallerStillStopsTheHold() {
    vq3::test::UnitRig rig;
    ScriptCalls calls(rig.controller);
    ScriptCall* call = calls.StepIntensity(+1, 5000);
    QSignalSpy finished(call, &ScriptCall::finished);
    QTest::qWait(100);
    call->Cancel();
    QCOMPARE(rig.device.commands, (ByteList{"INT1", "INT0"}));
    QTest::qWait(50);
    QVERIFY(finished.isEmpty()); // nobody to answer
}

QTEST_GUILESS_MAIN(TestScriptCalls)
#include "tst_scriptcalls.moc"
