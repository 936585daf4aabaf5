// "File Save" and "File Read" of the "Memory Step" group: what is written, what a read file
// does to the editor, every refusal with its exact message, and failures that must leave
// old files and the editor alone.
#include "WindowRig.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using vq3::test::EditorState;
using vq3::test::Seven;
using ProgramEditorRig = vq3::test::WindowRig;

namespace {

const QString kIntensityWrong = QStringLiteral("Setting value of intensity is wrong.");
const QString kIntensityRange = QStringLiteral("Setting value of intensity is out of range.");
const QString kTimeWrong = QStringLiteral("Setting value of time is wrong.");
const QString kTimeRange = QStringLiteral("Setting value of time is out of range.");
const QString kFileOpen = QStringLiteral("File Open Error...");
const QString kFormat = QStringLiteral("File Format is wrong.");
const QString kDataError = QStringLiteral("Data Error.");
const QString kIntensityModeWrong = QStringLiteral("Setting value of intensity mode is wrong.");
const QString kShutterModeWrong = QStringLiteral("Setting value of shutter mode is wrong.");

constexpr int kFileSave = 1018, kFileRead = 1017;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A program file from its lines, each ended by CR LF.
QByteArray File(const QStringList& lines) {
    return (lines.join("\r\n") + "\r\n").toLatin1();
}

// A percent-mode file whose steps are `steps`, the rest "0,0.0".
QByteArray PercentFile(const QStringList& steps, const char* sMode = "S-Mode:1",
                       const char* iMode = "I-Mode:1") {
    return File(QStringList{"Memory Step Program", sMode, iMode} + Seven(steps, "0,0.0"));
}

} // namespace

class ProgramFileGuiTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void saveThenRead_data();
    void saveThenRead();
    void readFile_data();
    void readFile();
    void readMissingFile();
    void readCancelled();
    void saveRefused_data();
    void saveRefused();
    void saveCancelled();
    void saveFails_data();
    void saveFails();
    void workingFolderFollowsChoice();
    void fuzzReadFile();

private:
    QString m_startFolder;
};

void ProgramFileGuiTest::init() {
    m_startFolder = QDir::currentPath();
}

// The dialogs move the working folder into temporary folders that die with each test.
void ProgramFileGuiTest::cleanup() {
    QDir::setCurrent(m_startFolder);
}

void ProgramFileGuiTest::saveThenRead_data() {
    QTest::addColumn<int>("shutter");
    QTest::addColumn<int>("intensityMode");
    QTest::addColumn<QStringList>("intensities");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("normalIntensities");
    QTest::addColumn<QStringList>("normalTimes");

    QTest::newRow("percent example")
        << 0 << 0 << Seven({"50", "100"}) << Seven({"10", "2.5"})
        << QByteArray("Memory Step Program\r\nS-Mode:1\r\nI-Mode:1\r\n50,10.0\r\n100,2.5\r\n"
                      "0,0.0\r\n0,0.0\r\n0,0.0\r\n0,0.0\r\n0,0.0\r\n")
        << Seven({"50", "100"}, "0") << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("watts, mode2") << 1 << 1 << Seven({"1.5", " 9.99", "1e-2"})
                                  << Seven({"12.34", "999.9", ".05"})
                                  << File({"Memory Step Program", "S-Mode:2", "I-Mode:2",
                                           "1.50,12.3", "9.99,999.9", "0.01,0.1", "0.00,0.0",
                                           "0.00,0.0", "0.00,0.0", "0.00,0.0"})
                                  << Seven({"1.50", "9.99", "0.01"}, "0.00")
                                  << Seven({"12.3", "999.9", "0.1"}, "0.0");
    QTest::newRow("every step set")
        << 1 << 0 << QStringList{"1", "2", "3", "4", "5", "6", "7"}
        << QStringList{"1", "2", "3", "4", "5", "6", "7e2"}
        << File({"Memory Step Program", "S-Mode:2", "I-Mode:1", "1,1.0", "2,2.0", "3,3.0", "4,4.0",
                 "5,5.0", "6,6.0", "7,700.0"})
        << QStringList{"1", "2", "3", "4", "5", "6", "7"}
        << QStringList{"1.0", "2.0", "3.0", "4.0", "5.0", "6.0", "700.0"};
}

