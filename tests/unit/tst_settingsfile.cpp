// The unit settings file: the seven "label,value" lines written, every rule of the reader,
// the description shown in the confirmations, and stores that fail without harming an old
// file.
#include "FileHelpers.h"
#include "files/SettingsFile.h"
#include "files/SettingsKeys.h"
#include "model/SettingRules.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using vq3::test::Contents;
using vq3::test::FileSizeLimit;
using vq3::test::ReadOnlyFolder;
using vq3::test::WriteFile;

using vq3::model::UnitSettingsRecord;

Q_DECLARE_METATYPE(vq3::model::UnitSettingsRecord)

namespace {

const QStringList kLabels = {"Program Mode(1/7:Step)",         "Lamp Alarm Time(*100h)",
                             "Forced Lamp Off Time(*100h)",    "Instantaneous Recovery(1:On/0:Off)",
                             "Shutter Response(1:High/0:Low)", "Shutter Open Pulse Time(ms)",
                             "Shutter Close Pulse Time(ms)"};

// The seven lines of a file holding `values`, each "label,value".
QStringList Lines(const QStringList& values) {
    QStringList lines;
    for (int i = 0; i < kLabels.size(); ++i)
        lines << kLabels[i] + "," + values.value(i);
    return lines;
}

QByteArray Joined(const QStringList& lines, const char* ending = "\r\n") {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + ending;
    return bytes;
}

const QStringList kExample = {"7", "30", "50", "1", "1", "50", "50"};
const UnitSettingsRecord kExampleRecord = {7, 30, 50, 1, 1, 50, 50};

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void storedBytes();
    void load_data();
    void load();
    void loadPathThatCannotBeOpened();
    void storeThenLoad_data();
    void storeThenLoad();
    void describe_data();
    void describe();
    void failedStoreKeepsOldFile_data();
    void failedStoreKeepsOldFile();
    void keys_data();
    void keys();
    void dialogValuesFitTheFile_data();
    void dialogValuesFitTheFile();
};

void SettingsFileTest::storedBytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath("unit.txt");
    QVERIFY(WriteFile(path, QByteArray(3000, 'o'))); // replaced entirely
    QVERIFY(vq3::files::StoreSettingsFile(path, kExampleRecord));
    QCOMPARE(Contents(path), QByteArray("Program Mode(1/7:Step),7\r\n"
                                        "Lamp Alarm Time(*100h),30\r\n"
                                        "Forced Lamp Off Time(*100h),50\r\n"
                                        "Instantaneous Recovery(1:On/0:Off),1\r\n"
                                        "Shutter Response(1:High/0:Low),1\r\n"
                                        "Shutter Open Pulse Time(ms),50\r\n"
                                        "Shutter Close Pulse Time(ms),50\r\n"));
}

