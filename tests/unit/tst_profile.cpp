// The program's initialisation file: how values are found and read, and how writing a key
// changes exactly its own line and nothing else.
#include "FileHelpers.h"
#include "app/Profile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using vq3::test::Contents;
using vq3::test::FileSizeLimit;
using vq3::test::WriteFile;

using vq3::app::Profile;

namespace {} // namespace

class ProfileTest : public QObject {
    Q_OBJECT
private slots:
    void readInt_data();
    void readInt();
    void readText_data();
    void readText();
    void missingFileReadsDefaults();
    void write_data();
    void write();
    void firstWritesCreateFile();
    void writtenTextReadsBack_data();
    void writtenTextReadsBack();
    void failedWriteKeepsFile();
    void junkNeverCrashes();
};

void ProfileTest::readInt_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("defaultValue");
    QTest::addColumn<int>("expected");

    const QByteArray body = "[INIT]\r\nPORT=5\r\nMAIN_X=-20\r\n";
    QTest::newRow("plain") << body << "INIT"
                           << "PORT" << 1 << 5;
    QTest::newRow("negative") << body << "INIT"
                              << "MAIN_X" << 0 << -20;
    QTest::newRow("missing key") << body << "INIT"
                                 << "CONT_X" << 7 << 7;
    QTest::newRow("missing section") << body << "OTHER"
                                     << "PORT" << 1 << 1;
    QTest::newRow("key in small letters") << QByteArray("[INIT]\r\nport=3\r\n") << "INIT"
                                          << "PORT" << 1 << 3;
    QTest::newRow("section in small letters") << QByteArray("[init]\r\nPORT=4\r\n") << "INIT"
                                              << "PORT" << 1 << 4;
    QTest::newRow("blanks around") << QByteArray("  [ INIT ]  \r\n  PORT  =  6  \r\n") << "INIT"
                                   << "PORT" << 1 << 6;
    QTest::newRow("empty value gives default") << QByteArray("[INIT]\r\nPORT=\r\n") << "INIT"
                                               << "PORT" << 1 << 1;
    QTest::newRow("blank value gives default") << QByteArray("[INIT]\r\nPORT=   \r\n") << "INIT"
                                               << "PORT" << 1 << 1;
    QTest::newRow("plus sign") << QByteArray("[INIT]\nPORT=+3\n") << "INIT"
                               << "PORT" << 1 << 3;
    QTest::newRow("number then text") << QByteArray("[INIT]\nPORT=12abc\n") << "INIT"
                                      << "PORT" << 1 << 12;
    QTest::newRow("decimal stops at point") << QByteArray("[INIT]\nMAIN_X=7.9\n") << "INIT"
                                            << "MAIN_X" << 1 << 7;
    QTest::newRow("text reads 0") << QByteArray("[INIT]\nPORT=abc\n") << "INIT"
                                  << "PORT" << 1 << 0;
    QTest::newRow("sign alone reads 0") << QByteArray("[INIT]\nPORT=-\n") << "INIT"
                                        << "PORT" << 1 << 0;
    QTest::newRow("huge clamps") << QByteArray("[INIT]\nMAIN_X=99999999999999\n") << "INIT"
                                 << "MAIN_X" << 0 << INT_MAX;
    QTest::newRow("huge negative clamps")
        << QByteArray("[INIT]\nMAIN_X=-99999999999999\n") << "INIT"
        << "MAIN_X" << 0 << INT_MIN;
    QTest::newRow("key of another section")
        << QByteArray("[OTHER]\r\nPORT=8\r\n[INIT]\r\nMAIN_X=1\r\n") << "INIT"
        << "PORT" << 1 << 1;
    QTest::newRow("same key in two sections")
        << QByteArray("[OTHER]\r\nPORT=8\r\n\r\n[INIT]\r\nPORT=2\r\n") << "INIT"
        << "PORT" << 1 << 2;
    QTest::newRow("first of two equal keys") << QByteArray("[INIT]\nPORT=2\nPORT=3\n") << "INIT"
                                             << "PORT" << 1 << 2;
    QTest::newRow("key without section") << QByteArray("PORT=4\n") << "INIT"
                                         << "PORT" << 1 << 1;
    QTest::newRow("lines without equals ignored")
        << QByteArray("[INIT]\r\nPORT\r\n; PORT=9\r\nPORT=3\r\n") << "INIT"
        << "PORT" << 1 << 3;
    QTest::newRow("last line without line end") << QByteArray("[INIT]\r\nPORT=6") << "INIT"
                                                << "PORT" << 1 << 6;
}

void ProfileTest::readInt() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, defaultValue);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("VQ3_CNT.ini");
    QVERIFY(WriteFile(path, content));
    QCOMPARE(Profile(path).ReadInt(section, key, defaultValue), expected);
    QCOMPARE(Contents(path), content); // reading never writes
}