void ProgramFileGuiTest::saveThenRead() {
    QFETCH(int, shutter);
    QFETCH(int, intensityMode);
    QFETCH(QStringList, intensities);
    QFETCH(QStringList, times);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, normalIntensities);
    QFETCH(QStringList, normalTimes);

    ProgramEditorRig rig;
    const QString path = rig.dir.filePath("program.txt");
    rig.SelectLists(5, shutter, intensityMode);
    rig.SetFields(intensities, times);
    rig.prompter.files = {path};
    rig.Button(kFileSave)->click();
    QVERIFY(rig.MessagesAre({}));
    QCOMPARE(ReadAll(path), file);
    const EditorState saved = rig.State();
    QCOMPARE(saved.intensities, normalIntensities);
    QCOMPARE(saved.times, normalTimes);

    // Scramble the editor, pick another program number, then read the file back.
    rig.SelectLists(2, 1 - shutter, 1 - intensityMode);
    rig.SetFields(Seven({}, "junk"), Seven({}, "junk"));
    rig.prompter.files = {path};
    rig.Button(kFileRead)->click();
    QVERIFY(rig.MessagesAre({}));
    EditorState expected = saved;
    expected.program = 2; // a file carries no program number
    QCOMPARE(rig.State(), expected);
    QCOMPARE(rig.device.written, QByteArray()); // neither operation talks to the unit
}

void ProgramFileGuiTest::readFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // empty: the file is taken
    QTest::addColumn<int>("shutter");
    QTest::addColumn<int>("intensityMode");
    QTest::addColumn<QStringList>("intensities");
    QTest::addColumn<QStringList>("times");

    auto refused = [](const char* name, const QByteArray& content, const QString& message) {
        QTest::newRow(name) << content << message << 0 << 0 << QStringList() << QStringList();
    };
    const QString wide = QString(300, '1');

    refused("S-Mode:12", PercentFile({}, "S-Mode:12"), kFormat);
    refused("S-Mode: alone", PercentFile({}, "S-Mode:"), kFormat);
    refused("S-Mode:x", PercentFile({}, "S-Mode:x"), kShutterModeWrong);
    refused("S-Mode:0", PercentFile({}, "S-Mode:0"), kDataError);
    refused("S-Mode:3", PercentFile({}, "S-Mode:3"), kDataError);
    refused("s-mode lower case", PercentFile({}, "s-Mode:1"), kFormat);
    refused("I-Mode:x", PercentFile({}, "S-Mode:1", "I-Mode:x"), kIntensityModeWrong);
    refused("I-Mode:0", PercentFile({}, "S-Mode:1", "I-Mode:0"), kDataError);
    refused("I-Mode:12", PercentFile({}, "S-Mode:1", "I-Mode:12"), kFormat);
    refused("modes swapped", PercentFile({}, "I-Mode:1", "S-Mode:1"), kFormat);
    refused("shutter checked before intensity mode", PercentFile({}, "S-Mode:x", "I-Mode:x"),
            kShutterModeWrong);
    refused("header with trailing blank",
            File(QStringList{"Memory Step Program ", "S-Mode:1", "I-Mode:1"} + Seven({}, "0,0.0")),
            kFormat);
    refused("wrong header",
            File(QStringList{"Memory Step", "S-Mode:1", "I-Mode:1"} + Seven({}, "0,0.0")), kFormat);
    refused("step without comma", PercentFile({"50"}), kFormat);
    refused("step begins with comma", PercentFile({",10.0"}), kFormat);
    refused("step ends with comma", PercentFile({"50,"}), kFormat);
    refused("empty step line", PercentFile({"0,0.0", ""}), kFormat);
    refused("second comma", PercentFile({"50,10.0,3"}), kTimeWrong);
    refused("I-Mode 1, decimal intensity", PercentFile({"50.5,10.0"}), kIntensityWrong);
    refused("I-Mode 1, 101", PercentFile({"101,10.0"}), kDataError);
    refused("I-Mode 1, -1", PercentFile({"-1,10.0"}), kDataError);
    refused("I-Mode 2, 10.00", PercentFile({"10.00,10.0"}, "S-Mode:1", "I-Mode:2"), kDataError);
    refused("time out of range", PercentFile({"50,1000.0"}), kDataError);
    refused("negative time", PercentFile({"50,-0.1"}), kDataError);
    refused("time not a number", PercentFile({"50,abc"}), kTimeWrong);
    refused("blank before comma", PercentFile({"50 ,10.0"}), kIntensityWrong);
    refused("step 1 time before step 2 intensity", PercentFile({"1,x", "y,1"}), kTimeWrong);
    refused("fault in step 7", PercentFile({"1,1", "2,2", "3,3", "4,4", "5,5", "6,6", "7,1e4"}),
            kDataError);
    refused("nine lines", PercentFile({}).left(PercentFile({}).size() - 7), kFormat);
    refused("empty file", QByteArray(), kFormat);
    refused("long step line read in pieces", PercentFile({wide + ",1.0"}), kFormat);
    refused("binary noise", QByteArray("\x01\x02\xff\xfe\r\n\r\n", 8), kFormat);

    QTest::newRow("I-Mode 2, 9.99")
        << PercentFile({"9.99,10.0"}, "S-Mode:2", "I-Mode:2") << QString() << 1 << 1
        << Seven({"9.99"}, "0.00") << Seven({"10.0"}, "0.0");
    QTest::newRow("blank after comma") << PercentFile({"50, 10.0"}) << QString() << 0 << 0
                                       << Seven({"50"}, "0") << Seven({"10.0"}, "0.0");
    QTest::newRow("LF line ends") << PercentFile({"50,10.0", "100,2.5"}).replace("\r\n", "\n")
                                  << QString() << 0 << 0 << Seven({"50", "100"}, "0")
                                  << Seven({"10.0", "2.5"}, "0.0");
    QTest::newRow("extra lines ignored")
        << PercentFile({"7,0.5"}) + "garbage\r\nmore,1\r\n"
        << QString() << 0 << 0 << Seven({"7"}, "0") << Seven({"0.5"}, "0.0");
    QTest::newRow("no end after tenth line")
        << PercentFile({"1,1", "2,2", "3,3", "4,4", "5,5", "6,6", "7,7"}).chopped(2) << QString()
        << 0 << 0 << QStringList{"1", "2", "3", "4", "5", "6", "7"}
        << QStringList{"1.0", "2.0", "3.0", "4.0", "5.0", "6.0", "7.0"};
    QTest::newRow("values in normal form")
        << PercentFile({"050,12.34", "+3,1e2", "0,.5"}, "S-Mode:2") << QString() << 1 << 0
        << Seven({"50", "3"}, "0") << Seven({"12.3", "100.0", "0.5"}, "0.0");
    QTest::newRow("watts values in normal form")
        << PercentFile({"1.5,1", "1d-1,2"}, "S-Mode:1", "I-Mode:2") << QString() << 0 << 1
        << Seven({"1.50", "0.10"}, "0.00") << Seven({"1.0", "2.0"}, "0.0");
}

