// The operations of the unit's object, against the simulated unit on an in-memory line: no
// window is involved.
#include "UnitRig.h"
#include "control/UnitController.h"
#include "model/MemoryStepProgram.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using vq3::control::LinkState;
using vq3::control::UnitController;
using vq3::sim::SimulatedUnit;
using Rig = vq3::test::UnitRig;
using Operation = std::function<void(UnitController&)>;
using ByteList = QList<QByteArray>;

class TestUnitController : public QObject {
    Q_OBJECT
private slots:
    void operationsSendTheirCommands_data();
    void operationsSendTheirCommands();
    void intensityHoldEndsWithOneStop_data();
    void intensityHoldEndsWithOneStop();
    void holdEndedWhileLostStopsTheUnitFirstWhenBack();
    void programRoundTrip();
    void settingAnswersReachTheOpenDialogOnly_data();
    void settingAnswersReachTheOpenDialogOnly();
    void portChoiceWhileTheDeviceIsLost_data();
    void portChoiceWhileTheDeviceIsLost();
    void settingsOutcomeComesAfterTheTick();
    void settingsOutcomes_data();
    void settingsOutcomes();
};

// The toggles act on the status the unit last reported, never on what was sent before.
void TestUnitController::operationsSendTheirCommands_data() {
    QTest::addColumn<int>("statusWord");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<ByteList>("sent");
    auto row = [](const char* name, int status, Operation op, ByteList sent) {
        QTest::newRow(name) << status << op << sent;
    };
    row("lamp off: on", 0, &UnitController::ToggleLamp, {"L1"});
    row("lamp on: off", 0x03, &UnitController::ToggleLamp, {"L0"});
    row("shutter closed: open", 0, &UnitController::ToggleShutter, {"S1"});
    row("shutter open: close", 0x04, &UnitController::ToggleShutter, {"S0"});
    row("lamp twice without a status", 0, [](UnitController& c) { c.ToggleLamp(), c.ToggleLamp(); },
        {"L1", "L1"});
    row("reads", 0,
        [](UnitController& c) {
            c.ReadStatus(), c.ReadIntensity(), c.ReadLampTime(), c.ClearLampTime();
            c.ReadAutoTime(), c.ReadRestTime(), c.ReadStep(), c.StartAutoShutter();
        },
        {"INP", "INTQ", "LIF", "LAMPCLR", "ATQ", "ATT", "STPQ", "ATS"});
    row("auto time", 0, [](UnitController& c) { QCOMPARE(c.SetAutoTime(2.5), 0); }, {"AT002.5"});
    row("auto time -0", 0, [](UnitController& c) { QCOMPARE(c.SetAutoTime(-0.0), 0); },
        {"AT000.0"});
    row("auto time out of range", 0,
        [](UnitController& c) {
            QCOMPARE(c.SetAutoTime(1000.0), 25);
            QCOMPARE(c.SetAutoTime(-0.1), 25);
        },
        {});
    row("programs", 0,
        [](UnitController& c) { c.ReadProgram(3), c.StartProgram(9), c.StopProgram(); },
        {"CUREQ3", "START9", "STOP"});
    row("setting queries", 0,
        [](UnitController& c) {
            for (int kind = 0; kind <= 9; ++kind)
                c.QuerySetting(kind);
        },
        {"CNTQ", "PROG?", "LAMPERR?", "LAMPOFF?", "IB?", "SRESP?", "SETT1?", "SETT2?"});
    row("setting choices", 0,
        [](UnitController& c) {
            for (int kind : {1, 2, 5, 6})
                c.ChooseSetting(kind, 0), c.ChooseSetting(kind, 1);
            c.ChooseSetting(3, 0);
        },
        {"CNT1", "CNT0", "PROG_7STEP", "PROG_1STEP", "IB1", "IB0", "SRESP1", "SRESP0"});
    row("setting values", 0,
        [](UnitController& c) {
            c.SetSettingValue(3, 30), c.SetSettingValue(4, 5), c.SetSettingValue(7, 5);
            c.SetSettingValue(8, 500), c.SetSettingValue(1, 1);
        },
        {"LAMPERR30", "LAMPOFF05", "SETT1005", "SETT2500"});
    row("terminal line as typed", 0, [](UnitController& c) { c.SendLine(" inp x"); }, {" inp x"});
}

void TestUnitController::operationsSendTheirCommands() {
    QFETCH(int, statusWord);
    QFETCH(Operation, operation);
    QFETCH(ByteList, sent);
    Rig rig(statusWord);
    QCOMPARE(rig.controller.StatusWord() & 0x05, statusWord & 0x05);
    operation(rig.controller);
    QCOMPARE(rig.device.commands, sent);
}