void SettingsFileTest::load_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<UnitSettingsRecord>("record"); // what the reader stored

    const UnitSettingsRecord untouched = {-5, -5, -5, -5, -5, -5, -5};
    const auto with = [](QStringList values, int at, const QString& value) {
        values[at] = value;
        return values;
    };
    QTest::newRow("example") << Joined(Lines(kExample)) << true << kExampleRecord;
    QTest::newRow("LF line ends") << Joined(Lines(kExample), "\n") << true << kExampleRecord;
    QTest::newRow("last line without line end")
        << Joined(Lines(kExample)).chopped(2) << true << kExampleRecord;
    QTest::newRow("extra lines after the seventh")
        << Joined(Lines(kExample) + QStringList{"junk", "", "Program Mode(1/7:Step),3"}) << true
        << kExampleRecord;
    QTest::newRow("text before the label")
        << Joined(with(Lines(kExample), 0, "Saved: Program Mode(1/7:Step),7")) << true
        << kExampleRecord;
    QTest::newRow("empty value reads 0") << Joined(Lines(with(kExample, 1, ""))) << true
                                         << UnitSettingsRecord{7, 0, 50, 1, 1, 50, 50};
    QTest::newRow("leading blank and sign")
        << Joined(Lines(with(with(kExample, 0, " +1"), 6, "\t999"))) << true
        << UnitSettingsRecord{1, 30, 50, 1, 1, 50, 999};
    QTest::newRow("lowest values") << Joined(Lines({"1", "0", "0", "0", "0", "0", "0"})) << true
                                   << UnitSettingsRecord{1, 0, 0, 0, 0, 0, 0};
    QTest::newRow("pulse times the dialogs never send")
        << Joined(Lines(with(with(kExample, 5, "4"), 6, "501"))) << true
        << UnitSettingsRecord{7, 30, 50, 1, 1, 4, 501};

    // Out of range: the file fails, but every line is still read.
    QTest::newRow("program mode 2") << Joined(Lines(with(kExample, 0, "2"))) << false
                                    << UnitSettingsRecord{2, 30, 50, 1, 1, 50, 50};
    QTest::newRow("lamp alarm time 100") << Joined(Lines(with(kExample, 1, "100"))) << false
                                         << UnitSettingsRecord{7, 100, 50, 1, 1, 50, 50};
    QTest::newRow("empty program mode") << Joined(Lines(with(kExample, 0, ""))) << false
                                        << UnitSettingsRecord{0, 30, 50, 1, 1, 50, 50};
    QTest::newRow("recovery 2") << Joined(Lines(with(kExample, 3, "2"))) << false
                                << UnitSettingsRecord{7, 30, 50, 2, 1, 50, 50};
    QTest::newRow("pulse 1000") << Joined(Lines(with(kExample, 6, "1000"))) << false
                                << UnitSettingsRecord{7, 30, 50, 1, 1, 50, 1000};
    QTest::newRow("negative lamp off time") << Joined(Lines(with(kExample, 2, "-1"))) << false
                                            << UnitSettingsRecord{7, 30, -1, 1, 1, 50, 50};

    // Structure faults end the reading at that line.
    QTest::newRow("first line without comma")
        << Joined(with(Lines(kExample), 0, "Program Mode(1/7:Step) 7")) << false << untouched;
    QTest::newRow("six lines") << Joined(Lines(kExample).mid(0, 6)) << false
                               << UnitSettingsRecord{7, 30, 50, 1, 1, 50, -5};
    QTest::newRow("lines in another order")
        << Joined(QStringList{Lines(kExample)[1], Lines(kExample)[0]} + Lines(kExample).mid(2))
        << false << untouched;
    QTest::newRow("comma before the label")
        << Joined(with(Lines(kExample), 0, "x,Program Mode(1/7:Step),7")) << false << untouched;
    QTest::newRow("trailing blank") << Joined(Lines(with(kExample, 4, "1 "))) << false
                                    << UnitSettingsRecord{7, 30, 50, 1, -5, -5, -5};
    QTest::newRow("decimal value") << Joined(Lines(with(kExample, 5, "50.0"))) << false
                                   << UnitSettingsRecord{7, 30, 50, 1, 1, -5, -5};
    QTest::newRow("blank value") << Joined(Lines(with(kExample, 1, " "))) << false
                                 << UnitSettingsRecord{7, -5, -5, -5, -5, -5, -5};
    QTest::newRow("value too large for any integer")
        << Joined(Lines(with(kExample, 1, "99999999999999999999"))) << false
        << UnitSettingsRecord{7, 2147483647, 50, 1, 1, 50, 50};
    QTest::newRow("over-long line splits")
        << Joined(Lines(with(kExample, 0, QString(300, ' ') + "7"))) << false << untouched;
    QTest::newRow("label in small letters")
        << Joined(with(Lines(kExample), 2, "forced lamp off time(*100h),50")) << false
        << UnitSettingsRecord{7, 30, -5, -5, -5, -5, -5};
    QTest::newRow("empty file") << QByteArray() << false << untouched;
    QTest::newRow("binary junk") << QByteArray("\0\xff\x01,\r\n\0\0", 8) << false << untouched;
}

