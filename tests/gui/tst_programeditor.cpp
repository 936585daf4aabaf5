// The "Memory Step" editor of the main window: checking and sending a program, the one-shot
// commands, the unit's program and step replies, and replies that must change nothing.
#include "WindowRig.h"

using vq3::test::EditorState;
using vq3::test::Seven;
using ProgramEditorRig = vq3::test::WindowRig;

namespace {

const QString kIntensityWrong = QStringLiteral("Setting value of intensity is wrong.");
const QString kIntensityRange = QStringLiteral("Setting value of intensity is out of range.");
const QString kTimeWrong = QStringLiteral("Setting value of time is wrong.");
const QString kTimeRange = QStringLiteral("Setting value of time is out of range.");

constexpr int kSet = 1028, kRead = 1016, kStart = 1022, kCancel = 1023, kStep = 1024;

// "CUREpsm:" followed by the given step groups, the rest filled with `rest`, and the CR.
QByteArray Cure(const char* head, const QStringList& groups, const QString& rest) {
    return QByteArray(head) + Seven(groups, rest).join(',').toLatin1() + '\r';
}
QByteArray Cure1(const char* head, const QStringList& groups = {}) {
    return Cure(head, groups, QStringLiteral("000,000.0"));
}
QByteArray Cure2(const char* head, const QStringList& groups = {}) {
    return Cure(head, groups, QStringLiteral("0.00,000.0"));
}

// A reply line (no CR) in the percent or watts layout.
QByteArray Reply(const char* head, const QStringList& groups, bool watts) {
    QByteArray line = watts ? Cure2(head, groups) : Cure1(head, groups);
    line.chop(1);
    return line;
}

} // namespace

class ProgramEditorTest : public QObject {
    Q_OBJECT
private slots:
    void setProgram_data();
    void setProgram();
    void setWhileDisconnected();
    void oneShotCommands_data();
    void oneShotCommands();
    void programReply_data();
    void programReply();
    void unlistedDigitsThenSet_data();
    void unlistedDigitsThenSet();
    void stepReply_data();
    void stepReply();
};

