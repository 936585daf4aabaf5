// The memory step program: checking the editor's fourteen texts, their normal forms, the
// "CURE" write command and the decoding of the unit's program read-back.
#include "model/MemoryStepProgram.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

using namespace vq3::model;

Q_DECLARE_METATYPE(vq3::model::StepFault)

namespace {

// Seven texts: the given ones first, then `rest`.
QStringList Seven(QStringList texts, const QString& rest = QString()) {
    while (texts.size() < kStepCount)
        texts << rest;
    return texts;
}

StepTexts Texts(const QStringList& intensity, const QStringList& time) {
    StepTexts texts;
    for (int i = 0; i < kStepCount; ++i) {
        texts.intensity[i] = intensity.value(i).toStdString();
        texts.time[i] = time.value(i).toStdString();
    }
    return texts;
}

QStringList Column(const std::array<std::string, kStepCount>& texts) {
    QStringList column;
    for (const std::string& text : texts)
        column << QString::fromStdString(text);
    return column;
}

QByteArray Repeated(const QByteArray& head, const QByteArray& group) {
    QByteArray line = head;
    for (int i = 0; i < kStepCount; ++i)
        line += (i ? "," : "") + group;
    return line;
}

// Well-formed read-backs, written down independently of the decoder.
const QRegularExpression kPercentReply(QRegularExpression::anchoredPattern(
    QStringLiteral("CURE[0-9]{3}:([0-9]{3},[0-9]{3}\\.[0-9],){6}[0-9]{3},[0-9]{3}\\.[0-9]")));
const QRegularExpression kWattsReply(QRegularExpression::anchoredPattern(QStringLiteral(
    "CURE[0-9]{3}:([0-9]\\.[0-9]{2},[0-9]{3}\\.[0-9],){6}[0-9]\\.[0-9]{2},[0-9]{3}\\.[0-9]")));

// A program on the grid the unit keeps: whole percents or hundredths of watts, tenths of
// seconds.
MemoryStepProgram RandomProgram(QRandomGenerator& random, int intensityMode) {
    MemoryStepProgram program;
    program.programNumber = 1 + random.bounded(9);
    program.shutterMode = 1 + random.bounded(2);
    program.intensityMode = intensityMode;
    for (MemoryStep& step : program.steps) {
        step.intensity =
            IsPercentMode(intensityMode) ? random.bounded(101) : random.bounded(1000) / 100.0;
        step.shutterTime = random.bounded(10000) / 10.0;
    }
    return program;
}

} // namespace

class MemoryStepProgramTest : public QObject {
    Q_OBJECT
private slots:
    void checkSteps_data();
    void checkSteps();
    void checkStepsKeepsValuesOnlyOnSuccess();
    void normalTexts_data();
    void normalTexts();
    void encodeCure_data();
    void encodeCure();
    void decodeValid_data();
    void decodeValid();
    void decodeInvalid_data();
    void decodeInvalid();
    void encodeThenDecodeGivesSameTexts_data();
    void encodeThenDecodeGivesSameTexts();
    void decodeOnlyWellFormedReplies();
};

