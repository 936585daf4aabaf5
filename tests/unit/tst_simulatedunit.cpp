// The simulated light source's protocol: every command's reply, the NG and ERR refusals, and
// the unit's behaviour over time (warm-up, ramp, lamp hours, timed opening, programs), all on
// a manual clock.
#include "SimulatedUnit.h"

#include <QHash>
#include <QTest>

#include <functional>

using vq3::sim::SimulatedUnit;
using vq3::sim::UnitOptions;

Q_DECLARE_METATYPE(vq3::sim::UnitOptions)

namespace {

UnitOptions Options(int warmupMs = 3000, bool longStatus = false, double clockSpeed = 1.0) {
    UnitOptions options;
    options.warmupMs = warmupMs;
    options.longStatus = longStatus;
    options.clockSpeed = clockSpeed;
    return options;
}

UnitOptions Refusing(int everyN) {
    UnitOptions options;
    options.refuseEveryN = everyN;
    return options;
}

QByteArray Replaced(QByteArray text, qsizetype at, char c) {
    text[at] = c;
    return text;
}

// One hour of lamp time per millisecond.
constexpr double kHourPerMs = 3600.0 * 1000.0;

QByteArray Steps(const QByteArray& group, const QByteArray& rest) {
    QByteArray steps = group;
    for (int i = 1; i < 7; ++i)
        steps += ',' + rest;
    return steps;
}

// Program 1: 80 % for 1.0 s, 20 % for 2.0 s, a step of 0.0 s, 60 % for 0.5 s, then empty.
const QByteArray kProgram1 =
    "CURE111:080,001.0,020,002.0,000,000.0,060,000.5,000,000.0,000,000.0,000,000.0";
const QByteArray kPercentProgram =
    "CURE311:050,010.0,100,002.5,000,000.0,000,000.0,000,000.0,000,000.0,000,000.0";
const QByteArray kWattsProgram = "CURE512:" + Steps("9.99,999.9", "9.99,999.9");
const QByteArray kEmptyProgram9 = "CURE911:" + Steps("000,000.0", "000,000.0");

} // namespace

class SimulatedUnitTest : public QObject {
    Q_OBJECT
private slots:
    void conversation_data();
    void conversation();
    void commandsChangeState_data();
    void commandsChangeState();
    void preparedStateShowsOnTheWire_data();
    void preparedStateShowsOnTheWire();
    void commandLogKeepsEveryLine();
    void manualClockStandsStill();
};

