// The exact bytes of every command, in the C locale and again under a locale whose
// decimal separator is a comma (Qt sets the user's locale at start-up).
#include "link/Commands.h"

#include <QTest>

#include <clocale>
#include <functional>
#include <map>

namespace cmd = vq3::link::cmd;
using vq3::model::MemoryStepProgram;

namespace {

MemoryStepProgram UniformProgram(int number, int shutterMode, int intensityMode, double intensity,
                                 double time) {
    MemoryStepProgram program;
    program.programNumber = number;
    program.shutterMode = shutterMode;
    program.intensityMode = intensityMode;
    for (auto& step : program.steps)
        step = {intensity, time};
    return program;
}

MemoryStepProgram MixedProgram(int intensityMode) {
    MemoryStepProgram program;
    program.programNumber = 9;
    program.shutterMode = 2;
    program.intensityMode = intensityMode;
    const double percent[] = {0, 100, 5, 12, 99, 1, 50};
    const double watts[] = {0.0, 9.99, 0.05, 1.5, 2.25, 0.1, 5.0};
    const double times[] = {0.0, 999.9, 0.5, 12.34, 100.0, 7.0, 45.6};
    for (int i = 0; i < 7; ++i)
        program.steps[static_cast<std::size_t>(i)] = {intensityMode == 1 ? percent[i] : watts[i],
                                                      times[i]};
    return program;
}

QByteArray Joined(const QByteArray& head, const QByteArray& step) {
    QByteArray text = head;
    for (int i = 0; i < 7; ++i)
        text += (i ? "," : "") + step;
    return text;
}

// Every command by name; the bytes are built when the test runs, in its locale.
const std::map<QByteArray, std::function<QByteArray()>>& Builders() {
    static const std::map<QByteArray, std::function<QByteArray()>> builders = {
        {"INP", [] { return cmd::Inp; }},
        {"L1", [] { return cmd::LampOn; }},
        {"L0", [] { return cmd::LampOff; }},
        {"S1", [] { return cmd::ShutterOpen; }},
        {"S0", [] { return cmd::ShutterClose; }},
        {"INTQ", [] { return cmd::IntensityQuery; }},
        {"INT1", [] { return cmd::IntensityUp; }},
        {"INT2", [] { return cmd::IntensityDown; }},
        {"INT0", [] { return cmd::IntensityStop; }},
        {"LIF", [] { return cmd::LampTimeQuery; }},
        {"LAMPCLR", [] { return cmd::LampTimeClear; }},
        {"ATS", [] { return cmd::AutoShutterStart; }},
        {"ATQ", [] { return cmd::AutoTimeQuery; }},
        {"ATT", [] { return cmd::RestTimeQuery; }},
        {"STPQ", [] { return cmd::StepQuery; }},
        {"STOP", [] { return cmd::Stop; }},
        {"CNTQ", [] { return cmd::ControlModeQuery; }},
        {"PROG?", [] { return cmd::ProgramModeQuery; }},
        {"LAMPERR?", [] { return cmd::LampAlarmQuery; }},
        {"LAMPOFF?", [] { return cmd::LampOffTimeQuery; }},
        {"IB?", [] { return cmd::InstantRecoveryQuery; }},
        {"SRESP?", [] { return cmd::ShutterResponseQuery; }},
        {"SETT1?", [] { return cmd::OpenPulseQuery; }},
        {"SETT2?", [] { return cmd::ClosePulseQuery; }},
        {"AT 0", [] { return cmd::AutoTime(0.0); }},
        {"AT 999.9", [] { return cmd::AutoTime(999.9); }},
        {"AT 12.5", [] { return cmd::AutoTime(12.5); }},
        {"AT 12.34", [] { return cmd::AutoTime(12.34); }},
        {"AT 0.05", [] { return cmd::AutoTime(0.05); }},
        {"AT 7", [] { return cmd::AutoTime(7.0); }},
        {"AT 100", [] { return cmd::AutoTime(100.0); }},
        {"START 1", [] { return cmd::Start(1); }},
        {"START 9", [] { return cmd::Start(9); }},
        {"CUREQ 1", [] { return cmd::ProgramQuery(1); }},
        {"CUREQ 7", [] { return cmd::ProgramQuery(7); }},
        {"CNT 1", [] { return cmd::ControlMode(1); }},
        {"CNT 0", [] { return cmd::ControlMode(0); }},
        {"PROG 1", [] { return cmd::ProgramMode(1); }},
        {"PROG 7", [] { return cmd::ProgramMode(7); }},
        {"PROG 0", [] { return cmd::ProgramMode(0); }},
        {"PROG -1", [] { return cmd::ProgramMode(-1); }},
        {"LAMPERR 0", [] { return cmd::LampAlarmTime(0); }},
        {"LAMPERR 5", [] { return cmd::LampAlarmTime(5); }},
        {"LAMPERR 99", [] { return cmd::LampAlarmTime(99); }},
        {"LAMPOFF 0", [] { return cmd::LampOffTime(0); }},
        {"LAMPOFF 50", [] { return cmd::LampOffTime(50); }},
        {"IB 1", [] { return cmd::InstantRecovery(1); }},
        {"IB 0", [] { return cmd::InstantRecovery(0); }},
        {"SRESP 1", [] { return cmd::ShutterResponse(1); }},
        {"SRESP 0", [] { return cmd::ShutterResponse(0); }},
        {"SETT1 5", [] { return cmd::OpenPulseTime(5); }},
        {"SETT1 50", [] { return cmd::OpenPulseTime(50); }},
        {"SETT1 500", [] { return cmd::OpenPulseTime(500); }},
        {"SETT2 5", [] { return cmd::ClosePulseTime(5); }},
        {"SETT2 120", [] { return cmd::ClosePulseTime(120); }},
        {"CURE percent uniform", [] { return cmd::Cure(UniformProgram(2, 1, 1, 50, 10.0)); }},
        {"CURE watts uniform", [] { return cmd::Cure(UniformProgram(1, 2, 2, 9.99, 999.9)); }},
        {"CURE percent mixed", [] { return cmd::Cure(MixedProgram(1)); }},
        {"CURE watts mixed", [] { return cmd::Cure(MixedProgram(2)); }},
    };
    return builders;
}

void AddCommandRows() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char* name, const QByteArray& bytes) {
        QTest::newRow(name) << QByteArray(name) << bytes;
    };
    for (const char* fixed :
         {"INP",  "L1",    "L0",       "S1",       "S0",  "INTQ",   "INT1",   "INT2",
          "INT0", "LIF",   "LAMPCLR",  "ATS",      "ATQ", "ATT",    "STPQ",   "STOP",
          "CNTQ", "PROG?", "LAMPERR?", "LAMPOFF?", "IB?", "SRESP?", "SETT1?", "SETT2?"})
        row(fixed, fixed);
    row("AT 0", "AT000.0");
    row("AT 999.9", "AT999.9");
    row("AT 12.5", "AT012.5");
    row("AT 12.34", "AT012.3");
    row("AT 0.05", "AT000.1");
    row("AT 7", "AT007.0");
    row("AT 100", "AT100.0");
    row("START 1", "START1");
    row("START 9", "START9");
    row("CUREQ 1", "CUREQ1");
    row("CUREQ 7", "CUREQ7");
    row("CNT 1", "CNT1");
    row("CNT 0", "CNT0");
    row("PROG 1", "PROG_1STEP");
    row("PROG 7", "PROG_7STEP");
    row("PROG 0", "PROG_7STEP");
    row("PROG -1", "PROG_7STEP");
    row("LAMPERR 0", "LAMPERR00");
    row("LAMPERR 5", "LAMPERR05");
    row("LAMPERR 99", "LAMPERR99");
    row("LAMPOFF 0", "LAMPOFF00");
    row("LAMPOFF 50", "LAMPOFF50");
    row("IB 1", "IB1");
    row("IB 0", "IB0");
    row("SRESP 1", "SRESP1");
    row("SRESP 0", "SRESP0");
    row("SETT1 5", "SETT1005");
    row("SETT1 50", "SETT1050");
    row("SETT1 500", "SETT1500");
    row("SETT2 5", "SETT2005");
    row("SETT2 120", "SETT2120");
    row("CURE percent uniform", Joined("CURE211:", "050,010.0"));
    row("CURE watts uniform", Joined("CURE122:", "9.99,999.9"));
    row("CURE percent mixed", "CURE921:000,000.0,100,999.9,005,000.5,012,012.3,099,100.0,"
                              "001,007.0,050,045.6");
    row("CURE watts mixed", "CURE922:0.00,000.0,9.99,999.9,0.05,000.5,1.50,012.3,2.25,100.0,"
                            "0.10,007.0,5.00,045.6");
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void bytes_data() { AddCommandRows(); }
    void bytes();
    void bytesUnderCommaLocale_data() { AddCommandRows(); }
    void bytesUnderCommaLocale();
    void cureLengths_data();
    void cureLengths();
    void settingsQueriesInOrder();
};

