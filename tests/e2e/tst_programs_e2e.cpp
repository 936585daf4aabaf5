// Memory step programs with the real controller and simulator: a program goes to the unit
// byte for byte and comes back into the editor, runs step by step and stops, and is kept in
// and read from a program file.
#include "E2eRig.h"

using vq3::test::Rig;

namespace {

const int kIntensityIds[] = {1000, 1004, 1006, 1008, 1010, 1012, 1014};
const int kTimeIds[] = {1002, 1005, 1007, 1009, 1011, 1013, 1015};
const QString kProgramList = QStringLiteral("CControllerDlg/idc_1001");
const QString kIntensityMode = QStringLiteral("CControllerDlg/idc_1019");
const QString kShutterMode = QStringLiteral("CControllerDlg/idc_1020");
const QString kSet = QStringLiteral("CControllerDlg/idc_1028");
const QString kRead = QStringLiteral("CControllerDlg/idc_1016");
const QString kStart = QStringLiteral("CControllerDlg/idc_1022");
const QString kCancel = QStringLiteral("CControllerDlg/idc_1023");
const QString kStep = QStringLiteral("CControllerDlg/idc_1024");
const QString kStepReadout = QStringLiteral("CControllerDlg/idc_1029");
const QString kFileRead = QStringLiteral("CControllerDlg/idc_1017");
const QString kFileSave = QStringLiteral("CControllerDlg/idc_1018");

QString Field(int id) {
    return QStringLiteral("CControllerDlg/idc_%1").arg(id);
}

// The editor as the operator sees it: intensities, times, and the three lists (positions).
struct Editor {
    QStringList intensities, times;
    int program = 0, shutterMode = 0, intensityMode = 0;
    bool operator==(const Editor&) const = default;
};

QByteArray Show(const Editor& e) {
    return QStringLiteral("[%1] [%2] program %3 shutter %4 intensity %5")
        .arg(e.intensities.join(QLatin1Char('|')), e.times.join(QLatin1Char('|')))
        .arg(e.program)
        .arg(e.shutterMode)
        .arg(e.intensityMode)
        .toUtf8();
}

int Index(Rig& rig, const QString& list) {
    return rig.Ui().Get(list, QStringLiteral("currentIndex")).toInt();
}

Editor ReadEditor(Rig& rig) {
    Editor e;
    for (int i = 0; i < 7; ++i) {
        e.intensities.append(rig.Text(Field(kIntensityIds[i])));
        e.times.append(rig.Text(Field(kTimeIds[i])));
    }
    e.program = Index(rig, kProgramList) + 1;
    e.shutterMode = Index(rig, kShutterMode) + 1;
    e.intensityMode = Index(rig, kIntensityMode) + 1;
    return e;
}

void FillFields(Rig& rig, const QStringList& intensities, const QStringList& times) {
    for (int i = 0; i < 7; ++i) {
        rig.SetText(Field(kIntensityIds[i]), intensities.value(i));
        rig.SetText(Field(kTimeIds[i]), times.value(i));
    }
}

void SelectModes(Rig& rig, int program, int shutterMode, int intensityMode) {
    rig.Ui().Set(kProgramList, QStringLiteral("currentIndex"), program - 1);
    rig.Ui().Set(kShutterMode, QStringLiteral("currentIndex"), shutterMode - 1);
    rig.Ui().Set(kIntensityMode, QStringLiteral("currentIndex"), intensityMode - 1);
}

bool WaitEditor(Rig& rig, const Editor& expected, int ms = 5000) {
    return QTest::qWaitFor([&] { return ReadEditor(rig) == expected; }, ms);
}

QByteArray Lines(const QList<QByteArray>& lines) {
    QByteArray text;
    for (const QByteArray& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Editor)

class ProgramsE2eTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void setSendsProgramAndReadBringsItBack_data();
    void setSendsProgramAndReadBringsItBack();
    void runningProgramStepsAndStops();
    void fileSaveWritesTenLinesAndReadsBack_data();
    void fileSaveWritesTenLinesAndReadsBack();
    void fileRead_data();
    void fileRead();

private:
    // New prompts since the last call: caption and text of each.
    QList<QPair<QString, QString>> NewPrompts() {
        QList<QPair<QString, QString>> fresh;
        const QJsonArray all = m_rig->Ui().Prompts();
        for (qsizetype i = m_promptsSeen; i < all.size(); ++i)
            fresh.append(
                {all[i].toObject()["caption"].toString(), all[i].toObject()["text"].toString()});
        m_promptsSeen = all.size();
        return fresh;
    }

    std::unique_ptr<Rig> m_rig;
    qsizetype m_promptsSeen = 0;
};

void ProgramsE2eTest::initTestCase() {
    m_rig = std::make_unique<Rig>();
    QVERIFY(m_rig->Start());
}

void ProgramsE2eTest::cleanupTestCase() {
    QVERIFY(m_rig->Ui().Close());
    QCOMPARE(m_rig->Ui().Process().exitStatus(), QProcess::NormalExit);
    m_rig.reset();
}

void ProgramsE2eTest::setSendsProgramAndReadBringsItBack_data() {
    QTest::addColumn<Editor>("typed");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<Editor>("normal");

    QTest::newRow("percent, program 2")
        << Editor{{"50", " 100", "0", "7", "", "99", "+1"},
                  {"10", "2.5", "999.9", "0.5", "", "1e2", "12.34"},
                  2,
                  1,
                  1}
        << QByteArray("CURE211:050,010.0,100,002.5,000,999.9,007,000.5,000,000.0,099,100.0,"
                      "001,012.3")
        << Editor{{"50", "100", "0", "7", "0", "99", "1"},
                  {"10.0", "2.5", "999.9", "0.5", "0.0", "100.0", "12.3"},
                  2,
                  1,
                  1};
    QTest::newRow("watts, program 5, shutter mode 2")
        << Editor{{"1.5", "9.99", "0", "0.01", "", " 2", "+3.25"},
                  {"12.34", "0", "999.9", "1", "", "7.5", "30"},
                  5,
                  2,
                  2}
        << QByteArray("CURE522:1.50,012.3,9.99,000.0,0.00,999.9,0.01,001.0,0.00,000.0,2.00,"
                      "007.5,3.25,030.0")
        << Editor{{"1.50", "9.99", "0.00", "0.01", "0.00", "2.00", "3.25"},
                  {"12.3", "0.0", "999.9", "1.0", "0.0", "7.5", "30.0"},
                  5,
                  2,
                  2};
}

void ProgramsE2eTest::setSendsProgramAndReadBringsItBack() {
    QFETCH(Editor, typed);
    QFETCH(QByteArray, command);
    QFETCH(Editor, normal);
    Rig& rig = *m_rig;
    QCOMPARE(command.size(), typed.intensityMode == 1 ? 77 : 84);

    SelectModes(rig, typed.program, typed.shutterMode, typed.intensityMode);
    FillFields(rig, typed.intensities, typed.times);
    rig.Mark();
    QVERIFY(rig.Ui().Click(kSet));
    QVERIFY(rig.WaitSinceMark(command + '\r'));
    QVERIFY(WaitEditor(rig, normal));
    QCOMPARE(rig.SinceMark(), command + '\r');

    // Empty editor, the other modes selected: the unit's copy puts everything back.
    FillFields(rig, {}, {});
    rig.Ui().Set(kShutterMode, QStringLiteral("currentIndex"), 2 - typed.shutterMode);
    rig.Ui().Set(kIntensityMode, QStringLiteral("currentIndex"), 2 - typed.intensityMode);
    rig.Mark();
    QVERIFY(rig.Ui().Click(kRead));
    QVERIFY2(WaitEditor(rig, normal), Show(ReadEditor(rig)).constData());
    QCOMPARE(rig.SinceMark(), QByteArray("CUREQ") + QByteArray::number(typed.program) + '\r');
    QCOMPARE(NewPrompts(), (QList<QPair<QString, QString>>{}));
}

void ProgramsE2eTest::runningProgramStepsAndStops() {
    Rig& rig = *m_rig;
    // Step 1 lasts 3 s, the others 100 s: the program is still running when it is set again.
    SelectModes(rig, 3, 1, 1);
    FillFields(rig, {"40", "10", "20", "30", "40", "50", "60"},
               {"3", "100", "100", "100", "100", "100", "100"});
    QVERIFY(rig.Ui().Click(kSet));
    QVERIFY(rig.Sim().WaitReceived("CURE311:040,003.0,010,100.0,"));

    rig.Mark();
    QVERIFY(rig.Ui().Click(kStart));
    QVERIFY(rig.WaitSinceMark("START3\r"));
    QVERIFY(rig.Ui().Click(kStep));
    QTRY_COMPARE(rig.Text(kStepReadout), QStringLiteral("1"));
    QVERIFY(rig.SinceMark().startsWith("START3\rSTPQ\r"));
    // The unit moves on to step 2 after 3 s.
    QVERIFY2(rig.AskUntil(
                 kStep, [&] { return rig.Text(kStepReadout) == QLatin1String("2"); }, 10000, 500),
             qPrintable(rig.Text(kStepReadout)));

    // Writing a program while one runs: the unit refuses with NG02.
    rig.Mark();
    QVERIFY(rig.Ui().Click(kSet));
    QVERIFY(rig.WaitPrompt(QStringLiteral("NG02 : Memory step operation is going on.")));
    QVERIFY(rig.SinceMark().startsWith("CURE311:040,003.0,010,100.0,"));
    QCOMPARE(NewPrompts(), (QList<QPair<QString, QString>>{
                               {"vq3-controller", "NG02 : Memory step operation is going on."}}));

    // Cancel stops it: the unit reports no running step any more.
    rig.Mark();
    QVERIFY(rig.Ui().Click(kCancel));
    QVERIFY(rig.WaitSinceMark("STOP\r"));
    QCOMPARE(rig.SinceMark(), QByteArray("STOP\r"));
    QCOMPARE(rig.Text(kStepReadout), QStringLiteral("2")); // only a step reply changes it
    QVERIFY(rig.Ui().Click(kStep));
    QTRY_COMPARE(rig.Text(kStepReadout), QStringLiteral("0"));

    // And takes a program again without complaint: by the time its copy is back in the
    // editor, a refusal would have been reported.
    rig.Mark();
    QVERIFY(rig.Ui().Click(kSet));
    QVERIFY(rig.WaitSinceMark("CURE311:"));
    FillFields(rig, {}, {});
    QVERIFY(rig.Ui().Click(kRead));
    QVERIFY(WaitEditor(rig, Editor{{"40", "10", "20", "30", "40", "50", "60"},
                                   {"3.0", "100.0", "100.0", "100.0", "100.0", "100.0", "100.0"},
                                   3,
                                   1,
                                   1}));
    QCOMPARE(NewPrompts(), (QList<QPair<QString, QString>>{}));
}

void ProgramsE2eTest::fileSaveWritesTenLinesAndReadsBack_data() {
    QTest::addColumn<Editor>("typed");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Editor>("normal");
    QTest::newRow("percent, shutter mode 2")
        << Editor{{"50", "100", " 0", "7", "", "99", "1"},
                  {"10", "2.5", "999.9", "0.5", "", "1e2", "12.34"},
                  4,
                  2,
                  1}
        << Lines({"Memory Step Program", "S-Mode:2", "I-Mode:1", "50,10.0", "100,2.5", "0,999.9",
                  "7,0.5", "0,0.0", "99,100.0", "1,12.3"})
        << Editor{{"50", "100", "0", "7", "0", "99", "1"},
                  {"10.0", "2.5", "999.9", "0.5", "0.0", "100.0", "12.3"},
                  4,
                  2,
                  1};
    QTest::newRow("watts, shutter mode 1")
        << Editor{{"1.5", "9.99", "0", "0.01", "", "2", "3.25"},
                  {"12.34", "0", "999.9", "1", "", "7.5", "30"},
                  9,
                  1,
                  2}
        << Lines({"Memory Step Program", "S-Mode:1", "I-Mode:2", "1.50,12.3", "9.99,0.0",
                  "0.00,999.9", "0.01,1.0", "0.00,0.0", "2.00,7.5", "3.25,30.0"})
        << Editor{{"1.50", "9.99", "0.00", "0.01", "0.00", "2.00", "3.25"},
                  {"12.3", "0.0", "999.9", "1.0", "0.0", "7.5", "30.0"},
                  9,
                  1,
                  2};
}

void ProgramsE2eTest::fileSaveWritesTenLinesAndReadsBack() {
    QFETCH(Editor, typed);
    QFETCH(QByteArray, file);
    QFETCH(Editor, normal);
    Rig& rig = *m_rig;
    const QString path = rig.Path(QStringLiteral("%1.txt").arg(QTest::currentDataTag()));
    SelectModes(rig, typed.program, typed.shutterMode, typed.intensityMode);
    FillFields(rig, typed.intensities, typed.times);
    rig.Mark();

    rig.Ui().Answer({}, {path});
    QVERIFY(rig.Ui().Click(kFileSave));
    QTRY_VERIFY(QFile::exists(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), file);
    QVERIFY(WaitEditor(rig, normal));

    // Back from the file into an emptied editor; the program number stays as it is.
    FillFields(rig, {}, {});
    SelectModes(rig, 1, 3 - typed.shutterMode, 3 - typed.intensityMode);
    rig.Ui().Answer({}, {path});
    QVERIFY(rig.Ui().Click(kFileRead));
    Editor restored = normal;
    restored.program = 1;
    QVERIFY2(WaitEditor(rig, restored), Show(ReadEditor(rig)).constData());

    QTest::qWait(100);
    QCOMPARE(rig.SinceMark(), QByteArray()); // files never talk to the unit
    QCOMPARE(NewPrompts(), (QList<QPair<QString, QString>>{}));
}

void ProgramsE2eTest::fileRead_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message"); // empty: read
    QTest::addColumn<Editor>("after");