void ProgramEditorTest::setProgram_data() {
    QTest::addColumn<int>("program"); // list indexes
    QTest::addColumn<int>("shutter");
    QTest::addColumn<int>("intensityMode");
    QTest::addColumn<QStringList>("intensities");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QByteArray>("wire"); // empty: nothing may be sent
    QTest::addColumn<QString>("message"); // empty: no message
    QTest::addColumn<QStringList>("afterIntensities");
    QTest::addColumn<QStringList>("afterTimes");

    const QStringList empty = Seven({});
    const QStringList zeros = Seven({}, "0"), zeroTimes = Seven({}, "0.0");

    QTest::newRow("all empty, percent")
        << 0 << 0 << 0 << empty << empty << Cure1("CURE111:") << QString() << zeros << zeroTimes;
    QTest::newRow("all empty, watts") << 0 << 0 << 1 << empty << empty << Cure2("CURE112:")
                                      << QString() << Seven({}, "0.00") << zeroTimes;
    QTest::newRow("program 3 example")
        << 2 << 0 << 0 << Seven({"50", "100"}) << Seven({"10", "2.5"})
        << QByteArray("CURE311:050,010.0,100,002.5,000,000.0,000,000.0,000,000.0,000,000.0,"
                      "000,000.0\r")
        << QString() << Seven({"50", "100"}, "0") << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("program 9, mode2, watts")
        << 8 << 1 << 1 << Seven({"1.5", "0.25"}) << Seven({"0.5", "999.9"})
        << Cure2("CURE922:", {"1.50,000.5", "0.25,999.9"}) << QString()
        << Seven({"1.50", "0.25"}, "0.00") << Seven({"0.5", "999.9"}, "0.0");

    // Percent intensities.
    auto percent = [&](const char* name, const QString& text, const char* group,
                       const QString& message, const QString& after) {
        const QStringList in = Seven({text});
        QTest::newRow(name) << 0 << 0 << 0 << in << empty
                            << (group ? Cure1("CURE111:", {group}) : QByteArray()) << message
                            << (group ? Seven({after}, "0") : in) << (group ? zeroTimes : empty);
    };
    percent("100 accepted", "100", "100,000.0", {}, "100");
    percent("101 out of range", "101", nullptr, kIntensityRange, {});
    percent("-1 out of range", "-1", nullptr, kIntensityRange, {});
    percent("leading blank dropped", " 50", "050,000.0", {}, "50");
    percent("tab and plus sign", "\t+7", "007,000.0", {}, "7");
    percent("leading zeros dropped", "007", "007,000.0", {}, "7");
    percent("trailing blank", "50 ", nullptr, kIntensityWrong, {});
    percent("decimal point", "50.0", nullptr, kIntensityWrong, {});
    percent("exponent is no integer", "1e2", nullptr, kIntensityWrong, {});
    percent("blank alone", " ", nullptr, kIntensityWrong, {});
    percent("sign alone", "-", nullptr, kIntensityWrong, {});
    percent("minus zero", "-0", "000,000.0", {}, "0");
    percent("NUL inside", QStringLiteral("5") + QChar(0) + QStringLiteral("x"), nullptr,
            kIntensityWrong, {});
    percent("too large to hold", "99999999999999999999999", nullptr, kIntensityRange, {});

    // Watts intensities.
    auto watts = [&](const char* name, const QString& text, const char* group,
                     const QString& message, const QString& after) {
        const QStringList in = Seven({text});
        QTest::newRow(name) << 0 << 0 << 1 << in << empty
                            << (group ? Cure2("CURE112:", {group}) : QByteArray()) << message
                            << (group ? Seven({after}, "0.00") : in) << (group ? zeroTimes : empty);
    };
    watts("9.99 accepted", "9.99", "9.99,000.0", {}, "9.99");
    watts("9.991 out of range", "9.991", nullptr, kIntensityRange, {});
    watts("10 out of range", "10", nullptr, kIntensityRange, {});
    watts("negative", "-0.01", nullptr, kIntensityRange, {});
    watts("1.5 sent as 1.50", "1.5", "1.50,000.0", {}, "1.50");
    watts("d exponent", "1d0", "1.00,000.0", {}, "1.00");
    watts("minus zero", "-0", "0.00,000.0", {}, "0.00");
    watts("two points", "1.2.3", nullptr, kIntensityWrong, {});
    watts("comma", "1,5", nullptr, kIntensityWrong, {});

    // Shutter times.
    auto shutterTime = [&](const char* name, const QString& text, const char* group,
                           const QString& message, const QString& after) {
        const QStringList in = empty;
        const QStringList times = Seven({text});
        QTest::newRow(name) << 0 << 0 << 0 << in << times
                            << (group ? Cure1("CURE111:", {group}) : QByteArray()) << message
                            << (group ? zeros : in) << (group ? Seven({after}, "0.0") : times);
    };
    shutterTime("999.9 accepted", "999.9", "000,999.9", {}, "999.9");
    shutterTime("1000 out of range", "1000", nullptr, kTimeRange, {});
    shutterTime("-0.1 out of range", "-0.1", nullptr, kTimeRange, {});
    shutterTime("abc", "abc", nullptr, kTimeWrong, {});
    shutterTime("1e2 is 100", "1e2", "000,100.0", {}, "100.0");
    shutterTime("rounded to one decimal", "12.34", "000,012.3", {}, "12.3");
    shutterTime("half second", ".5", "000,000.5", {}, "0.5");
    shutterTime("minus zero", "-0.0", "000,000.0", {}, "0.0");
    shutterTime("trailing blank", "1.0 ", nullptr, kTimeWrong, {});
    shutterTime("point alone", ".", nullptr, kTimeWrong, {});
    shutterTime("huge exponent", "1e999", nullptr, kTimeRange, {});

    // Order of the checks.
    const QStringList badStep3 = Seven({"1", "2", "101", "4"});
    const QStringList badStep1Time = Seven({"abc", "1", "1"});
    QTest::newRow("step 1 time before step 3 intensity")
        << 0 << 0 << 0 << badStep3 << badStep1Time << QByteArray() << kTimeWrong << badStep3
        << badStep1Time;
    const QStringList bothBad = Seven({"1", "x"});
    const QStringList bothBadTimes = Seven({"1", "-5"});
    QTest::newRow("intensity before time in a step")
        << 0 << 0 << 0 << bothBad << bothBadTimes << QByteArray() << kIntensityWrong << bothBad
        << bothBadTimes;
    const QStringList rough = {" 50", "007", "+1", " 2", "3", "04", "5"};
    const QStringList roughTimes = {"1", "2.25", " 3", "4e0", "5", ".6", "1000"};
    QTest::newRow("step 7 fault leaves steps 1 to 6 alone")
        << 0 << 0 << 0 << rough << roughTimes << QByteArray() << kTimeRange << rough << roughTimes;
}