void MemoryStepProgramTest::checkSteps_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("intensity");
    QTest::addColumn<QStringList>("time");
    QTest::addColumn<StepFault>("fault");
    QTest::addColumn<int>("step");

    const QStringList empty = Seven({});
    QTest::newRow("all empty, percent") << 1 << empty << empty << StepFault::None << -1;
    QTest::newRow("all empty, watts") << 2 << empty << empty << StepFault::None << -1;
    QTest::newRow("percent 100") << 1 << Seven({"100"}) << empty << StepFault::None << -1;
    QTest::newRow("percent 101") << 1 << Seven({"101"}) << empty << StepFault::IntensityOutOfRange
                                 << 0;
    QTest::newRow("percent -1") << 1 << Seven({"-1"}) << empty << StepFault::IntensityOutOfRange
                                << 0;
    QTest::newRow("percent huge") << 1 << Seven({"99999999999999999999"}) << empty
                                  << StepFault::IntensityOutOfRange << 0;
    QTest::newRow("percent leading blank") << 1 << Seven({" 50"}) << empty << StepFault::None << -1;
    QTest::newRow("percent trailing blank")
        << 1 << Seven({"50 "}) << empty << StepFault::IntensityMalformed << 0;
    QTest::newRow("percent with point")
        << 1 << Seven({"50.0"}) << empty << StepFault::IntensityMalformed << 0;
    QTest::newRow("watts 9.99") << 2 << Seven({"9.99"}) << empty << StepFault::None << -1;
    QTest::newRow("watts 9.991") << 2 << Seven({"9.991"}) << empty << StepFault::IntensityOutOfRange
                                 << 0;
    QTest::newRow("watts 10") << 2 << Seven({"10"}) << empty << StepFault::IntensityOutOfRange << 0;
    QTest::newRow("watts comma") << 2 << Seven({"1,5"}) << empty << StepFault::IntensityMalformed
                                 << 0;
    QTest::newRow("no mode selected checks decimals")
        << 0 << Seven({"1.5"}) << empty << StepFault::None << -1;
    QTest::newRow("no mode selected, 50")
        << 0 << Seven({"50"}) << empty << StepFault::IntensityOutOfRange << 0;
    QTest::newRow("time 999.9") << 1 << empty << Seven({"999.9"}) << StepFault::None << -1;
    QTest::newRow("time 1000") << 1 << empty << Seven({"1000"}) << StepFault::TimeOutOfRange << 0;
    QTest::newRow("time -0.1") << 1 << empty << Seven({"-0.1"}) << StepFault::TimeOutOfRange << 0;
    QTest::newRow("time overflowing")
        << 1 << empty << Seven({"1e999"}) << StepFault::TimeOutOfRange << 0;
    QTest::newRow("time abc") << 1 << empty << Seven({"abc"}) << StepFault::TimeMalformed << 0;
    QTest::newRow("time 1e2") << 1 << empty << Seven({"1e2"}) << StepFault::None << -1;
    QTest::newRow("intensity before time in a step")
        << 1 << Seven({"x"}) << Seven({"y"}) << StepFault::IntensityMalformed << 0;
    QTest::newRow("step 1 time before step 3 intensity")
        << 1 << Seven({"1", "2", "x"}) << Seven({"abc"}) << StepFault::TimeMalformed << 0;
    QTest::newRow("step order") << 1 << Seven({"1", "2", "3"}) << Seven({"1", "1000", "2000"})
                                << StepFault::TimeOutOfRange << 1;
    QTest::newRow("fault in step 7") << 2 << Seven({"1", "2", "3", "4", "5", "6", "12"}) << empty
                                     << StepFault::IntensityOutOfRange << 6;
}

void MemoryStepProgramTest::checkSteps() {
    QFETCH(int, mode);
    QFETCH(QStringList, intensity);
    QFETCH(QStringList, time);
    QFETCH(StepFault, fault);
    QFETCH(int, step);
    const StepCheck check = CheckSteps(Texts(intensity, time), mode, nullptr);
    QCOMPARE(check.fault, fault);
    QCOMPARE(check.step, step);
}

void MemoryStepProgramTest::checkStepsKeepsValuesOnlyOnSuccess() {
    std::array<MemoryStep, kStepCount> steps{};
    for (MemoryStep& step : steps)
        step = {-7.0, -7.0};
    const StepCheck bad = CheckSteps(Texts(Seven({"1", "2"}), Seven({"1", "2", "x"})), 1, &steps);
    QCOMPARE(bad.fault, StepFault::TimeMalformed);
    for (const MemoryStep& step : steps)
        QCOMPARE(step.intensity, -7.0);

    const StepCheck good =
        CheckSteps(Texts(Seven({" 050", "", "3"}), Seven({"1e2", "0.5", "-0"})), 1, &steps);
    QCOMPARE(good.fault, StepFault::None);
    QCOMPARE(steps[0].intensity, 50.0);
    QCOMPARE(steps[0].shutterTime, 100.0);
    QCOMPARE(steps[1].intensity, 0.0);
    QCOMPARE(steps[1].shutterTime, 0.5);
    QCOMPARE(steps[2].intensity, 3.0);
    QVERIFY(!std::signbit(steps[2].shutterTime)); // "-0" is plain zero
    QCOMPARE(steps[6].shutterTime, 0.0);
}