void ProgramFileGuiTest::readFile() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    ProgramEditorRig rig;
    const QString path = rig.dir.filePath("in.txt");
    QVERIFY(WriteAll(path, content));
    rig.SelectLists(3, 1, 1);
    rig.SetFields(Seven({"x"}, "9"), Seven({"y"}, "9.9"));
    const EditorState before = rig.State();
    rig.prompter.files = {path};
    rig.Button(kFileRead)->click();

    QVERIFY2(rig.MessagesAre(message.isEmpty() ? QStringList() : QStringList{message}),
             qPrintable(rig.prompter.Texts().join(" / ")));
    QCOMPARE(rig.device.written, QByteArray());
    if (!message.isEmpty()) {
        QCOMPARE(rig.State(), before);
        return;
    }
    QFETCH(int, shutter);
    QFETCH(int, intensityMode);
    QFETCH(QStringList, intensities);
    QFETCH(QStringList, times);
    QCOMPARE(rig.State(),
             (EditorState{intensities, times, before.program, shutter, intensityMode, QString()}));
    QCOMPARE(ReadAll(path), content); // reading never touches the file
}

void ProgramFileGuiTest::readMissingFile() {
    ProgramEditorRig rig;
    rig.SetFields(Seven({"x"}), Seven({"y"}));
    const EditorState before = rig.State();
    rig.prompter.files = {rig.dir.filePath("no such file.txt")};
    rig.Button(kFileRead)->click();
    QVERIFY(rig.MessagesAre({kFileOpen}));
    QCOMPARE(rig.State(), before);
}