void ProgramEditorTest::setProgram() {
    QFETCH(int, program);
    QFETCH(int, shutter);
    QFETCH(int, intensityMode);
    QFETCH(QStringList, intensities);
    QFETCH(QStringList, times);
    QFETCH(QByteArray, wire);
    QFETCH(QString, message);
    QFETCH(QStringList, afterIntensities);
    QFETCH(QStringList, afterTimes);

    ProgramEditorRig rig;
    rig.SelectLists(program, shutter, intensityMode);
    rig.SetFields(intensities, times);
    rig.Button(kSet)->click();

    QCOMPARE(rig.device.written, wire);
    QVERIFY2(rig.MessagesAre(message.isEmpty() ? QStringList() : QStringList{message}),
             qPrintable(rig.prompter.Texts().join(" / ")));
    const EditorState after = rig.State();
    QCOMPARE(after.intensities, afterIntensities);
    QCOMPARE(after.times, afterTimes);
    QCOMPARE(after.program, program);
    QCOMPARE(after.shutter, shutter);
    QCOMPARE(after.intensityMode, intensityMode);
}

void ProgramEditorTest::setWhileDisconnected() {
    ProgramEditorRig rig(0);
    QCOMPARE(rig.LinkText(), QStringLiteral("Disconnect Port"));
    rig.SetFields(Seven({" 50"}), Seven({"1e1"}));
    rig.Button(kSet)->click();
    QCOMPARE(rig.device.written, QByteArray());
    QVERIFY(rig.prompter.shown.isEmpty());
    QCOMPARE(rig.State().intensities, Seven({"50"}, "0"));
    QCOMPARE(rig.State().times, Seven({"10.0"}, "0.0"));
}

void ProgramEditorTest::oneShotCommands_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("program");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("Read") << kRead << 2 << QByteArray("CUREQ3\r");
    QTest::newRow("Read program 9") << kRead << 8 << QByteArray("CUREQ9\r");
    QTest::newRow("Start") << kStart << 2 << QByteArray("START3\r");
    QTest::newRow("Start program 1") << kStart << 0 << QByteArray("START1\r");
    QTest::newRow("Cancel") << kCancel << 2 << QByteArray("STOP\r");
    QTest::newRow("Step") << kStep << 2 << QByteArray("STPQ\r");
    QTest::newRow("Read without selection") << kRead << -1 << QByteArray("CUREQ0\r");
}

void ProgramEditorTest::oneShotCommands() {
    QFETCH(int, button);
    QFETCH(int, program);
    QFETCH(QByteArray, wire);

    ProgramEditorRig rig;
    // Fields Set would refuse: these commands check nothing and change nothing.
    rig.SelectLists(program, 1, 1);
    rig.SetFields(Seven({"abc", " 5"}), Seven({"1000", "x"}));
    const EditorState before = rig.State();
    rig.Button(button)->click();
    QCOMPARE(rig.device.written, wire);
    QVERIFY(rig.prompter.shown.isEmpty());
    QCOMPARE(rig.State(), before);
}

// Replies arrive on the line; the layout follows their length. Which lines decode, and to
// what: tst_memorystepprogram.
void ProgramEditorTest::programReply_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("shutter");
    QTest::addColumn<int>("intensityMode");
    QTest::addColumn<QStringList>("intensities");
    QTest::addColumn<QStringList>("times");

    QTest::newRow("percent") << Reply("CURE321:", {"050,010.0", "100,002.5", "007,999.9"}, false)
                             << true << 2 << 1 << 0 << Seven({"50", "100", "7"}, "0")
                             << Seven({"10.0", "2.5", "999.9"}, "0.0");
    QTest::newRow("percent layout, watts digit")
        << Reply("CURE712:", {"100,001.0"}, false) << true << 6 << 0 << 1 << Seven({"100"}, "0")
        << Seven({"1.0"}, "0.0");
    QTest::newRow("watts") << Reply("CURE922:", {"1.50,010.0", "9.99,000.5"}, true) << true << 8
                           << 1 << 1 << Seven({"1.50", "9.99"}, "0.00")
                           << Seven({"10.0", "0.5"}, "0.0");
    QTest::newRow("watts layout, percent digit")
        << Reply("CURE511:", {"0.05,123.4"}, true) << true << 4 << 0 << 0 << Seven({"0.05"}, "0.00")
        << Seven({"123.4"}, "0.0");
    QTest::newRow("program digit 0") << Reply("CURE012:", {}, false) << true << -1 << 0 << 1
                                     << Seven({}, "0") << Seven({}, "0.0");
    QTest::newRow("shutter digit 3, intensity digit 0")
        << Reply("CURE430:", {}, true) << true << 3 << -1 << -1 << Seven({}, "0.00")
        << Seven({}, "0.0");

    auto unchanged = [](const char* name, const QByteArray& line) {
        QTest::newRow(name) << line << false << 0 << 0 << 0 << QStringList() << QStringList();
    };
    QByteArray percent = Reply("CURE321:", {"050,010.0"}, false);
    auto with = [](QByteArray line, int at, char c) {
        line[at] = c;
        return line;
    };
    unchanged("letter for program digit", with(percent, 4, 'A'));
    unchanged("letter in intensity", with(percent, 9, 'O'));
    unchanged("semicolon between steps", with(percent, 17, ';'));
    unchanged("head only", "CURE111:");
    unchanged("short", percent.left(40));
}