void MemoryStepProgramTest::normalTexts_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("intensity");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("normalIntensity");
    QTest::addColumn<QString>("normalTime");

    QTest::newRow("empty, percent") << 1 << ""
                                    << ""
                                    << "0"
                                    << "0.0";
    QTest::newRow("empty, watts") << 2 << ""
                                  << ""
                                  << "0.00"
                                  << "0.0";
    QTest::newRow("leading blank and zero") << 1 << " 050"
                                            << "10"
                                            << "50"
                                            << "10.0";
    QTest::newRow("rounded time") << 1 << "100"
                                  << "12.34"
                                  << "100"
                                  << "12.3";
    QTest::newRow("exponent time") << 1 << "+7"
                                   << "1e2"
                                   << "7"
                                   << "100.0";
    QTest::newRow("watts two decimals") << 2 << "1.5"
                                        << "0.05"
                                        << "1.50"
                                        << "0.1";
    QTest::newRow("watts rounded") << 2 << "2.675"
                                   << "999.9"
                                   << "2.67"
                                   << "999.9";
    QTest::newRow("negative zero") << 2 << "-0"
                                   << "-0.0"
                                   << "0.00"
                                   << "0.0";
}

void MemoryStepProgramTest::normalTexts() {
    QFETCH(int, mode);
    QFETCH(QString, intensity);
    QFETCH(QString, time);
    QFETCH(QString, normalIntensity);
    QFETCH(QString, normalTime);
    std::array<MemoryStep, kStepCount> steps{};
    QCOMPARE(CheckSteps(Texts(Seven({}, intensity), Seven({}, time)), mode, &steps).fault,
             StepFault::None);
    const StepTexts normal = NormalTexts(steps, mode);
    QCOMPARE(Column(normal.intensity), Seven({}, normalIntensity));
    QCOMPARE(Column(normal.time), Seven({}, normalTime));
}

void MemoryStepProgramTest::encodeCure_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("shutterMode");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("intensity");
    QTest::addColumn<QStringList>("time");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("two steps, the rest empty")
        << 3 << 1 << 1 << Seven({"50", "100"}) << Seven({"10", "2.5"})
        << QByteArray("CURE311:050,010.0,100,002.5,000,000.0,000,000.0,000,000.0,000,000.0,"
                      "000,000.0");
    QTest::newRow("all empty, percent")
        << 1 << 1 << 1 << Seven({}) << Seven({}) << Repeated("CURE111:", "000,000.0");
    QTest::newRow("all empty, watts")
        << 1 << 1 << 2 << Seven({}) << Seven({}) << Repeated("CURE112:", "0.00,000.0");
    QTest::newRow("watts 1.5") << 9 << 2 << 2 << Seven({}, "1.5") << Seven({}, "10")
                               << Repeated("CURE922:", "1.50,010.0");
    QTest::newRow("extremes, percent") << 5 << 2 << 1 << Seven({}, "100") << Seven({}, "999.9")
                                       << Repeated("CURE521:", "100,999.9");
    QTest::newRow("small values, rounding")
        << 2 << 1 << 1 << Seven({}, "7") << Seven({}, "12.34") << Repeated("CURE211:", "007,012.3");
    QTest::newRow("half second") << 4 << 1 << 1 << Seven({}, "0") << Seven({}, "0.5")
                                 << Repeated("CURE411:", "000,000.5");
    QTest::newRow("exponent") << 4 << 1 << 1 << Seven({}, "1") << Seven({}, "1e2")
                              << Repeated("CURE411:", "001,100.0");
    QTest::newRow("extremes, watts") << 6 << 1 << 2 << Seven({}, "9.99") << Seven({}, "0.04")
                                     << Repeated("CURE612:", "9.99,000.0");
}