// Every INT1 or INT2 is followed by exactly one INT0, however the hold ends.
void TestUnitController::intensityHoldEndsWithOneStop_data() {
    QTest::addColumn<Operation>("during");
    QTest::addColumn<ByteList>("sent");
    QTest::newRow("released") << Operation([](UnitController& c) { c.StopIntensity(); })
                              << ByteList{"INT1", "INT0"};
    QTest::newRow("released twice")
        << Operation([](UnitController& c) { c.StopIntensity(), c.StopIntensity(); })
        << ByteList{"INT1", "INT0"};
    QTest::newRow("other direction")
        << Operation([](UnitController& c) { c.StartIntensity(-1), c.StopIntensity(); })
        << ByteList{"INT1", "INT0", "INT2", "INT0"};
    QTest::newRow("settings operation begins")
        << Operation([](UnitController& c) { QVERIFY(c.ReserveForSettings()); })
        << ByteList{"INT1", "INT0"};
    QTest::newRow("program closes")
        << Operation([](UnitController& c) { c.Close(); }) << ByteList{"INT1", "INT0"};
}

void TestUnitController::intensityHoldEndsWithOneStop() {
    QFETCH(Operation, during);
    QFETCH(ByteList, sent);
    Rig rig;
    QSignalSpy held(&rig.controller, &UnitController::intensityHeldChanged);
    rig.controller.StartIntensity(+1);
    during(rig.controller);
    QVERIFY(!rig.controller.IntensityHeld());
    QCOMPARE(rig.device.commands, sent);
    QCOMPARE(held.last().first().toBool(), false);
}

// The unit kept ramping while its INT0 went nowhere: INT0 is the first command once it is
// back, before the status query of the reconnection.
void TestUnitController::holdEndedWhileLostStopsTheUnitFirstWhenBack() {
    Rig rig;
    rig.controller.StartIntensity(-1);
    rig.device.openResult = 1;
    rig.device.Unplug();
    rig.controller.StopIntensity();
    QCOMPARE(rig.device.commands, ByteList{"INT2"});
    rig.device.openResult = 0;
    QTRY_COMPARE_WITH_TIMEOUT(rig.controller.State(), LinkState::Connected, 3000);
    QCOMPARE(rig.device.commands, (ByteList{"INT2", "INT0", "INP"}));
}

void TestUnitController::programRoundTrip() {
    Rig rig;
    vq3::model::MemoryStepProgram program;
    program.programNumber = 4;
    program.shutterMode = 2;
    program.intensityMode = 2;
    for (int i = 0; i < vq3::model::kStepCount; ++i)
        program.steps[size_t(i)] = {1.25 * i, 10.5 * i};
    QSignalSpy received(&rig.controller, &UnitController::programReceived);
    rig.controller.SendProgram(program);
    rig.controller.ReadProgram(4);
    QVERIFY(received.wait());
    const auto reply = received.first().first().value<vq3::model::ProgramReply>();
    QCOMPARE(reply.programDigit, 4);
    QCOMPARE(reply.shutterDigit, 2);
    QCOMPARE(reply.intensityDigit, 2);
    const vq3::model::StepTexts sent = vq3::model::NormalTexts(program.steps, 2);
    QCOMPARE(reply.texts.intensity, sent.intensity);
    QCOMPARE(reply.texts.time, sent.time);
}

void TestUnitController::settingAnswersReachTheOpenDialogOnly_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("open");
    QTest::addColumn<QVariant>("shown"); // an entry index, a read-out text, or nothing
    QTest::newRow("program mode 7") << 2 << 2 << QVariant(0);
    QTest::newRow("instant recovery off") << 5 << 5 << QVariant(1);
    QTest::newRow("shutter response high") << 6 << 6 << QVariant(0);
    QTest::newRow("lamp alarm 00 is 1 hour") << 3 << 3 << QVariant(QStringLiteral("1"));
    QTest::newRow("lamp off time") << 4 << 4 << QVariant(QStringLiteral("2500"));
    QTest::newRow("open pulse") << 7 << 7 << QVariant(QStringLiteral("40"));
    QTest::newRow("another dialog open") << 7 << 8 << QVariant();
    QTest::newRow("no dialog open") << 2 << 0 << QVariant();
}