// A script of steps: "+N" moves the clock N ms, anything else is a command line. `replies`
// holds the expected reply of each command (without CR, "" for none), in order.
void SimulatedUnitTest::conversation_data() {
    QTest::addColumn<UnitOptions>("options");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArrayList>("replies");

    // Status and lamp
    QTest::newRow("status at power-on")
        << Options() << QByteArrayList{"INP"} << QByteArrayList{"INP00"};
    QTest::newRow("long status at power-on")
        << Options(3000, true) << QByteArrayList{"INP"} << QByteArrayList{"INP000"};
    QTest::newRow("warm-up, NG01, lamp off")
        << Options()
        << QByteArrayList{"L1", "INP", "+2999", "INP", "L0", "L1", "+1", "INP", "L0", "INP"}
        << QByteArrayList{"", "INP01", "INP01", "NG01", "NG01", "INP03", "", "INP00"};
    QTest::newRow("L1 on a stable lamp answers nothing")
        << Options() << QByteArrayList{"L1", "+3000", "L1", "INP", "L0", "L0", "INP"}
        << QByteArrayList{"", "", "INP03", "", "", "INP00"};
    QTest::newRow("no warm-up") << Options(0) << QByteArrayList{"L1", "INP", "L0", "INP"}
                                << QByteArrayList{"", "INP03", "", "INP00"};

    // Intensity
    QTest::newRow("ramp up to MAX")
        << Options() << QByteArrayList{"INTQ", "INT1",  "+1000", "INTQ", "+4000", "INTQ",
                                       "INP",  "+1000", "INTQ",  "INT0", "INTQ"}
        << QByteArrayList{"INT050", "", "INT060", "INT100", "INP10", "INT100", "", "INT100"};
    QTest::newRow("ramp down to MIN")
        << Options() << QByteArrayList{"INT2", "+2550", "INTQ",  "INT0", "+1000",
                                       "INTQ", "INT2",  "+3000", "INTQ", "INP"}
        << QByteArrayList{"", "INT025", "", "INT025", "", "INT000", "INP08"};
    QTest::newRow("INT2 turns a rising ramp")
        << Options() << QByteArrayList{"INT1", "+500", "INT2", "+300", "INTQ"}
        << QByteArrayList{"", "", "INT052"};

    // Lamp hours
    QTest::newRow("lamp hours count while lit")
        << Options(3000, false, 3600) << QByteArrayList{"LIF", "L1",    "+5000", "LIF",     "+100",
                                                        "L0",  "+5000", "LIF",   "LAMPCLR", "LIF"}
        << QByteArrayList{"LIFOK0000", "", "LIFOK0005", "", "LIFOK0005", "", "LIFOK0000"};
    QTest::newRow("lamp hours capped at 9999")
        << Options(3000, false, kHourPerMs) << QByteArrayList{"LAMPOFF00", "L1", "+12000", "LIF"}
        << QByteArrayList{"", "", "LIFOK9999"};
    QTest::newRow("lamp alarm sets the short error bit")
        << Options(3000, false, kHourPerMs)
        << QByteArrayList{"LAMPERR01", "L1", "+99", "INP", "+1", "INP", "L0", "INP"}
        << QByteArrayList{"", "", "INP01", "INP21", "NG01", "INP21"};
    QTest::newRow("lamp alarm sets the long error bit")
        << Options(3000, true, kHourPerMs)
        << QByteArrayList{"LAMPERR01", "L1", "+99", "INP", "+1", "INP", "+3000", "INP"}
        << QByteArrayList{"", "", "INP001", "INP041", "INP043"};
    QTest::newRow("lamp alarm 00 never sets the error bit")
        << Options(0, false, kHourPerMs) << QByteArrayList{"LAMPERR00", "L1", "+4000", "INP"}
        << QByteArrayList{"", "", "INP03"};
    QTest::newRow("forced lamp off time puts the lamp out")
        << Options(0, false, kHourPerMs)
        << QByteArrayList{"LAMPOFF01", "L1",  "+99",     "INP", "+1", "INP",
                          "L1",        "INP", "LAMPCLR", "L1",  "INP"}
        << QByteArrayList{"", "", "INP03", "INP00", "", "INP00", "", "", "INP03"};

    // Shutter
    QTest::newRow("manual shutter") << Options() << QByteArrayList{"S1", "INP", "S1", "S0", "INP"}
                                    << QByteArrayList{"", "INP04", "", "", "INP00"};
    QTest::newRow("timed opening counts down, S1 and ATS answer NG03 meanwhile")
        << Options()
        << QByteArrayList{"AT002.5", "ATQ",   "ATT", "ATS", "INP", "ATT", "+1000", "ATT", "S1",
                          "ATS",     "+1499", "ATT", "+1",  "ATT", "INP", "S1",    "INP"}
        << QByteArrayList{"",         "AT002.5",  "ATT000.0", "",     "INP04",
                          "ATT002.5", "ATT001.5", "NG03",     "NG03", "ATT000.1",
                          "ATT000.0", "INP00",    "",         "INP04"};
    // The opening's planned end must not close a shutter opened again after S0.
    QTest::newRow("S0 ends a timed opening at once")
        << Options()
        << QByteArrayList{"AT002.5", "ATS", "+1000", "S0", "ATT", "INP", "S1", "+2000", "INP"}
        << QByteArrayList{"", "", "", "ATT000.0", "INP00", "", "INP04"};
    QTest::newRow("auto time limits")
        << Options() << QByteArrayList{"ATQ", "AT000.0", "ATQ", "AT999.9", "ATQ"}
        << QByteArrayList{"AT010.0", "", "AT000.0", "", "AT999.9"};
    QTest::newRow("malformed auto times are refused")
        << Options()
        << QByteArrayList{"AT12.50", "AT0125", "AT012.5 ", "AT1234.5", "AT01a.5", "AT", "ATQ"}
        << QByteArrayList{"ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "AT010.0"};

    // Programs
    QTest::newRow("percent program read back as sent")
        << Options() << QByteArrayList{kPercentProgram, "CUREQ3"}
        << QByteArrayList{"", kPercentProgram};
    QTest::newRow("watts program read back as sent")
        << Options() << QByteArrayList{kWattsProgram, "CUREQ5"}
        << QByteArrayList{"", kWattsProgram};
    QTest::newRow("never-written program reads as zeros")
        << Options() << QByteArrayList{"CUREQ9"} << QByteArrayList{kEmptyProgram9};
    QTest::newRow("malformed programs answer ERR05, store nothing")
        << Options()
        << QByteArrayList{"CURE",
                          kPercentProgram.chopped(1),
                          kPercentProgram + ",",
                          Replaced(kPercentProgram, 9, 'x'),
                          Replaced(kPercentProgram, 17, ';'),
                          Replaced(kPercentProgram, 25, '0'),
                          Replaced(kPercentProgram, 8, '1') /* 150 % */,
                          Replaced(Replaced(kPercentProgram, 8, '1'), 9, '0') /* 100 % */,
                          Replaced(kPercentProgram, 6, '2'),
                          Replaced(kWattsProgram, 6, '1'),
                          Replaced(kWattsProgram, 9, '5'),
                          Replaced(kPercentProgram, 4, '0'),
                          Replaced(kPercentProgram, 5, '3'),
                          "CUREQ3"}
        << QByteArrayList{"ERR05", "ERR05",
                          "ERR05", "ERR05",
                          "ERR05", "ERR05",
                          "ERR05", "",
                          "ERR05", "ERR05",
                          "ERR05", "ERR05",
                          "ERR05", Replaced(Replaced(kPercentProgram, 8, '1'), 9, '0')};
    QTest::newRow("bad program numbers in CUREQ")
        << Options() << QByteArrayList{"CUREQ0", "CUREQ", "CUREQ10", "CUREQx"}
        << QByteArrayList{"ERR", "ERR", "ERR", "ERR"};
    QTest::newRow("program steps, STPQ, skipped 0.0 s step")
        << Options() << QByteArrayList{kProgram1, "STPQ", "START1", "STPQ", "INTQ",  "INP",  "+999",
                                       "STPQ",    "+1",   "STPQ",   "INTQ", "+2000", "STPQ", "INTQ",
                                       "+499",    "STPQ", "+1",     "STPQ", "INP"}
        << QByteArrayList{"",     "STP0",   "",     "STP1",   "INT080", "INP04", "STP1",
                          "STP2", "INT020", "STP4", "INT060", "STP4",   "STP0",  "INP00"};
    QTest::newRow("1-step mode runs step 1 only")
        << Options()
        << QByteArrayList{"PROG_1STEP", kProgram1, "START1", "+999", "STPQ", "+1", "STPQ", "INP"}
        << QByteArrayList{"", "", "", "STP1", "STP0", "INP00"};
    QTest::newRow("watts run scaled to percent")
        << Options()
        << QByteArrayList{"CURE212:5.00,001.0,9.99,001.0,0.04,001.0,0.00,000.0,0.00,000.0,0.00,000."
                          "0,0.00,000.0",
                          "START2",
                          "INTQ",
                          "+1000",
                          "INTQ",
                          "+1000",
                          "INTQ"}
        << QByteArrayList{"", "", "INT050", "INT100", "INT000"};
    QTest::newRow("NG02 while a program runs, STOP closes")
        << Options()
        << QByteArrayList{kProgram1, "START1", "START1", kProgram1, "S1",     "S0",  "ATS",
                          "CUREQ1",  "STOP",   "STPQ",   "INP",     "START1", "STPQ"}
        << QByteArrayList{"",        "", "NG02", "NG02",  "NG02", "NG02", "NG02",
                          kProgram1, "", "STP0", "INP00", "",     "STP1"};
    QTest::newRow("START during a timed opening answers NG03")
        << Options() << QByteArrayList{kProgram1, "ATS", "START1", "STPQ"}
        << QByteArrayList{"", "", "NG03", "STP0"};
    QTest::newRow("empty program runs through at once")
        << Options() << QByteArrayList{"START4", "STPQ", "INP"}
        << QByteArrayList{"", "STP0", "INP00"};
    // Only starting commands the unit would carry out count; each refusal names its function
    // and changes nothing.
    QTest::newRow("refusals on purpose: lamp and shutter")
        << Refusing(3)
        << QByteArrayList{"L1",   "L0",   "+3000", "S1",  "L0",  "INP",     "AT12x", "AT001.0",
                          "S0",   "ATS",  "ATT",   "INP", "ATQ", "LIF",     "CNT1",  "LAMPCLR",
                          "INT0", "STOP", "ATS",   "S1",  "S0",  "AT002.0", "ATQ",   "INP"}
        << QByteArrayList{"",          "NG01", "",     "NG01",     "INP07", "ERR",
                          "",          "",     "NG03", "ATT000.0", "INP03", "AT001.0",
                          "LIFOK0000", "",     "",     "",         "",      "",
                          "NG03",      "",     "NG03", "AT001.0",  "INP03"};
    QTest::newRow("refusals on purpose: intensity and programs")
        << Refusing(2) << QByteArrayList{"INT1",   "+1000",   "INT0",
                                         "INTQ",   "INT2",    "+1000",
                                         "INTQ",   kProgram1, Replaced(kPercentProgram, 4, '9'),
                                         "CUREQ9", "START1",  "STPQ",
                                         "STOP",   "STPQ",    "INT0",
                                         "START1", "STPQ"}
        << QByteArrayList{"", "",     "INT060", "NG04", "INT060", "",     "NG02", kEmptyProgram9,
                          "", "STP1", "",       "STP0", "",       "NG02", "STP0"};
    QTest::newRow("bad START") << Options()
                               << QByteArrayList{"START0", "START", "START10", "STARTx"}
                               << QByteArrayList{"ERR", "ERR", "ERR", "ERR"};

    // Settings
    QTest::newRow("control mode") << Options() << QByteArrayList{"CNTQ", "CNT0", "CNTQ", "CNT1",
                                                                 "CNTQ", "CNT2", "CNT",  "CNTQ"}
                                  << QByteArrayList{"CNT1", "",    "CNT0", "",
                                                    "CNT1", "ERR", "ERR",  "CNT1"};
    QTest::newRow("program mode") << Options()
                                  << QByteArrayList{"PROG?", "PROG_1STEP", "PROG?", "PROG_7STEP",
                                                    "PROG?", "PROG_2STEP", "PROG"}
                                  << QByteArrayList{"7STEP", "",    "1STEP", "",
                                                    "7STEP", "ERR", "ERR"};
    QTest::newRow("lamp alarm time")
        << Options() << QByteArrayList{"LAMPERR?",   "LAMPERR05", "LAMPERR?", "LAMPERR99",
                                       "LAMPERR?",   "LAMPERR00", "LAMPERR?", "LAMPERR5",
                                       "LAMPERR100", "LAMPERR-1", "LAMPERR?"}
        << QByteArrayList{"LAMPERR30", "",    "LAMPERR05", "",    "LAMPERR99", "",
                          "LAMPERR00", "ERR", "ERR",       "ERR", "LAMPERR00"};
    QTest::newRow("forced lamp off time")
        << Options()
        << QByteArrayList{"LAMPOFF?", "LAMPOFF07", "LAMPOFF?", "LAMPOFF7", "LAMPOFFxx", "LAMPOFF?"}
        << QByteArrayList{"LAMPOFF50", "", "LAMPOFF07", "ERR", "ERR", "LAMPOFF07"};
    QTest::newRow("instantaneous recovery")
        << Options() << QByteArrayList{"IB?", "IB0", "IB?", "IB2", "IB10", "IB?", "IB1", "IB?"}
        << QByteArrayList{"IB1", "", "IB0", "ERR", "ERR", "IB0", "", "IB1"};
    QTest::newRow("shutter response")
        << Options() << QByteArrayList{"SRESP?", "SRESP0", "SRESP?", "SRESP5", "SRESP?"}
        << QByteArrayList{"SRESP1", "", "SRESP0", "ERR", "SRESP0"};
    QTest::newRow("shutter open pulse time")
        << Options() << QByteArrayList{"SETT1?",   "SETT1005", "SETT1?",  "SETT1500",  "SETT1?",
                                       "SETT1004", "SETT1501", "SETT150", "SETT10050", "SETT1?"}
        << QByteArrayList{"SETT1050", "",    "SETT1005", "",    "SETT1500",
                          "ERR",      "ERR", "ERR",      "ERR", "SETT1500"};
    QTest::newRow("shutter close pulse time")
        << Options() << QByteArrayList{"SETT2?", "SETT2123", "SETT2?", "SETT2000", "SETT2?"}
        << QByteArrayList{"SETT2050", "", "SETT2123", "ERR", "SETT2123"};

    // Anything else
    QTest::newRow("unknown commands and bad arguments")
        << Options() << QByteArrayList{"inp",  "INP ",  "XYZ",  "L2",    "INTQ1",
                                       "INT3", "STPQ0", "LIF1", "STOP1", "PROG?x"}
        << QByteArrayList{"ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR"};
    QTest::newRow("empty lines, LF and NUL are no part of a command")
        << Options() << QByteArrayList{"", "\n", QByteArray("IN\0P\n", 5), "\nINTQ"}
        << QByteArrayList{"", "", "INP00", "INT050"};
    QTest::newRow("version") << Options() << QByteArrayList{"VER?"}
                             << QByteArrayList{"VERVQ3-SIM1"};
}

void SimulatedUnitTest::conversation() {
    QFETCH(UnitOptions, options);
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArrayList, replies);
    SimulatedUnit unit(options);
    unit.SetManualClock(true);
    qsizetype reply = 0;
    for (const QByteArray& step : script) {
        if (step.startsWith('+')) {
            unit.AdvanceClock(step.mid(1).toLongLong());
            continue;
        }
        QVERIFY2(reply < replies.size(), "more commands than replies in the row");
        const QByteArray expected = replies[reply].isEmpty() ? QByteArray() : replies[reply] + '\r';
        const QByteArray actual = unit.HandleCommand(step);
        QVERIFY2(actual == expected,
                 qPrintable(QStringLiteral("command %1 (\"%2\"): got \"%3\", expected \"%4\"")
                                .arg(reply + 1)
                                .arg(QString::fromLatin1(step.toPercentEncoding()),
                                     QString::fromLatin1(actual.toPercentEncoding()),
                                     QString::fromLatin1(expected.toPercentEncoding()))));
        ++reply;
    }
    QCOMPARE(reply, replies.size());
}