void MemoryStepProgramTest::encodeCure() {
    QFETCH(int, number);
    QFETCH(int, shutterMode);
    QFETCH(int, mode);
    QFETCH(QStringList, intensity);
    QFETCH(QStringList, time);
    QFETCH(QByteArray, command);

    MemoryStepProgram program;
    program.programNumber = number;
    program.shutterMode = shutterMode;
    program.intensityMode = mode;
    QCOMPARE(CheckSteps(Texts(intensity, time), mode, &program.steps).fault, StepFault::None);
    const QByteArray encoded = QByteArray::fromStdString(EncodeCure(program));
    QCOMPARE(encoded, command);
    QCOMPARE(encoded.size(), mode == 1 ? 77 : 84);
}

void MemoryStepProgramTest::decodeValid_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("watts");
    QTest::addColumn<QList<int>>("digits");
    QTest::addColumn<QStringList>("intensity");
    QTest::addColumn<QStringList>("time");

    QTest::newRow("percent layout")
        << QByteArray("CURE311:050,010.0,100,002.5,000,000.0,000,000.0,000,000.0,000,000.0,"
                      "000,000.0")
        << false << QList<int>{3, 1, 1} << Seven({"50", "100"}, "0")
        << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("percent layout with mode digit 2")
        << Repeated("CURE722:", "050,010.0") << false << QList<int>{7, 2, 2} << Seven({}, "50")
        << Seven({}, "10.0");
    QTest::newRow("watts layout")
        << QByteArray("CURE912:1.50,010.0,9.99,999.9,0.05,000.5,0.00,000.0,0.00,000.0,"
                      "0.00,000.0,0.00,000.0")
        << true << QList<int>{9, 1, 2} << Seven({"1.50", "9.99", "0.05"}, "0.00")
        << Seven({"10.0", "999.9", "0.5"}, "0.0");
    QTest::newRow("digits naming no list entry")
        << Repeated("CURE000:", "999,000.1") << false << QList<int>{0, 0, 0} << Seven({}, "999")
        << Seven({}, "0.1");
}

void MemoryStepProgramTest::decodeValid() {
    QFETCH(QByteArray, line);
    QFETCH(bool, watts);
    QFETCH(QList<int>, digits);
    QFETCH(QStringList, intensity);
    QFETCH(QStringList, time);

    const std::optional<ProgramReply> reply = DecodeProgramReply(line.toStdString(), watts);
    QVERIFY(reply);
    QCOMPARE((QList<int>{reply->programDigit, reply->shutterDigit, reply->intensityDigit}), digits);
    QCOMPARE(Column(reply->texts.intensity), intensity);
    QCOMPARE(Column(reply->texts.time), time);
}

void MemoryStepProgramTest::decodeInvalid_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("watts");

    const QByteArray percent = Repeated("CURE311:", "050,010.0");
    const QByteArray watts = Repeated("CURE312:", "1.50,010.0");
    const auto changed = [](QByteArray line, int at, char c) {
        line[at] = c;
        return line;
    };
    QTest::newRow("letter in program digit") << changed(percent, 4, 'A') << false;
    QTest::newRow("letter in shutter digit") << changed(percent, 5, 'x') << false;
    QTest::newRow("letter in mode digit") << changed(percent, 6, 'x') << false;
    QTest::newRow("no colon") << changed(percent, 7, ';') << false;
    QTest::newRow("letter in intensity") << changed(percent, 9, 'O') << false;
    QTest::newRow("letter in time") << changed(percent, 12, 'x') << false;
    QTest::newRow("semicolon for a comma inside a group") << changed(percent, 11, ';') << false;
    QTest::newRow("semicolon between groups") << changed(percent, 17, ';') << false;
    QTest::newRow("comma for a point") << changed(percent, 15, ',') << false;
    QTest::newRow("blank in last group") << changed(percent, 76, ' ') << false;
    QTest::newRow("last character a letter") << changed(watts, 83, 'z') << true;
    QTest::newRow("watts point moved") << changed(changed(watts, 9, '5'), 10, '.') << true;
    QTest::newRow("sign in a digit place") << changed(percent, 8, '-') << false;
    QTest::newRow("wrong prefix") << changed(percent, 3, 'X') << false;
    QTest::newRow("one short") << percent.left(76) << false;
    QTest::newRow("one long") << percent + "0" << false;
    QTest::newRow("trailing carriage return") << percent + "\r" << false;
    QTest::newRow("watts reply read as percent") << watts << false;
    QTest::newRow("percent reply read as watts") << percent << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("prefix only") << QByteArray("CURE") << true;
}

