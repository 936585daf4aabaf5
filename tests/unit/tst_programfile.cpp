// The memory step program file: the ten lines written, every check of the reader with its
// message, line ends and over-long lines, and saves that fail without harming an old file.
#include "FileHelpers.h"
#include "files/ProgramFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using vq3::test::Contents;
using vq3::test::FileSizeLimit;
using vq3::test::ReadOnlyFolder;
using vq3::test::WriteFile;

using namespace vq3::model;
using vq3::files::ProgramFileResult;

namespace {

QStringList Seven(QStringList lines, const QString& rest) {
    while (lines.size() < kStepCount)
        lines << rest;
    return lines;
}

QByteArray Joined(const QStringList& lines, const char* ending = "\r\n") {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + ending;
    return bytes;
}

// A whole file: header, the two mode lines and the step lines, the rest "0,0.0".
QByteArray File(const QStringList& steps, const QString& sMode = "S-Mode:1",
                const QString& iMode = "I-Mode:1", const QString& header = "Memory Step Program") {
    return Joined(QStringList{header, sMode, iMode} + Seven(steps, "0,0.0"));
}

ProgramFileResult Read(const QByteArray& content) {
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    return vq3::files::ReadProgramFile(&buffer);
}

QStringList Column(const std::array<std::string, kStepCount>& texts) {
    QStringList column;
    for (const std::string& text : texts)
        column << QString::fromStdString(text);
    return column;
}

std::array<MemoryStep, kStepCount> RandomSteps(QRandomGenerator& random, int intensityMode) {
    std::array<MemoryStep, kStepCount> steps{};
    for (MemoryStep& step : steps) {
        step.intensity =
            IsPercentMode(intensityMode) ? random.bounded(101) : random.bounded(1000) / 100.0;
        step.shutterTime = random.bounded(10000) / 10.0;
    }
    return steps;
}

} // namespace

class ProgramFileTest : public QObject {
    Q_OBJECT
private slots:
    void fileLines_data();
    void fileLines();
    void read_data();
    void read();
    void readPathThatCannotBeOpened_data();
    void readPathThatCannotBeOpened();
    void saveThenReadGivesSameProgram_data();
    void saveThenReadGivesSameProgram();
    void saveReplacesOldFile();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void junkNeverCrashesReader();
};

void ProgramFileTest::fileLines_data() {
    QTest::addColumn<int>("shutterMode");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("intensity");
    QTest::addColumn<QStringList>("time");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("percent")
        << 1 << 1 << QStringList{"50", "100"} << QStringList{"10", "2.5"}
        << QByteArray("Memory Step Program\r\nS-Mode:1\r\nI-Mode:1\r\n50,10.0\r\n100,2.5\r\n"
                      "0,0.0\r\n0,0.0\r\n0,0.0\r\n0,0.0\r\n0,0.0\r\n");
    QTest::newRow("watts")
        << 2 << 2 << QStringList{"1.5", "9.99"} << QStringList{"10", "12.34"}
        << QByteArray("Memory Step Program\r\nS-Mode:2\r\nI-Mode:2\r\n1.50,10.0\r\n9.99,12.3\r\n"
                      "0.00,0.0\r\n0.00,0.0\r\n0.00,0.0\r\n0.00,0.0\r\n0.00,0.0\r\n");
}

void ProgramFileTest::fileLines() {
    QFETCH(int, shutterMode);
    QFETCH(int, mode);
    QFETCH(QStringList, intensity);
    QFETCH(QStringList, time);
    QFETCH(QByteArray, bytes);

    StepTexts texts;
    for (int i = 0; i < kStepCount; ++i) {
        texts.intensity[i] = intensity.value(i).toStdString();
        texts.time[i] = time.value(i).toStdString();
    }
    std::array<MemoryStep, kStepCount> steps{};
    QCOMPARE(CheckSteps(texts, mode, &steps).fault, StepFault::None);

    QTemporaryDir dir;
    const QString path = dir.filePath("program.txt");
    QVERIFY(
        vq3::files::SaveProgramFile(path, vq3::files::ProgramFileLines(shutterMode, mode, steps)));
    QCOMPARE(Contents(path), bytes);
}