// The state a command leaves behind, as the accessors report it.
void SimulatedUnitTest::commandsChangeState_data() {
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QString>("accessor");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("L1 lights, unstable") << QByteArrayList{"L1"} << "lampOn" << 1LL;
    QTest::newRow("L1 not yet stable") << QByteArrayList{"L1", "+2999"} << "lampStable" << 0LL;
    QTest::newRow("L1 stable after warm-up")
        << QByteArrayList{"L1", "+3000"} << "lampStable" << 1LL;
    QTest::newRow("ramp") << QByteArrayList{"INT1", "+300"} << "intensity" << 53LL;
    QTest::newRow("ramp direction") << QByteArrayList{"INT2"} << "ramp" << -1LL;
    QTest::newRow("lamp hours") << QByteArrayList{"L1", "+7200000"} << "lampHours" << 2LL;
    QTest::newRow("shutter") << QByteArrayList{"S1"} << "shutterOpen" << 1LL;
    QTest::newRow("auto time") << QByteArrayList{"AT123.4"} << "autoTime" << 1234LL;
    QTest::newRow("time left") << QByteArrayList{"ATS", "+4321"} << "autoTimeLeft" << 57LL;
    QTest::newRow("running step") << QByteArrayList{kProgram1, "START1", "+1500"} << "runningStep"
                                  << 2LL;
    QTest::newRow("program mode") << QByteArrayList{"PROG_1STEP"} << "programMode" << 1LL;
    QTest::newRow("lamp alarm") << QByteArrayList{"LAMPERR07"} << "lampAlarm" << 7LL;
    QTest::newRow("lamp off time") << QByteArrayList{"LAMPOFF08"} << "lampOffTime" << 8LL;
    QTest::newRow("instantaneous recovery") << QByteArrayList{"IB0"} << "instantRecovery" << 0LL;
    QTest::newRow("shutter response") << QByteArrayList{"SRESP0"} << "shutterResponse" << 0LL;
    QTest::newRow("open pulse") << QByteArrayList{"SETT1123"} << "openPulse" << 123LL;
    QTest::newRow("close pulse") << QByteArrayList{"SETT2321"} << "closePulse" << 321LL;
    QTest::newRow("control mode") << QByteArrayList{"CNT0"} << "controlMode" << 0LL;
    QTest::newRow("status word") << QByteArrayList{"L1", "S1", "INT2", "+6000"} << "statusWord"
                                 << 0x0FLL;
    QTest::newRow("refused setting keeps the old value")
        << QByteArrayList{"SETT1501"} << "openPulse" << 50LL;
}