void SettingsFileTest::load() {
    QFETCH(QByteArray, content);
    QFETCH(bool, ok);
    QFETCH(UnitSettingsRecord, record);

    QBuffer buffer;
    buffer.setData(content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    UnitSettingsRecord read = {-5, -5, -5, -5, -5, -5, -5};
    QCOMPARE(vq3::files::LoadSettingsFile(&buffer, &read), ok);
    QCOMPARE(read, record);
}

void SettingsFileTest::loadPathThatCannotBeOpened() {
    QTemporaryDir dir;
    UnitSettingsRecord record = vq3::model::kNoSettings;
    QVERIFY(!vq3::files::LoadSettingsFile(dir.filePath("missing.txt"), &record));
    QVERIFY(!vq3::files::LoadSettingsFile(dir.path(), &record));
    QCOMPARE(record, vq3::model::kNoSettings);
}

void SettingsFileTest::storeThenLoad_data() {
    QTest::addColumn<UnitSettingsRecord>("record");
    QTest::newRow("example") << kExampleRecord;
    QTest::newRow("lowest") << UnitSettingsRecord{1, 0, 0, 0, 0, 0, 0};
    QTest::newRow("highest") << UnitSettingsRecord{7, 99, 99, 1, 1, 999, 999};
    QTest::newRow("mixed") << UnitSettingsRecord{1, 5, 98, 0, 1, 5, 500};
}

void SettingsFileTest::storeThenLoad() {
    QFETCH(UnitSettingsRecord, record);
    QTemporaryDir dir;
    const QString path = dir.filePath("unit.txt");
    QVERIFY(vq3::files::StoreSettingsFile(path, record));
    UnitSettingsRecord read = vq3::model::kNoSettings;
    QVERIFY(vq3::files::LoadSettingsFile(path, &read));
    QCOMPARE(read, record);
}

void SettingsFileTest::describe_data() {
    QTest::addColumn<UnitSettingsRecord>("record");
    QTest::addColumn<QString>("text");

    QTest::newRow("example") << kExampleRecord
                             << "Program Mode : 7 Step\n"
                                "Lamp Alarm Time : 3000 hour\n"
                                "Forced Lamp Off Time : 5000 hour\n"
                                "Instantaneous Recovery : ON\n"
                                "Shutter Response : HIGH\n"
                                "Shutter Open Pulse Time : 50 ms\n"
                                "Shutter Close Pulse Time : 50 ms\n";
    QTest::newRow("off and low") << UnitSettingsRecord{1, 0, 99, 0, 0, 5, 999}
                                 << "Program Mode : 1 Step\n"
                                    "Lamp Alarm Time : 0 hour\n"
                                    "Forced Lamp Off Time : 9900 hour\n"
                                    "Instantaneous Recovery : OFF\n"
                                    "Shutter Response : LOW\n"
                                    "Shutter Open Pulse Time : 5 ms\n"
                                    "Shutter Close Pulse Time : 999 ms\n";
}

void SettingsFileTest::describe() {
    QFETCH(UnitSettingsRecord, record);
    QFETCH(QString, text);
    QCOMPARE(vq3::files::DescribeSettings(record), text);
}

void SettingsFileTest::failedStoreKeepsOldFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("write fails midway") << "size-limit";
}

void SettingsFileTest::failedStoreKeepsOldFile() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString folder = dir.filePath("locked");
    QVERIFY(QDir(dir.path()).mkdir("locked"));
    const QString path = folder + "/unit.txt";
    const QByteArray old = Joined(Lines({"1", "2", "3", "0", "0", "10", "20"}));
    QVERIFY(WriteFile(path, old));

    bool stored = true;
    if (kind == "read-only") {
        ReadOnlyFolder readOnly(folder);
        if (!readOnly.Effective())
            QSKIP("this account writes into read-only folders");
        stored = vq3::files::StoreSettingsFile(path, kExampleRecord);
    } else {
        FileSizeLimit limit(32);
        QVERIFY(limit.Active());
        stored = vq3::files::StoreSettingsFile(path, kExampleRecord);
    }
    QVERIFY(!stored);
    QCOMPARE(Contents(path), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"unit.txt"});
}