void ProfileTest::readText_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("access code") << QByteArray("[INIT]\r\nOPENPARAM=KORVANTIS\r\n") << "KORVANTIS";
    QTest::newRow("case kept") << QByteArray("[INIT]\r\nopenparam=korvantis\r\n") << "korvantis";
    QTest::newRow("inner blanks kept") << QByteArray("[INIT]\nOPENPARAM= a b \n") << "a b";
    QTest::newRow("empty gives default") << QByteArray("[INIT]\r\nOPENPARAM=\r\n") << "<default>";
    QTest::newRow("missing gives default") << QByteArray("[INIT]\r\nPORT=1\r\n") << "<default>";
    QTest::newRow("equals inside value") << QByteArray("[INIT]\nOPENPARAM=a=b\n") << "a=b";
    QTest::newRow("cut at 4095") << "[INIT]\nOPENPARAM=" + QByteArray(5000, 'k') + "\n"
                                 << QString(4095, 'k');
}

void ProfileTest::readText() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("VQ3_CNT.ini");
    QVERIFY(WriteFile(path, content));
    QCOMPARE(Profile(path).ReadText("INIT", "OPENPARAM", "<default>"), expected);
}

void ProfileTest::missingFileReadsDefaults() {
    QTemporaryDir dir;
    const Profile missing(dir.filePath("VQ3_CNT.ini"));
    QCOMPARE(missing.ReadInt("INIT", "PORT", 1), 1);
    QCOMPARE(missing.ReadText("INIT", "OPENPARAM", "x"), QString("x"));
    const Profile folder(dir.path());
    QCOMPARE(folder.ReadInt("INIT", "MAIN_X", 3), 3);
    const Profile none;
    QCOMPARE(none.ReadInt("INIT", "PORT", 1), 1);
    QVERIFY(!QFile::exists(dir.filePath("VQ3_CNT.ini")));
}

void ProfileTest::write_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("replaced in place") << QByteArray("[INIT]\r\nPORT=1\r\nMAIN_X=5\r\n") << "PORT"
                                       << "3" << QByteArray("[INIT]\r\nPORT=3\r\nMAIN_X=5\r\n");
    QTest::newRow("small-letter key replaced in place")
        << QByteArray("[init]\r\nport = 1\r\nMAIN_X=5\r\n") << "PORT"
        << "3" << QByteArray("[init]\r\nPORT=3\r\nMAIN_X=5\r\n");
    QTest::newRow("appended at the end of its section")
        << QByteArray("[INIT]\r\nPORT=1\r\n\r\n[OTHER]\r\nMAIN_X=1\r\n") << "MAIN_X"
        << "4" << QByteArray("[INIT]\r\nPORT=1\r\nMAIN_X=4\r\n\r\n[OTHER]\r\nMAIN_X=1\r\n");
    QTest::newRow("section added at the end")
        << QByteArray("; settings\r\n[OTHER]\r\nA=1\r\n") << "PORT"
        << "1" << QByteArray("; settings\r\n[OTHER]\r\nA=1\r\n[INIT]\r\nPORT=1\r\n");
    QTest::newRow("last line without line end")
        << QByteArray("[INIT]\r\nPORT=1") << "MAIN_X"
        << "2" << QByteArray("[INIT]\r\nPORT=1\r\nMAIN_X=2\r\n");
    QTest::newRow("replaced last line keeps no line end")
        << QByteArray("[INIT]\r\nPORT=1") << "PORT"
        << "2" << QByteArray("[INIT]\r\nPORT=2");
    QTest::newRow("LF file stays LF") << QByteArray("[INIT]\nPORT=1\n") << "MAIN_X"
                                      << "2" << QByteArray("[INIT]\nPORT=1\nMAIN_X=2\n");
    QTest::newRow("other lines untouched")
        << QByteArray("junk \t line\n[INIT]\r\n  ; comment\r\nPORT=1\r\nweird line\n\r\n") << "PORT"
        << "-1" << QByteArray("junk \t line\n[INIT]\r\n  ; comment\r\nPORT=-1\r\nweird line\n\r\n");
    QTest::newRow("empty text") << QByteArray("[INIT]\r\nOPENPARAM=KORVANTIS\r\n") << "OPENPARAM"
                                << "" << QByteArray("[INIT]\r\nOPENPARAM=\r\n");
    QTest::newRow("line break in a text cut off")
        << QByteArray("[INIT]\r\n") << "OPENPARAM"
        << "KORV\r\n[X]" << QByteArray("[INIT]\r\nOPENPARAM=KORV\r\n");
    QTest::newRow("empty file") << QByteArray() << "PORT"
                                << "1" << QByteArray("[INIT]\r\nPORT=1\r\n");
    QTest::newRow("binary junk kept")
        << QByteArray("\0\xff\x01[\r\n[INIT\r\nPORT=0\r\n", 21) << "PORT"
        << "9" << QByteArray("\0\xff\x01[\r\n[INIT\r\nPORT=9\r\n", 21);
}

void ProfileTest::write() {
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath("VQ3_CNT.ini");
    QVERIFY(WriteFile(path, before));
    Profile profile(path);
    QVERIFY(profile.WriteText("INIT", key, value));
    QCOMPARE(Contents(path), after);
}