void TestUnitController::settingAnswersReachTheOpenDialogOnly() {
    QFETCH(int, kind);
    QFETCH(int, open);
    QFETCH(QVariant, shown);
    Rig rig;
    rig.unit.setProgramMode(7);
    rig.unit.setInstantRecovery(0);
    rig.unit.setShutterResponse(1);
    rig.unit.setLampAlarm(0);
    rig.unit.setLampOffTime(25);
    rig.unit.setOpenPulse(40);
    QSignalSpy choice(&rig.controller, &UnitController::settingChoice);
    QSignalSpy readout(&rig.controller, &UnitController::settingReadout);
    rig.controller.SetActiveSetting(open);
    rig.controller.QuerySetting(kind);
    rig.Settle();
    QVariant got;
    if (!choice.isEmpty())
        got = choice.first().first();
    else if (!readout.isEmpty())
        got = readout.first().first();
    QCOMPARE(got, shown);
    QCOMPARE(choice.size() + readout.size(), shown.isValid() ? 1 : 0);
}

// While the device is lost, Cancel or Ok on the same port must not forget the port nor
// start a connection that fails; another port or "Disconnect Port" works as ever.
void TestUnitController::portChoiceWhileTheDeviceIsLost_data() {
    QTest::addColumn<int>("chosen");
    QTest::addColumn<LinkState>("after");
    QTest::addColumn<int>("portAfter");
    QTest::addColumn<int>("portErrors");
    QTest::newRow("same port") << 1 << LinkState::Lost << 1 << 0;
    QTest::newRow("disconnect") << 0 << LinkState::Closed << 0 << 0;
    QTest::newRow("another port") << 2 << LinkState::Closed << 0 << 1;
}

void TestUnitController::portChoiceWhileTheDeviceIsLost() {
    QFETCH(int, chosen);
    QFETCH(LinkState, after);
    QFETCH(int, portAfter);
    QFETCH(int, portErrors);
    Rig rig;
    QSignalSpy errors(&rig.controller, &UnitController::portError);
    rig.device.openResult = 1; // gone, and cannot be opened
    rig.device.Unplug();
    QCOMPARE(rig.controller.State(), LinkState::Lost);
    rig.controller.ChoosePort(chosen);
    QCOMPARE(rig.controller.State(), after);
    QCOMPARE(rig.controller.Port(), portAfter);
    QCOMPARE(errors.size(), portErrors);
    if (after != LinkState::Lost)
        return;
    // The device comes back: reconnected by itself, and asked for its status.
    rig.device.openResult = 0;
    QTRY_COMPARE_WITH_TIMEOUT(rig.controller.State(), LinkState::Connected, 3000);
    QCOMPARE(rig.device.commands, ByteList{"INP"});
}

// The outcome of a settings exchange may open boxes and file dialogs: it comes after the
// reception tick that finished the exchange, so replies keep being handled meanwhile.
void TestUnitController::settingsOutcomeComesAfterTheTick() {
    Rig rig;
    rig.unit.setIntensity(37);
    rig.controller.SetExchangeDurations({2000, 10});
    QString seenWhileHandling;
    connect(&rig.controller, &UnitController::settingsExchangeFinished, this, [&] {
        QSignalSpy readout(&rig.controller, &UnitController::readout);
        rig.controller.ReadIntensity();
        if (readout.wait(1000))
            seenWhileHandling = readout.first().at(1).toString();
    });
    QSignalSpy finished(&rig.controller, &UnitController::settingsExchangeFinished);
    QVERIFY(rig.controller.ReserveForSettings());
    rig.controller.ReadSettings();
    QVERIFY(finished.wait());
    QCOMPARE(finished.first().first().value<vq3::control::SettingsOutcome>(),
             vq3::control::SettingsOutcome::Done);
    QCOMPARE(seenWhileHandling, QStringLiteral("37"));
}

// Each way an exchange ends reaches the views as the same outcome of their own.
void TestUnitController::settingsOutcomes_data() {
    using vq3::control::SettingsOutcome;
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("abandon");
    QTest::addColumn<int>("outcome");
    QTest::newRow("answered") << false << false << int(SettingsOutcome::Done);
    QTest::newRow("silent unit") << true << false << int(SettingsOutcome::TimedOut);
    QTest::newRow("abandoned") << false << true << int(SettingsOutcome::Abandoned);
}

void TestUnitController::settingsOutcomes() {
    QFETCH(bool, silent);
    QFETCH(bool, abandon);
    QFETCH(int, outcome);
    Rig rig;
    rig.device.silent = silent;
    rig.controller.SetExchangeDurations({300, 10});
    QSignalSpy finished(&rig.controller, &UnitController::settingsExchangeFinished);
    QVERIFY(rig.controller.ReserveForSettings());
    rig.controller.ReadSettings();
    if (abandon)
        rig.controller.AbandonSettings();
    QVERIFY(finished.wait());
    QCOMPARE(int(finished.first().first().value<vq3::control::SettingsOutcome>()), outcome);
}

QTEST_GUILESS_MAIN(TestUnitController)
#include "tst_unitcontroller.moc"