// The named values scripts use: the example record under its keys, and what a change to one
// key does to the conversion back (`problem` starts the expected sentence; empty: accepted).
void SettingsFileTest::keys_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value"); // invalid: the key is left out
    QTest::addColumn<bool>("fileLimits");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<UnitSettingsRecord>("record");
    const auto with = [](int setting, int value) {
        UnitSettingsRecord record = kExampleRecord;
        record[setting] = value;
        return record;
    };
    using namespace vq3::model;
    QTest::newRow("as read") << "" << QVariant() << false << "" << kExampleRecord;
    QTest::newRow("one step") << "ProgramMode" << QVariant(1) << false << ""
                              << with(ProgramMode, 1);
    QTest::newRow("three steps") << "ProgramMode" << QVariant(3) << false
                                 << "ProgramMode must be 1 or 7" << kNoSettings;
    QTest::newRow("mode as text") << "ProgramMode" << QVariant("7") << false
                                  << "ProgramMode: Setting value is wrong." << kNoSettings;
    QTest::newRow("hours truncated")
        << "LampAlarmTime" << QVariant(3050) << false << "" << with(LampAlarmTime, 30);
    QTest::newRow("hours as uint")
        << "LampAlarmTime" << QVariant(9999u) << false << "" << with(LampAlarmTime, 99);
    QTest::newRow("hours as int64")
        << "ForcedLampOffTime" << QVariant(150LL) << false << "" << with(ForcedLampOffTime, 1);
    QTest::newRow("hours too many")
        << "ForcedLampOffTime" << QVariant(10000) << false
        << "ForcedLampOffTime: Setting value is out of range.(Set value within 0 or 1000 - 9900)"
        << kNoSettings;
    QTest::newRow("hours negative, dialog")
        << "LampAlarmTime" << QVariant(-50) << false << "" << with(LampAlarmTime, 0);
    QTest::newRow("hours negative, file") << "LampAlarmTime" << QVariant(-50) << true
                                          << "LampAlarmTime -50 is outside" << kNoSettings;
    QTest::newRow("hours as decimal") << "LampAlarmTime" << QVariant(3000.0) << false
                                      << "LampAlarmTime: Setting value is wrong." << kNoSettings;
    QTest::newRow("recovery off") << "InstantaneousRecovery" << QVariant(false) << false << ""
                                  << with(InstantRecovery, 0);
    QTest::newRow("recovery as number")
        << "InstantaneousRecovery" << QVariant(1) << false
        << "InstantaneousRecovery must be true or false." << kNoSettings;
    QTest::newRow("response low") << "ShutterResponse" << QVariant("LOW") << false << ""
                                  << with(ShutterResponse, 0);
    QTest::newRow("response lower case") << "ShutterResponse" << QVariant("high") << false
                                         << "ShutterResponse must be" << kNoSettings;
    QTest::newRow("pulse 5") << "ShutterOpenPulseTime" << QVariant(5) << false << ""
                             << with(ShutterOpenPulse, 5);
    QTest::newRow("pulse 500") << "ShutterClosePulseTime" << QVariant(500) << false << ""
                               << with(ShutterClosePulse, 500);
    QTest::newRow("pulse 4, dialog")
        << "ShutterOpenPulseTime" << QVariant(4) << false
        << "ShutterOpenPulseTime: Setting value is out of range.(Set value within 5 - 500)"
        << kNoSettings;
    QTest::newRow("pulse 4, file")
        << "ShutterOpenPulseTime" << QVariant(4) << true << "" << with(ShutterOpenPulse, 4);
    QTest::newRow("pulse 501, dialog")
        << "ShutterClosePulseTime" << QVariant(501) << false
        << "ShutterClosePulseTime: Setting value is out of range." << kNoSettings;
    QTest::newRow("pulse 1000, file") << "ShutterClosePulseTime" << QVariant(1000) << true
                                      << "ShutterClosePulseTime 1000 is outside" << kNoSettings;
    QTest::newRow("huge unsigned")
        << "ShutterClosePulseTime" << QVariant(~0ULL) << false
        << "ShutterClosePulseTime: Setting value is out of range." << kNoSettings;
    QTest::newRow("key missing") << "ShutterResponse" << QVariant() << false
                                 << "The settings lack ShutterResponse." << kNoSettings;
    QTest::newRow("unknown key") << "ControlMode" << QVariant(1) << false
                                 << "The unit has no setting named \"ControlMode\"." << kNoSettings;
}