void SimulatedUnitTest::commandsChangeState() {
    QFETCH(QByteArrayList, script);
    QFETCH(QString, accessor);
    QFETCH(qint64, expected);
    SimulatedUnit unit;
    unit.SetManualClock(true);
    for (const QByteArray& step : script) {
        if (step.startsWith('+'))
            unit.AdvanceClock(step.mid(1).toLongLong());
        else
            unit.HandleCommand(step);
    }
    const QHash<QString, std::function<qint64()>> accessors = {
        {"lampOn", [&] { return qint64(unit.lampOn()); }},
        {"lampStable", [&] { return qint64(unit.lampStable()); }},
        {"intensity", [&] { return qint64(unit.intensity()); }},
        {"ramp", [&] { return qint64(unit.ramp()); }},
        {"lampHours", [&] { return unit.lampHours(); }},
        {"shutterOpen", [&] { return qint64(unit.shutterOpen()); }},
        {"autoTime", [&] { return qint64(unit.autoTime()); }},
        {"autoTimeLeft", [&] { return qint64(unit.autoTimeLeft()); }},
        {"runningStep", [&] { return qint64(unit.runningStep()); }},
        {"programMode", [&] { return qint64(unit.programMode()); }},
        {"lampAlarm", [&] { return qint64(unit.lampAlarm()); }},
        {"lampOffTime", [&] { return qint64(unit.lampOffTime()); }},
        {"instantRecovery", [&] { return qint64(unit.instantRecovery()); }},
        {"shutterResponse", [&] { return qint64(unit.shutterResponse()); }},
        {"openPulse", [&] { return qint64(unit.openPulse()); }},
        {"closePulse", [&] { return qint64(unit.closePulse()); }},
        {"controlMode", [&] { return qint64(unit.controlMode()); }},
        {"statusWord", [&] { return qint64(unit.statusWord()); }},
    };
    QVERIFY(accessors.contains(accessor));
    QCOMPARE(accessors.value(accessor)(), expected);
}