void ProgramFileTest::read_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("shutterMode");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("intensity");
    QTest::addColumn<QStringList>("time");

    const QStringList zeros = Seven({}, "0");
    const QStringList zeroTimes = Seven({}, "0.0");
    const QStringList example{"50,10.0", "100,2.5"};
    const QByteArray lf = Joined(
        QStringList{"Memory Step Program", "S-Mode:2", "I-Mode:1"} + Seven(example, "0,0.0"), "\n");
    const auto fail = [&](const char* name, const QByteArray& content, int message) {
        QTest::newRow(name) << content << message << 0 << 0 << QStringList() << QStringList();
    };

    QTest::newRow("example") << File(example) << 0 << 1 << 1 << Seven({"50", "100"}, "0")
                             << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("LF line ends") << lf << 0 << 2 << 1 << Seven({"50", "100"}, "0")
                                  << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("CR CR LF line ends")
        << QByteArray(File(example)).replace("\r\n", "\r\r\n") << 0 << 1 << 1
        << Seven({"50", "100"}, "0") << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("watts") << File({"9.99,10.0", " 1.5, 1e2"}, "S-Mode:1", "I-Mode:2") << 0 << 1
                           << 2 << Seven({"9.99", "1.50"}, "0.00")
                           << Seven({"10.0", "100.0"}, "0.0");
    QTest::newRow("blank after comma")
        << File({"50, 10.0"}) << 0 << 1 << 1 << Seven({"50"}, "0") << Seven({"10.0"}, "0.0");
    QTest::newRow("lines after the tenth ignored")
        << File(example) + "junk\r\nmore junk\r\n"
        << 0 << 1 << 1 << Seven({"50", "100"}, "0") << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("last line without line end")
        << File({}).chopped(2) << 0 << 1 << 1 << zeros << zeroTimes;
    QTest::newRow("line of 254 and CR LF is one line")
        << File({QString(247, ' ') + "50,10.0"}) << 0 << 1 << 1 << Seven({"50"}, "0")
        << Seven({"10.0"}, "0.0");
    // The first 255 characters end after "50,10"; the other 45 make the next line.
    QTest::newRow("300-character line read in two pieces")
        << Joined(QStringList{"Memory Step Program", "S-Mode:1", "I-Mode:1",
                              QString(250, ' ') + "50,10" + QString(40, ' ') + "5,2.5", "1,1",
                              "2,2", "3,3", "4,4", "5,5", "unused"})
        << 0 << 1 << 1 << QStringList{"50", "5", "1", "2", "3", "4", "5"}
        << QStringList{"10.0", "2.5", "1.0", "2.0", "3.0", "4.0", "5.0"};
    QTest::newRow("over-long line in the ignored part")
        << File(example) + QByteArray(300, 'x') + "\r\n"
        << 0 << 1 << 1 << Seven({"50", "100"}, "0") << Seven({"10.0", "2.5"}, "0.0");

    fail("header with trailing blank", File({}, "S-Mode:1", "I-Mode:1", "Memory Step Program "), 8);
    fail("other header", File({}, "S-Mode:1", "I-Mode:1", "memory step program"), 8);
    fail("S-Mode:12", File({}, "S-Mode:12"), 8);
    fail("S-Mode: alone", File({}, "S-Mode:"), 8);
    fail("s-mode in small letters", File({}, "s-mode:1"), 8);
    fail("modes swapped", File({}, "I-Mode:1", "S-Mode:1"), 8);
    fail("I-Mode:12", File({}, "S-Mode:1", "I-Mode:12"), 8);
    fail("step without comma", File({"50"}), 8);
    fail("step beginning with comma", File({",10.0"}), 8);
    fail("step ending with comma", File({"50,"}), 8);
    fail("empty step line", File({""}), 8);
    fail("form before modes", File({"50"}, "S-Mode:x"), 8);
    fail("nine lines",
         Joined(QStringList{"Memory Step Program", "S-Mode:1", "I-Mode:1"} +
                QStringList(6, "0,0.0")),
         8);
    fail("empty file", QByteArray(), 8);
    fail("CR-only line ends", QByteArray(File(example)).replace("\r\n", "\r"), 8);
    fail("NUL in header",
         File({}, "S-Mode:1", "I-Mode:1", QString("Memory Step Program") + QChar(0)), 8);
    fail("line of 255 and CR LF is two lines", File({QString(248, ' ') + "50,10.0"}), 8);
    fail("over-long header", File({}, "S-Mode:1", "I-Mode:1", QString(300, 'M')), 8);
    fail("S-Mode:x", File({}, "S-Mode:x"), 11);
    fail("S-Mode blank", File({}, "S-Mode: "), 11);
    fail("S-Mode sign", File({}, "S-Mode:+"), 11);
    fail("S-Mode:0", File({}, "S-Mode:0"), 9);
    fail("S-Mode:3", File({}, "S-Mode:3"), 9);
    fail("shutter mode before intensity mode", File({}, "S-Mode:x", "I-Mode:x"), 11);
    fail("I-Mode:x", File({}, "S-Mode:1", "I-Mode:x"), 10);
    fail("I-Mode:0", File({}, "S-Mode:1", "I-Mode:0"), 9);
    fail("I-Mode:3", File({}, "S-Mode:2", "I-Mode:3"), 9);
    fail("modes before steps", File({"x,y"}, "S-Mode:1", "I-Mode:7"), 9);
    fail("percent with point", File({"50.5,10.0"}), 3);
    fail("percent 101", File({"101,10.0"}), 9);
    fail("percent negative", File({"-1,10.0"}), 9);
    fail("watts 10.00", File({"10.00,10.0"}, "S-Mode:1", "I-Mode:2"), 9);
    fail("blank before comma", File({"50 ,10.0"}), 3);
    fail("second comma", File({"50,10.0,3"}), 5);
    fail("time letters", File({"50,abc"}), 5);
    fail("time 1000", File({"50,1000"}), 9);
    fail("time -0.1", File({"50,-0.1"}), 9);
    fail("time overflowing", File({"50,1e999"}), 9);
    fail("intensity before time", File({"x,y"}), 3);
    fail("step 1 time before step 2 intensity", File({"1,y", "x,1"}), 5);
    fail("range fault before later malformed step", File({"1,1000", "x,1"}), 9);
}