void SettingsFileTest::keys() {
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(bool, fileLimits);
    QFETCH(QString, problem);
    QFETCH(UnitSettingsRecord, record);
    QVariantMap keys = vq3::files::SettingsToKeys(kExampleRecord);
    QCOMPARE(keys, (QVariantMap{{"ProgramMode", 7},
                                {"LampAlarmTime", 3000},
                                {"ForcedLampOffTime", 5000},
                                {"InstantaneousRecovery", true},
                                {"ShutterResponse", "HIGH"},
                                {"ShutterOpenPulseTime", 50},
                                {"ShutterClosePulseTime", 50}}));
    if (!key.isEmpty() && value.isValid())
        keys[key] = value;
    else if (!key.isEmpty())
        keys.remove(key);
    const auto limits =
        fileLimits ? vq3::files::SettingsLimits::File : vq3::files::SettingsLimits::Dialogs;
    const vq3::files::SettingsFromKeysResult result = vq3::files::SettingsFromKeys(keys, limits);
    QVERIFY2(problem.isEmpty() ? result.problem.isEmpty() : result.problem.startsWith(problem),
             qPrintable(result.problem));
    if (problem.isEmpty())
        QCOMPARE(result.record, record);
    // Settings not yet received are left out rather than sent as -1.
    UnitSettingsRecord partial = kExampleRecord;
    partial[vq3::model::ShutterResponse] = -1;
    QVERIFY(!vq3::files::SettingsToKeys(partial).contains("ShutterResponse"));
}

// What a dialog or a script may set, the unit reports back and the file must hold: the ends
// of every setting's dialog range (a choice's two entries) are saved and read back.
void SettingsFileTest::dialogValuesFitTheFile_data() {
    QTest::addColumn<int>("end"); // 0 the lowest (entry 0), 1 the highest (entry 1)
    QTest::newRow("lowest") << 0;
    QTest::newRow("highest") << 1;
}

void SettingsFileTest::dialogValuesFitTheFile() {
    QFETCH(int, end);
    UnitSettingsRecord record = vq3::model::kNoSettings;
    for (int i = 0; i < vq3::model::kUnitSettingCount; ++i) {
        const vq3::model::SettingRule& rule = *vq3::model::RuleOfSetting(i);
        const vq3::model::SettingRange range = rule.dialog;
        record[i] =
            vq3::model::IsChoice(rule) ? rule.entries[end] : (end ? range.maximum : range.minimum);
    }
    QTemporaryDir dir;
    UnitSettingsRecord read = vq3::model::kNoSettings;
    QVERIFY(vq3::files::StoreSettingsFile(dir.filePath("unit.txt"), record));
    QVERIFY(vq3::files::LoadSettingsFile(dir.filePath("unit.txt"), &read));
    QCOMPARE(read, record);
    const vq3::files::SettingsFromKeysResult keys = vq3::files::SettingsFromKeys(
        vq3::files::SettingsToKeys(record), vq3::files::SettingsLimits::File);
    QVERIFY2(keys.problem.isEmpty(), qPrintable(keys.problem));
}

QTEST_APPLESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