// Tests prepare a unit with the setters; the unit then answers from that state.
void SimulatedUnitTest::preparedStateShowsOnTheWire_data() {
    QTest::addColumn<QString>("setter");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("lamp on warms up")
        << "setLampOn" << 1 << QByteArray("INP") << QByteArray("INP01\r");
    QTest::newRow("stable lamp") << "setLampStable" << 1 << QByteArray("INP")
                                 << QByteArray("INP03\r");
    QTest::newRow("intensity") << "setIntensity" << 100 << QByteArray("INTQ")
                               << QByteArray("INT100\r");
    QTest::newRow("intensity clamped")
        << "setIntensity" << 150 << QByteArray("INP") << QByteArray("INP10\r");
    QTest::newRow("lamp hours") << "setLampHours" << 1234 << QByteArray("LIF")
                                << QByteArray("LIFOK1234\r");
    QTest::newRow("lamp hours capped")
        << "setLampHours" << 123456 << QByteArray("LIF") << QByteArray("LIFOK9999\r");
    QTest::newRow("lamp hours past the alarm")
        << "setLampHours" << 3000 << QByteArray("INP") << QByteArray("INP20\r");
    QTest::newRow("shutter") << "setShutterOpen" << 1 << QByteArray("INP") << QByteArray("INP04\r");
    QTest::newRow("auto time") << "setAutoTime" << 5 << QByteArray("ATQ")
                               << QByteArray("AT000.5\r");
    QTest::newRow("stored program")
        << "setStoredProgram" << 3 << QByteArray("CUREQ3") << kPercentProgram + '\r';
    QTest::newRow("unrunnable stored program")
        << "setStoredProgram" << 4 << QByteArray("START4") << QByteArray("ERR05\r");
    QTest::newRow("program mode") << "setProgramMode" << 1 << QByteArray("PROG?")
                                  << QByteArray("1STEP\r");
    QTest::newRow("lamp alarm") << "setLampAlarm" << 12 << QByteArray("LAMPERR?")
                                << QByteArray("LAMPERR12\r");
    QTest::newRow("lamp off time")
        << "setLampOffTime" << 3 << QByteArray("LAMPOFF?") << QByteArray("LAMPOFF03\r");
    QTest::newRow("instantaneous recovery")
        << "setInstantRecovery" << 0 << QByteArray("IB?") << QByteArray("IB0\r");
    QTest::newRow("shutter response")
        << "setShutterResponse" << 0 << QByteArray("SRESP?") << QByteArray("SRESP0\r");
    QTest::newRow("open pulse") << "setOpenPulse" << 7 << QByteArray("SETT1?")
                                << QByteArray("SETT1007\r");
    QTest::newRow("close pulse") << "setClosePulse" << 499 << QByteArray("SETT2?")
                                 << QByteArray("SETT2499\r");
    QTest::newRow("control mode") << "setControlMode" << 0 << QByteArray("CNTQ")
                                  << QByteArray("CNT0\r");
}