void ProgramFileTest::read() {
    QFETCH(QByteArray, content);
    QFETCH(int, message);
    QFETCH(int, shutterMode);
    QFETCH(int, mode);
    QFETCH(QStringList, intensity);
    QFETCH(QStringList, time);

    const ProgramFileResult result = Read(content);
    QCOMPARE(result.messageId, message);
    if (message != 0)
        return;
    QCOMPARE(result.shutterMode, shutterMode);
    QCOMPARE(result.intensityMode, mode);
    const StepTexts texts = NormalTexts(result.steps, result.intensityMode);
    QCOMPARE(Column(texts.intensity), intensity);
    QCOMPARE(Column(texts.time), time);
}

void ProgramFileTest::readPathThatCannotBeOpened_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.txt";
    QTest::newRow("folder") << "folder";
    QTest::newRow("empty path") << "";
}

void ProgramFileTest::readPathThatCannotBeOpened() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    QCOMPARE(vq3::files::ReadProgramFile(path).messageId, 7);
}

void ProgramFileTest::saveThenReadGivesSameProgram_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("percent") << 1;
    QTest::newRow("watts") << 2;
}

void ProgramFileTest::saveThenReadGivesSameProgram() {
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath("program.txt");
    QRandomGenerator random(1000 + mode);
    for (int round = 0; round < 60; ++round) {
        const int shutterMode = 1 + random.bounded(2);
        const std::array<MemoryStep, kStepCount> steps = RandomSteps(random, mode);
        QVERIFY(vq3::files::SaveProgramFile(
            path, vq3::files::ProgramFileLines(shutterMode, mode, steps)));
        const ProgramFileResult result = vq3::files::ReadProgramFile(path);
        QCOMPARE(result.messageId, 0);
        QCOMPARE(result.shutterMode, shutterMode);
        QCOMPARE(result.intensityMode, mode);
        const StepTexts written = NormalTexts(steps, mode);
        const StepTexts read = NormalTexts(result.steps, mode);
        QCOMPARE(Column(read.intensity), Column(written.intensity));
        QCOMPARE(Column(read.time), Column(written.time));
    }
}