void ProgramEditorTest::programReply() {
    QFETCH(QByteArray, line);
    QFETCH(bool, changes);

    ProgramEditorRig rig;
    rig.SelectLists(6, 1, 1);
    rig.SetFields(Seven({"x"}, "1"), Seven({"y"}, "2"));
    const EditorState before = rig.State();
    rig.Arrive(line);

    QFETCH(int, program);
    QFETCH(int, shutter);
    QFETCH(int, intensityMode);
    QFETCH(QStringList, intensities);
    QFETCH(QStringList, times);
    const EditorState expected =
        changes ? EditorState{intensities, times, program, shutter, intensityMode, QString()}
                : before;
    QCOMPARE(rig.State(), expected);
    QVERIFY(rig.prompter.shown.isEmpty());
    QCOMPARE(rig.device.written, QByteArray()); // a reply is never answered
    if (changes && intensityMode == 1)
        QCOMPARE(rig.IntensityModeList()->currentText(), QStringLiteral("w"));
    if (changes && shutter == 1)
        QCOMPARE(rig.ShutterModeList()->currentText(), QStringLiteral("mode2"));
    if (changes && program >= 0)
        QCOMPARE(rig.ProgramList()->currentText(), QString::number(program + 1));
}

void ProgramEditorTest::unlistedDigitsThenSet_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("typed"); // intensities typed after the reply; empty: none
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("afterIntensities");

    QTest::newRow("all digits 0") << Reply("CURE000:", {}, false) << QStringList()
                                  << Cure2("CURE000:") << QString() << Seven({}, "0.00");
    QTest::newRow("intensity digit 0, decimals typed")
        << Reply("CURE310:", {}, false) << Seven({"1.5", "0.25"}, "0")
        << Cure2("CURE310:", {"1.50,000.0", "0.25,000.0"}) << QString()
        << Seven({"1.50", "0.25"}, "0.00");
    QTest::newRow("intensity digit 0, percent value kept")
        << Reply("CURE310:", {"050,000.0"}, false) << QStringList() << QByteArray()
        << kIntensityRange << Seven({"50"}, "0");
    QTest::newRow("intensity digit 3")
        << Reply("CURE213:", {"0.75,001.0"}, true) << QStringList()
        << Cure2("CURE210:", {"0.75,001.0"}) << QString() << Seven({"0.75"}, "0.00");
}

void ProgramEditorTest::unlistedDigitsThenSet() {
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, typed);
    QFETCH(QByteArray, wire);
    QFETCH(QString, message);
    QFETCH(QStringList, afterIntensities);

    ProgramEditorRig rig;
    rig.Arrive(reply);
    QCOMPARE(rig.IntensityModeList()->currentIndex(), -1);
    if (!typed.isEmpty())
        rig.SetFields(typed, rig.State().times);
    rig.Button(kSet)->click();
    QCOMPARE(rig.device.written, wire);
    QVERIFY(rig.MessagesAre(message.isEmpty() ? QStringList() : QStringList{message}));
    QCOMPARE(rig.State().intensities, afterIntensities);
}

void ProgramEditorTest::stepReply_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("readout");
    QTest::newRow("STP0") << QByteArray("STP0") << "0";
    QTest::newRow("STP3") << QByteArray("STP3") << "3";
    QTest::newRow("STP9") << QByteArray("STP9") << "9";
}

void ProgramEditorTest::stepReply() {
    QFETCH(QByteArray, line);
    QFETCH(QString, readout);

    ProgramEditorRig rig;
    rig.device.silent = true; // the buttons below get no step report
    QCOMPARE(rig.StepReadout(), QString());
    rig.Arrive(line);
    QCOMPARE(rig.StepReadout(), readout);
    // Only the next step report changes the read-out.
    for (int button : {kStart, kCancel, kSet, kRead, kStep})
        rig.Button(button)->click();
    rig.Settle();
    QCOMPARE(rig.StepReadout(), readout);
    rig.Arrive("STP1");
    QCOMPARE(rig.StepReadout(), QStringLiteral("1"));
}

QTEST_MAIN(ProgramEditorTest)
#include "tst_programeditor.moc"