void SimulatedUnitTest::preparedStateShowsOnTheWire() {
    QFETCH(QString, setter);
    QFETCH(int, value);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    SimulatedUnit unit;
    unit.SetManualClock(true);
    const QHash<QString, std::function<void()>> setters = {
        {"setLampOn", [&] { unit.setLampOn(value != 0); }},
        {"setLampStable", [&] { unit.setLampStable(value != 0); }},
        {"setIntensity", [&] { unit.setIntensity(value); }},
        {"setLampHours", [&] { unit.setLampHours(value); }},
        {"setShutterOpen", [&] { unit.setShutterOpen(value != 0); }},
        {"setAutoTime", [&] { unit.setAutoTime(value); }},
        {"setStoredProgram",
         [&] {
             unit.setStoredProgram(value, value == 3 ? kPercentProgram : QByteArray("CURE4xx"));
         }},
        {"setProgramMode", [&] { unit.setProgramMode(value); }},
        {"setLampAlarm", [&] { unit.setLampAlarm(value); }},
        {"setLampOffTime", [&] { unit.setLampOffTime(value); }},
        {"setInstantRecovery", [&] { unit.setInstantRecovery(value); }},
        {"setShutterResponse", [&] { unit.setShutterResponse(value); }},
        {"setOpenPulse", [&] { unit.setOpenPulse(value); }},
        {"setClosePulse", [&] { unit.setClosePulse(value); }},
        {"setControlMode", [&] { unit.setControlMode(value); }},
    };
    QVERIFY(setters.contains(setter));
    setters.value(setter)();
    QCOMPARE(unit.HandleCommand(command), reply);
}