void CommandsTest::bytes() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, bytes);
    const auto builder = Builders().find(name);
    QVERIFY2(builder != Builders().end(), name.constData());
    QCOMPARE(builder->second(), bytes);
}

void CommandsTest::bytesUnderCommaLocale() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, bytes);
    const auto builder = Builders().find(name);
    QVERIFY2(builder != Builders().end(), name.constData());

    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        QFAIL("the locale de_DE.UTF-8 is not installed");
    const QByteArray built = builder->second();
    std::setlocale(LC_ALL, "C");
    QCOMPARE(built, bytes);
}

void CommandsTest::cureLengths_data() {
    QTest::addColumn<int>("intensityMode");
    QTest::addColumn<double>("intensity");
    QTest::addColumn<double>("time");
    QTest::addColumn<int>("length");
    QTest::newRow("percent, smallest") << 1 << 0.0 << 0.0 << 77;
    QTest::newRow("percent, largest") << 1 << 100.0 << 999.9 << 77;
    QTest::newRow("watts, smallest") << 2 << 0.0 << 0.0 << 84;
    QTest::newRow("watts, largest") << 2 << 9.99 << 999.9 << 84;
}

void CommandsTest::cureLengths() {
    QFETCH(int, intensityMode);
    QFETCH(double, intensity);
    QFETCH(double, time);
    QFETCH(int, length);
    const QByteArray cure = cmd::Cure(UniformProgram(5, 1, intensityMode, intensity, time));
    QCOMPARE(cure.size(), length);
    QVERIFY(cure.startsWith("CURE51" + QByteArray::number(intensityMode) + ":"));
    QCOMPARE(cure.count(','), 13);
}

void CommandsTest::settingsQueriesInOrder() {
    const auto queries = cmd::SettingsQueries();
    const QList<QByteArray> expected = {"PROG?",  "LAMPERR?", "LAMPOFF?", "IB?",
                                        "SRESP?", "SETT1?",   "SETT2?"};
    QCOMPARE(QList<QByteArray>(queries.begin(), queries.end()), expected);
}

QTEST_APPLESS_MAIN(CommandsTest)
#include "tst_commands.moc"