void MemoryStepProgramTest::decodeInvalid() {
    QFETCH(QByteArray, line);
    QFETCH(bool, watts);
    QVERIFY(!DecodeProgramReply(line.toStdString(), watts));
}

void MemoryStepProgramTest::encodeThenDecodeGivesSameTexts_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("percent") << 1;
    QTest::newRow("watts") << 2;
}

// Whatever the editor sends, the unit's echo of it shows the same fields again.
void MemoryStepProgramTest::encodeThenDecodeGivesSameTexts() {
    QFETCH(int, mode);
    QRandomGenerator random(77 + mode);
    for (int round = 0; round < 2000; ++round) {
        const MemoryStepProgram program = RandomProgram(random, mode);
        const std::string command = EncodeCure(program);
        const std::optional<ProgramReply> reply = DecodeProgramReply(command, mode != 1);
        QVERIFY2(reply, command.c_str());
        QCOMPARE(reply->programDigit, program.programNumber);
        QCOMPARE(reply->shutterDigit, program.shutterMode);
        QCOMPARE(reply->intensityDigit, program.intensityMode);
        const StepTexts expected = NormalTexts(program.steps, mode);
        QCOMPARE(Column(reply->texts.intensity), Column(expected.intensity));
        QCOMPARE(Column(reply->texts.time), Column(expected.time));
        // The shown texts check back to the very values that were sent.
        std::array<MemoryStep, kStepCount> again{};
        QCOMPARE(CheckSteps(reply->texts, mode, &again).fault, StepFault::None);
        QCOMPARE(EncodeCure({program.programNumber, program.shutterMode, mode, again}), command);
    }
}

// Random junk and damaged read-backs never crash the decoder, and it accepts exactly the
// well-formed lines.
void MemoryStepProgramTest::decodeOnlyWellFormedReplies() {
    QRandomGenerator random(4242);
    static const char kChars[] = "0123456789.,:;CURE -\r\n\t\0\xff";
    const QByteArray alphabet(kChars, sizeof kChars - 1);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray line;
        if (round % 4 == 0) {
            const int length = random.bounded(100);
            for (int i = 0; i < length; ++i)
                line += alphabet[random.bounded(alphabet.size())];
        } else {
            const int mode = 1 + random.bounded(2);
            line = QByteArray::fromStdString(EncodeCure(RandomProgram(random, mode)));
            const int edits = random.bounded(3);
            for (int e = 0; e < edits; ++e) {
                const int at = random.bounded(line.size() + 1);
                const char c = alphabet[random.bounded(alphabet.size())];
                switch (random.bounded(3)) {
                case 0:
                    if (at < line.size())
                        line[at] = c;
                    break;
                case 1:
                    line.insert(at, c);
                    break;
                default:
                    line.remove(at, 1);
                    break;
                }
            }
        }
        const std::string text = line.toStdString();
        for (const bool watts : {false, true}) {
            const QRegularExpression& form = watts ? kWattsReply : kPercentReply;
            const bool wellFormed = form.match(QString::fromLatin1(line)).hasMatch();
            const std::optional<ProgramReply> reply = DecodeProgramReply(text, watts);
            QVERIFY2(reply.has_value() == wellFormed, line.toPercentEncoding().constData());
            accepted += reply.has_value();
        }
    }
    QVERIFY(accepted > 1000); // the mutations leave many lines intact
}

QTEST_APPLESS_MAIN(MemoryStepProgramTest)
#include "tst_memorystepprogram.moc"