void SimulatedUnitTest::commandLogKeepsEveryLine() {
    SimulatedUnit unit;
    for (const QByteArray& line : {QByteArray("INP"), QByteArray(""), QByteArray("BOGUS"),
                                   QByteArray(600, 'A'), QByteArray("L\n1")})
        unit.HandleCommand(line);
    QCOMPARE(unit.commandLog(), (QList<QByteArray>{"INP", "BOGUS", "L1"}));
    QCOMPARE(unit.storedProgram(0), QByteArray());
    QCOMPARE(unit.storedProgram(1), QByteArray());
}

void SimulatedUnitTest::manualClockStandsStill() {
    SimulatedUnit unit;
    unit.HandleCommand("INT1");
    unit.SetManualClock(true);
    const int frozen = unit.intensity();
    QTest::qWait(250);
    QCOMPARE(unit.intensity(), frozen);
    unit.AdvanceClock(200);
    QCOMPARE(unit.intensity(), std::min(100, frozen + 2));
    // Real time runs on from where the manual clock stood.
    unit.SetManualClock(false);
    QTRY_VERIFY_WITH_TIMEOUT(unit.intensity() >= frozen + 4, 2000);
    unit.AdvanceClock(1000); // also moves a running clock
    QVERIFY(unit.intensity() >= frozen + 14);
}

QTEST_GUILESS_MAIN(SimulatedUnitTest)
#include "tst_simulatedunit.moc"