// A first start: the eight keys are written in order into a file that did not exist.
void ProfileTest::firstWritesCreateFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("VQ3_CNT.ini");
    Profile profile(path);
    QVERIFY(profile.WriteInt("INIT", "PORT", 1));
    QVERIFY(profile.WriteInt("INIT", "MAIN_X", 0));
    QVERIFY(profile.WriteInt("INIT", "MAIN_Y", -4));
    QVERIFY(profile.WriteInt("INIT", "CONT_X", 120));
    QVERIFY(profile.WriteInt("INIT", "CONT_Y", 0));
    QVERIFY(profile.WriteInt("INIT", "TERM_X", 0));
    QVERIFY(profile.WriteInt("INIT", "TERM_Y", 2147483647));
    QVERIFY(profile.WriteText("INIT", "OPENPARAM", ""));
    QCOMPARE(Contents(path),
             QByteArray("[INIT]\r\nPORT=1\r\nMAIN_X=0\r\nMAIN_Y=-4\r\nCONT_X=120\r\n"
                        "CONT_Y=0\r\nTERM_X=0\r\nTERM_Y=2147483647\r\n"
                        "OPENPARAM=\r\n"));
    // Written again at the next end: same lines, same order.
    QVERIFY(profile.WriteInt("INIT", "PORT", 0));
    QVERIFY(profile.WriteText("INIT", "OPENPARAM", "KORVANTIS"));
    QCOMPARE(Contents(path),
             QByteArray("[INIT]\r\nPORT=0\r\nMAIN_X=0\r\nMAIN_Y=-4\r\nCONT_X=120\r\n"
                        "CONT_Y=0\r\nTERM_X=0\r\nTERM_Y=2147483647\r\n"
                        "OPENPARAM=KORVANTIS\r\n"));
    QCOMPARE(profile.ReadInt("INIT", "MAIN_Y", 0), -4);
    QCOMPARE(profile.ReadInt("INIT", "TERM_Y", 0), 2147483647);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"VQ3_CNT.ini"});
}

void ProfileTest::writtenTextReadsBack_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("access code") << "KORVANTIS";
    QTest::newRow("inner blank") << "KORV ANTIS";
    QTest::newRow("equals and brackets") << "a=[b]";
    QTest::newRow("non-ASCII") << QString::fromUtf8("K\xc3\xb6rvantis");
}

void ProfileTest::writtenTextReadsBack() {
    QFETCH(QString, text);
    QTemporaryDir dir;
    Profile profile(dir.filePath("VQ3_CNT.ini"));
    QVERIFY(profile.WriteInt("INIT", "PORT", 2));
    QVERIFY(profile.WriteText("INIT", "OPENPARAM", text));
    QCOMPARE(profile.ReadText("INIT", "OPENPARAM", "<default>"), text);
    QCOMPARE(profile.ReadInt("INIT", "PORT", 1), 2);
}

void ProfileTest::failedWriteKeepsFile() {
    QTemporaryDir dir;
    // No folder to put the file in, and no path at all.
    QVERIFY(!Profile(dir.filePath("missing/VQ3_CNT.ini")).WriteInt("INIT", "PORT", 1));
    QVERIFY(!Profile().WriteInt("INIT", "PORT", 1));
    // A path that is a folder is neither read nor replaced.
    QVERIFY(QDir(dir.path()).mkdir("VQ3_CNT.ini"));
    QVERIFY(!Profile(dir.filePath("VQ3_CNT.ini")).WriteInt("INIT", "PORT", 1));
    QVERIFY(QFileInfo(dir.filePath("VQ3_CNT.ini")).isDir());
}

// Random bytes as a profile: reading gives numbers or defaults, writing keeps every other
// byte, and the written key reads back.
void ProfileTest::junkNeverCrashes() {
    QRandomGenerator random(31337);
    static const char kChars[] = "[]=\r\n \tINITPORT0123456789-+;\0\xff";
    const QByteArray alphabet(kChars, sizeof kChars - 1);
    QTemporaryDir dir;
    const QString path = dir.filePath("VQ3_CNT.ini");
    for (int round = 0; round < 120; ++round) {
        QByteArray junk;
        const int length = random.bounded(400);
        for (int i = 0; i < length; ++i)
            junk +=
                round % 2 ? char(random.bounded(256)) : alphabet[random.bounded(alphabet.size())];
        QVERIFY(WriteFile(path, junk));
        Profile profile(path);
        profile.ReadInt("INIT", "PORT", 1);
        profile.ReadText("INIT", "OPENPARAM", QString());
        QVERIFY(profile.WriteInt("INIT", "MAIN_X", 4321));
        QCOMPARE(profile.ReadInt("INIT", "MAIN_X", 0), 4321);
        QVERIFY(Contents(path).size() >= junk.size());
    }
}

QTEST_APPLESS_MAIN(ProfileTest)
#include "tst_profile.moc"