void ProgramFileGuiTest::readCancelled() {
    ProgramEditorRig rig;
    rig.SetFields(Seven({" 1"}), Seven({"2"}));
    const EditorState before = rig.State();
    rig.Button(kFileRead)->click(); // the scripted dialog has no file: cancelled
    QCOMPARE(rig.prompter.folders.size(), 1);
    QVERIFY(rig.prompter.shown.isEmpty());
    QCOMPARE(rig.State(), before);
    QCOMPARE(rig.device.written, QByteArray());
}

void ProgramFileGuiTest::saveRefused_data() {
    QTest::addColumn<int>("intensityMode");
    QTest::addColumn<QStringList>("intensities");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QString>("message");
    QTest::newRow("intensity 101") << 0 << Seven({" 5", "101"}) << Seven({"1"}) << kIntensityRange;
    QTest::newRow("watts 10") << 1 << Seven({"1.5", "10"}) << Seven({}) << kIntensityRange;
    QTest::newRow("time 1000") << 0 << Seven({" 5"}) << Seven({"1", "2", "1000"}) << kTimeRange;
    QTest::newRow("intensity 50.0") << 0 << Seven({"50.0"}) << Seven({}) << kIntensityWrong;
    QTest::newRow("time abc") << 1 << Seven({}) << Seven({"abc"}) << kTimeWrong;
    QTest::newRow("fault in step 7") << 0 << Seven({" 1"}, "2") << Seven({"3"}, "-1") << kTimeRange;
}

void ProgramFileGuiTest::saveRefused() {
    QFETCH(int, intensityMode);
    QFETCH(QStringList, intensities);
    QFETCH(QStringList, times);
    QFETCH(QString, message);

    ProgramEditorRig rig;
    rig.SelectLists(0, 0, intensityMode);
    rig.SetFields(intensities, times);
    const EditorState before = rig.State();
    const QString path = rig.dir.filePath("refused.txt");
    rig.prompter.files = {path};
    rig.Button(kFileSave)->click();
    QVERIFY(rig.MessagesAre({message}));
    QVERIFY(rig.prompter.folders.isEmpty()); // no dialog opened
    QVERIFY(!QFile::exists(path));
    QCOMPARE(rig.State(), before);
}

void ProgramFileGuiTest::saveCancelled() {
    ProgramEditorRig rig;
    rig.SetFields(Seven({" 50", "007"}), Seven({"1e1", "12.34"}));
    const QStringList before = QDir(rig.dir.path()).entryList(QDir::Files);
    rig.Button(kFileSave)->click(); // no file scripted: the dialog is cancelled
    QCOMPARE(rig.prompter.folders.size(), 1);
    QVERIFY(rig.prompter.shown.isEmpty());
    QCOMPARE(rig.State().intensities, Seven({"50", "7"}, "0"));
    QCOMPARE(rig.State().times, Seven({"10.0", "12.3"}, "0.0"));
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), before);
}

void ProgramFileGuiTest::saveFails_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder missing") << "missing";
    QTest::newRow("parent is a file") << "parent file";
    QTest::newRow("target is a folder") << "folder";
    QTest::newRow("read-only folder, old file") << "read-only";
}