void ProgramFileTest::saveReplacesOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("program.txt");
    QVERIFY(WriteFile(path, QByteArray(5000, 'o')));
    const QStringList lines = vq3::files::ProgramFileLines(2, 1, {});
    QVERIFY(vq3::files::SaveProgramFile(path, lines));
    QCOMPARE(Contents(path), Joined(lines));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"program.txt"});
}

void ProgramFileTest::failedSaveKeepsOldFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("write fails midway") << "size-limit";
}

void ProgramFileTest::failedSaveKeepsOldFile() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString folder = dir.filePath("locked");
    QVERIFY(QDir(dir.path()).mkdir("locked"));
    const QString path = folder + "/program.txt";
    const QByteArray old = File({"12,3.0"});
    QVERIFY(WriteFile(path, old));
    const QStringList lines = vq3::files::ProgramFileLines(1, 1, {});

    bool saved = true;
    if (kind == "read-only") {
        ReadOnlyFolder readOnly(folder);
        if (!readOnly.Effective())
            QSKIP("this account writes into read-only folders");
        saved = vq3::files::SaveProgramFile(path, lines);
    } else {
        FileSizeLimit limit(16);
        QVERIFY(limit.Active());
        saved = vq3::files::SaveProgramFile(path, lines);
    }
    QVERIFY(!saved);
    QCOMPARE(Contents(path), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"program.txt"});
}

// Junk and damaged files never crash the reader, and whatever it accepts is a program.
void ProgramFileTest::junkNeverCrashesReader() {
    QRandomGenerator random(99);
    const QByteArray valid = File({"50,10.0", "100,2.5"});
    static const char kChars[] = "0123456789.,:-+ eEdD\r\n\t\0\xff\x1aSIM";
    const QByteArray alphabet(kChars, sizeof kChars - 1);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        QByteArray content;
        if (round % 5 == 0) {
            const int length = random.bounded(3000);
            for (int i = 0; i < length; ++i)
                content += char(random.bounded(256));
        } else {
            content = valid;
            const int edits = 1 + random.bounded(3);
            for (int e = 0; e < edits; ++e) {
                const int at = random.bounded(content.size());
                content[at] = alphabet[random.bounded(alphabet.size())];
            }
        }
        const ProgramFileResult result = Read(content);
        if (result.messageId != 0)
            continue;
        ++accepted;
        QVERIFY(result.shutterMode == 1 || result.shutterMode == 2);
        QVERIFY(result.intensityMode == 1 || result.intensityMode == 2);
        const double maxIntensity = result.intensityMode == 1 ? 100.0 : 9.99;
        for (const MemoryStep& step : result.steps) {
            QVERIFY(step.intensity >= 0.0 && step.intensity <= maxIntensity);
            QVERIFY(step.shutterTime >= 0.0 && step.shutterTime <= 999.9);
        }
    }
    QVERIFY(accepted > 100); // many single-character edits keep a valid file
}

QTEST_APPLESS_MAIN(ProgramFileTest)
#include "tst_programfile.moc"