    const QList<QByteArray> good = {
        "Memory Step Program", "S-Mode:2", "I-Mode:2", "1.5,10", "9.99, 2.5", "0,0",
        "0.1,999.9",           "5,1",      "0.5,0.5",  "2,3"};
    const Editor before{{"42", "42", "42", "42", "42", "42", "42"},
                        {"4.2", "4.2", "4.2", "4.2", "4.2", "4.2", "4.2"},
                        6,
                        1,
                        1};
    QTest::newRow("edited file, LF line ends, an extra line")
        << (good.join('\n') + "\nextra line\n") << QString()
        << Editor{{"1.50", "9.99", "0.00", "0.10", "5.00", "0.50", "2.00"},
                  {"10.0", "2.5", "0.0", "999.9", "1.0", "0.5", "3.0"},
                  6,
                  2,
                  2};
    QList<QByteArray> lines = good;
    lines[0] = "Memory Step Program ";
    QTest::newRow("header with a trailing blank")
        << Lines(lines) << "File Format is wrong." << before;
    lines = good;
    lines[5] = "0";
    QTest::newRow("step without a comma") << Lines(lines) << "File Format is wrong." << before;
    QTest::newRow("nine lines") << Lines(good.mid(0, 9)) << "File Format is wrong." << before;
    lines = good;
    lines[1] = "S-Mode:3";
    QTest::newRow("shutter mode 3") << Lines(lines) << "Data Error." << before;
    lines = good;
    lines[9] = "10.00,3";
    QTest::newRow("watts out of range") << Lines(lines) << "Data Error." << before;
}

void ProgramsE2eTest::fileRead() {
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(Editor, after);
    Rig& rig = *m_rig;
    const QString path = rig.Path(QStringLiteral("read.txt"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file);
    out.close();

    SelectModes(rig, 6, 1, 1);
    FillFields(rig, QStringList(7, "42"), QStringList(7, "4.2"));
    rig.Mark();
    rig.Ui().Answer({}, {path});
    QVERIFY(rig.Ui().Click(kFileRead));
    if (message.isEmpty()) {
        QVERIFY2(WaitEditor(rig, after), Show(ReadEditor(rig)).constData());
        QTest::qWait(100);
        QCOMPARE(NewPrompts(), (QList<QPair<QString, QString>>{}));
    } else {
        QVERIFY(rig.WaitPrompt(message));
        QCOMPARE(NewPrompts(), (QList<QPair<QString, QString>>{{"vq3-controller", message}}));
        QCOMPARE(ReadEditor(rig), after);
    }
    QCOMPARE(rig.SinceMark(), QByteArray());
}

QTEST_GUILESS_MAIN(ProgramsE2eTest)
#include "tst_programs_e2e.moc"