void ProgramFileGuiTest::saveFails() {
    QFETCH(QString, kind);

    ProgramEditorRig rig;
    const QDir dir(rig.dir.path());
    const QByteArray old = "old program\r\nkeep me\r\n";
    QString path, watched; // watched: a file whose bytes must survive
    if (kind == "missing") {
        path = dir.filePath("no folder/p.txt");
    } else if (kind == "parent file") {
        watched = dir.filePath("plain.txt");
        QVERIFY(WriteAll(watched, old));
        path = watched + "/p.txt";
    } else if (kind == "folder") {
        QVERIFY(dir.mkdir("p.txt"));
        watched = dir.filePath("p.txt/inside.txt");
        QVERIFY(WriteAll(watched, old));
        path = dir.filePath("p.txt");
    } else {
        QVERIFY(dir.mkdir("locked"));
        path = watched = dir.filePath("locked/p.txt");
        QVERIFY(WriteAll(watched, old));
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        if (QFile probe(dir.filePath("locked/probe")); probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(dir.filePath("locked"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("this account writes into read-only folders");
        }
    }

    rig.SetFields(Seven({"5"}), Seven({"1"}));
    rig.prompter.files = {path};
    rig.Button(kFileSave)->click();
    if (kind == "read-only")
        QFile::setPermissions(dir.filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(rig.MessagesAre({kFileOpen}), qPrintable(rig.prompter.Texts().join(" / ")));
    if (!watched.isEmpty())
        QCOMPARE(ReadAll(watched), old);
    if (kind == "missing")
        QVERIFY(!QFile::exists(path));
    QCOMPARE(rig.State().times, Seven({"1.0"}, "0.0")); // normalised before the dialog
}

void ProgramFileGuiTest::workingFolderFollowsChoice() {
    ProgramEditorRig rig;
    const QDir dir(rig.dir.path());
    QVERIFY(dir.mkdir("a") && dir.mkdir("b"));
    QDir::setCurrent(dir.path());

    rig.SetFields(Seven({"5"}), Seven({"1"}));
    rig.prompter.files = {dir.filePath("a/one.txt")};
    rig.Button(kFileSave)->click();
    QCOMPARE(QDir::currentPath(), dir.filePath("a"));

    rig.Button(kFileRead)->click(); // cancelled, opened where the save left off
    QCOMPARE(rig.prompter.folders, (QStringList{dir.path(), dir.filePath("a")}));
    QCOMPARE(QDir::currentPath(), dir.filePath("a")); // a cancelled dialog moves nothing

    QVERIFY(QFile::copy(dir.filePath("a/one.txt"), dir.filePath("b/two.txt")));
    rig.prompter.files = {dir.filePath("b/two.txt")};
    rig.Button(kFileRead)->click();
    QCOMPARE(QDir::currentPath(), dir.filePath("b"));
    QVERIFY(rig.prompter.shown.isEmpty());
}

void ProgramFileGuiTest::fuzzReadFile() {
    // Mutated and random files: either exactly one message and an untouched editor, or no
    // message and an editor in normal form within range.
    const QRegularExpression percent(QStringLiteral("^(100|[1-9]?[0-9])$"));
    const QRegularExpression watts(QStringLiteral("^[0-9]\\.[0-9]{2}$"));
    const QRegularExpression time(QStringLiteral("^(0|[1-9][0-9]{0,2})\\.[0-9]$"));
    const QByteArray alphabet = "0123456789.,:- \t\r\nSIMode+e\x80";
    const QByteArray seed = PercentFile({"50,10.0", "100,2.5", "1,999.9"}, "S-Mode:2");

    QRandomGenerator random(7);
    ProgramEditorRig rig;
    const QString path = rig.dir.filePath("fuzz.txt");
    int taken = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray content = seed;
        if (round % 2 == 1)
            content.replace("I-Mode:1", "I-Mode:2").replace("50,", "5.5,").replace("100,", "0.5,");
        vq3::test::Mutate(content, random, alphabet, random.bounded(4));
        if (round % 25 == 0) {
            content.resize(random.bounded(600));
            for (char& c : content)
                c = static_cast<char>(random.bounded(256));
        }
        QVERIFY(WriteAll(path, content));

        rig.prompter.shown.clear();
        rig.SelectLists(4, 0, 0);
        rig.SetFields(Seven({}, "keep"), Seven({}, "keep"));
        const EditorState before = rig.State();
        rig.prompter.files = {path};
        rig.Button(kFileRead)->click();

        const EditorState after = rig.State();
        if (!rig.prompter.shown.isEmpty()) {
            QCOMPARE(rig.prompter.shown.size(), 1);
            QVERIFY2(after == before, content.toPercentEncoding().constData());
            continue;
        }
        ++taken;
        QCOMPARE(after.program, 4);
        QVERIFY(after.shutter == 0 || after.shutter == 1);
        QVERIFY(after.intensityMode == 0 || after.intensityMode == 1);
        for (int step = 0; step < 7; ++step) {
            QVERIFY2((after.intensityMode == 0 ? percent : watts)
                         .match(after.intensities[step])
                         .hasMatch(),
                     qPrintable(after.intensities[step]));
            QVERIFY2(time.match(after.times[step]).hasMatch(), qPrintable(after.times[step]));
        }
    }
    QVERIFY(taken > 50); // enough files survive the mutations to check what they do
    QCOMPARE(rig.device.written, QByteArray());
}

QTEST_MAIN(ProgramFileGuiTest)
#include "tst_programfile_gui.moc"
