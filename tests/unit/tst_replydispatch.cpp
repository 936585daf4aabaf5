// Reply dispatch: what each reply writes into the windows and the unit state, the gating by
// the open setting dialog, the status word and its indicators, and the device errors.
#include "control/UnitStatus.h"
#include "link/ReplyDispatch.h"

#include <QStringList>
#include <QTest>

using vq3::link::DeviceState;
using vq3::link::Readout;

namespace {

// Writes every call down as one text, in order.
class RecordingTarget : public vq3::link::ReplyTarget {
public:
    QStringList calls;

    void StatusChanged() override { calls << QStringLiteral("status"); }
    void ShowProgramReplyPercent(const char* line) override {
        calls << QStringLiteral("percent ") + QString::fromLatin1(line);
    }
    void ShowProgramReplyWatts(const char* line) override {
        calls << QStringLiteral("watts ") + QString::fromLatin1(line);
    }
    void ShowStepReply(const char* line) override {
        calls << QStringLiteral("step ") + QString::fromLatin1(line);
    }
    void SetReadout(Readout readout, const QString& text) override {
        calls << QStringLiteral("readout %1 %2").arg(static_cast<int>(readout)).arg(text);
    }
    void SelectSettingChoice(int index) override {
        calls << QStringLiteral("select %1").arg(index);
    }
    void SetSettingReadout(const QString& text) override {
        calls << QStringLiteral("setting ") + text;
    }
    void ReportDeviceError(const QString& text) override {
        calls << QStringLiteral("error ") + text;
    }
};

QByteArray ProgramReply(const QByteArray& step) {
    QByteArray line = "CURE312:";
    for (int i = 0; i < 7; ++i)
        line += (i ? "," : "") + step;
    return line;
}

QString LitPattern(const DeviceState& state) {
    QString lit;
    for (int indicator = 0; indicator < 6; ++indicator)
        lit += vq3::control::IndicatorLit(indicator, state.StatusWord, state.extendedStatus)
                   ? QLatin1Char('1')
                   : QLatin1Char('0');
    return lit;
}

using Settings = QList<int>;
const Settings kNone = {-1, -1, -1, -1, -1, -1, -1};

Settings With(int index, int value) {
    Settings settings = kNone;
    settings[index] = value;
    return settings;
}

} // namespace

class ReplyDispatchTest : public QObject {
    Q_OBJECT
private slots:
    void handlers_data();
    void handlers();
    void statusWord_data();
    void statusWord();
    void ngScan_data();
    void ngScan();
    void indicatorsOutsideTheSix();
};

void ReplyDispatchTest::handlers_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("activeSetting");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<Settings>("settings");

    const QString err05 = QStringLiteral("error ERR05 : Memory Step Error...");
    const QString err = QStringLiteral("error ERR : Command Error...");
    const QString ng03 = QStringLiteral("error NG03: Shutter auto operation is going on.");

    // Light Control read-outs.
    QTest::newRow("INT050") << QByteArray("INT050") << 0 << QStringList{"readout 1034 50"} << kNone;
    QTest::newRow("INT000") << QByteArray("INT000") << 0 << QStringList{"readout 1034 0"} << kNone;
    QTest::newRow("INT100") << QByteArray("INT100") << 3 << QStringList{"readout 1034 100"}
                            << kNone;
    QTest::newRow("AT012.5") << QByteArray("AT012.5") << 0 << QStringList{"readout 1035 12.5"}
                             << kNone;
    QTest::newRow("AT000.0") << QByteArray("AT000.0") << 0 << QStringList{"readout 1035 0.0"}
                             << kNone;
    QTest::newRow("AT999.9") << QByteArray("AT999.9") << 0 << QStringList{"readout 1035 999.9"}
                             << kNone;
    QTest::newRow("ATT007.0") << QByteArray("ATT007.0") << 0 << QStringList{"readout 1036 7.0"}
                              << kNone;
    QTest::newRow("ATTOK012.5") << QByteArray("ATTOK012.5") << 0 << QStringList{"readout 1036 12.5"}
                                << kNone;
    QTest::newRow("ATTOK100.1") << QByteArray("ATTOK100.1") << 0
                                << QStringList{"readout 1036 100.1"} << kNone;
    QTest::newRow("LIFOK0123") << QByteArray("LIFOK0123") << 0 << QStringList{"readout 1043 123"}
                               << kNone;
    QTest::newRow("LIFOK9999") << QByteArray("LIFOK9999") << 0 << QStringList{"readout 1043 9999"}
                               << kNone;

    // Lines handed on whole, and lines with no action.
    QTest::newRow("CURE percent") << ProgramReply("050,010.0") << 0
                                  << QStringList{QString::fromLatin1("percent " +
                                                                     ProgramReply("050,010.0"))}
                                  << kNone;
    QTest::newRow("CURE watts") << ProgramReply("1.25,002.5") << 0
                                << QStringList{QString::fromLatin1("watts " +
                                                                   ProgramReply("1.25,002.5"))}
                                << kNone;
    QTest::newRow("STP3") << QByteArray("STP3") << 0 << QStringList{"step STP3"} << kNone;
    QTest::newRow("VER") << QByteArray("VER12345678") << 0 << QStringList{} << kNone;
    QTest::newRow("VQ") << QByteArray("VQ3") << 0 << QStringList{} << kNone;

    // Control mode: shown only in its own dialog, never stored.
    QTest::newRow("CNT0 open") << QByteArray("CNT0") << 1 << QStringList{"select 1"} << kNone;
    QTest::newRow("CNT1 open") << QByteArray("CNT1") << 1 << QStringList{"select 0"} << kNone;
    QTest::newRow("CNT1 closed") << QByteArray("CNT1") << 0 << QStringList{} << kNone;
    QTest::newRow("CNT1 other dialog") << QByteArray("CNT1") << 2 << QStringList{} << kNone;
    QTest::newRow("CNT4 open") << QByteArray("CNT4") << 1 << QStringList{} << kNone;

    // Lamp times: hundreds of hours, 00 shows 1; stored whether or not the dialog is open.
    QTest::newRow("LAMPERR00 open")
        << QByteArray("LAMPERR00") << 3 << QStringList{"setting 1"} << With(1, 0);
    QTest::newRow("LAMPERR30 open")
        << QByteArray("LAMPERR30") << 3 << QStringList{"setting 3000"} << With(1, 30);
    QTest::newRow("LAMPERR01 open")
        << QByteArray("LAMPERR01") << 3 << QStringList{"setting 100"} << With(1, 1);
    QTest::newRow("LAMPERR30 closed")
        << QByteArray("LAMPERR30") << 0 << QStringList{} << With(1, 30);
    QTest::newRow("LAMPERR30 off dialog")
        << QByteArray("LAMPERR30") << 4 << QStringList{} << With(1, 30);
    QTest::newRow("LAMPOFF50 open")
        << QByteArray("LAMPOFF50") << 4 << QStringList{"setting 5000"} << With(2, 50);
    QTest::newRow("LAMPOFF00 open")
        << QByteArray("LAMPOFF00") << 4 << QStringList{"setting 1"} << With(2, 0);
    QTest::newRow("LAMPOFF99 alarm dialog")
        << QByteArray("LAMPOFF99") << 3 << QStringList{} << With(2, 99);

    // On/off choices: 1 is entry 0, 0 is entry 1, other digits change nothing.
    QTest::newRow("IB0 open") << QByteArray("IB0") << 5 << QStringList{"select 1"} << With(3, 0);
    QTest::newRow("IB1 open") << QByteArray("IB1") << 5 << QStringList{"select 0"} << With(3, 1);
    QTest::newRow("IB1 other dialog") << QByteArray("IB1") << 6 << QStringList{} << With(3, 1);
    QTest::newRow("IB7") << QByteArray("IB7") << 5 << QStringList{} << kNone;
    QTest::newRow("SRESP0 open") << QByteArray("SRESP0") << 6 << QStringList{"select 1"}
                                 << With(4, 0);
    QTest::newRow("SRESP1 open") << QByteArray("SRESP1") << 6 << QStringList{"select 0"}
                                 << With(4, 1);
    QTest::newRow("SRESP1 closed") << QByteArray("SRESP1") << 0 << QStringList{} << With(4, 1);
    QTest::newRow("SRESP5") << QByteArray("SRESP5") << 6 << QStringList{} << kNone;

    // Pulse times in ms.
    QTest::newRow("SETT1100 open")
        << QByteArray("SETT1100") << 7 << QStringList{"setting 100"} << With(5, 100);
    QTest::newRow("SETT1005 open")
        << QByteArray("SETT1005") << 7 << QStringList{"setting 5"} << With(5, 5);
    QTest::newRow("SETT1100 close dialog")
        << QByteArray("SETT1100") << 8 << QStringList{} << With(5, 100);
    QTest::newRow("SETT2050 open")
        << QByteArray("SETT2050") << 8 << QStringList{"setting 50"} << With(6, 50);
    QTest::newRow("SETT2500 open dialog 7")
        << QByteArray("SETT2500") << 7 << QStringList{} << With(6, 500);

    // Program mode.
    QTest::newRow("1STEP open") << QByteArray("1STEP") << 2 << QStringList{"select 1"}
                                << With(0, 1);
    QTest::newRow("7STEP open") << QByteArray("7STEP") << 2 << QStringList{"select 0"}
                                << With(0, 7);
    QTest::newRow("1STEP closed") << QByteArray("1STEP") << 0 << QStringList{} << With(0, 1);
    QTest::newRow("7STEP choice dialog 1")
        << QByteArray("7STEP") << 1 << QStringList{} << With(0, 7);

    // Device errors.
    QTest::newRow("ERR05") << QByteArray("ERR05") << 0 << QStringList{err05} << kNone;
    QTest::newRow("ERR") << QByteArray("ERR") << 3 << QStringList{err} << kNone;
    QTest::newRow("ERR1") << QByteArray("ERR1") << 0 << QStringList{} << kNone;
    QTest::newRow("NG03") << QByteArray("NG03") << 0 << QStringList{ng03} << kNone;
    QTest::newRow("NG3") << QByteArray("NG3") << 0 << QStringList{ng03} << kNone;
    QTest::newRow("NG03x") << QByteArray("NG03x") << 0 << QStringList{} << kNone;
    QTest::newRow("NG9") << QByteArray("NG9") << 0 << QStringList{} << kNone;
    QTest::newRow("typed NG echo") << QByteArray(">NG3") << 0 << QStringList{ng03} << kNone;

    // Near misses do nothing.
    QTest::newRow("AT12.50") << QByteArray("AT12.50") << 0 << QStringList{} << kNone;
    QTest::newRow("INT050 blank") << QByteArray("INT050 ") << 0 << QStringList{} << kNone;
    QTest::newRow("LAMPERR3") << QByteArray("LAMPERR3") << 3 << QStringList{} << kNone;
    QTest::newRow("echo") << QByteArray(">LAMPERR?") << 3 << QStringList{} << kNone;
}

void ReplyDispatchTest::handlers() {
    QFETCH(QByteArray, line);
    QFETCH(int, activeSetting);
    QFETCH(QStringList, calls);
    QFETCH(Settings, settings);

    DeviceState state;
    state.StatusWord = 0x1234;
    state.extendedStatus = 1;
    state.ActiveSetting = activeSetting;
    RecordingTarget target;
    vq3::link::DispatchReply(line.constData(), state, target);

    QCOMPARE(target.calls, calls);
    QCOMPARE(Settings(state.UnitSettings.begin(), state.UnitSettings.end()), settings);
    // Only status replies touch the status.
    QCOMPARE(state.StatusWord, std::uint16_t(0x1234));
    QCOMPARE(state.extendedStatus, 1);
    QCOMPARE(state.ActiveSetting, activeSetting);
}

void ReplyDispatchTest::statusWord_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("statusWord");
    QTest::addColumn<int>("extended");
    // Indicators "Lamp On", "Lamp Stable", "Shutter Open", "MIN", "MAX", "Error".
    QTest::addColumn<QString>("lit");

    QTest::newRow("INP05") << QByteArray("INP05") << 0x05 << 0 << "101000";
    QTest::newRow("INP0C1") << QByteArray("INP0C1") << 0x0C1 << 1 << "100001";
    QTest::newRow("short 21: lamp and error") << QByteArray("INP21") << 0x21 << 0 << "100001";
    QTest::newRow("long 021: bit 5 ignored") << QByteArray("INP021") << 0x21 << 1 << "100000";
    QTest::newRow("long 040: error") << QByteArray("INP040") << 0x40 << 1 << "000001";
    QTest::newRow("long 800: error") << QByteArray("INP800") << 0x800 << 1 << "000001";
    QTest::newRow("long 020 only bit 5") << QByteArray("INP020") << 0x20 << 1 << "000000";
    QTest::newRow("short C0: nothing") << QByteArray("INPC0") << 0xC0 << 0 << "000000";
    QTest::newRow("short 1F") << QByteArray("INP1F") << 0x1F << 0 << "111110";
    QTest::newRow("lower ff") << QByteArray("INPff") << 0xFF << 0 << "111111";
    QTest::newRow("upper FF") << QByteArray("INPFF") << 0xFF << 0 << "111111";
    QTest::newRow("mixed aB") << QByteArray("INPaB") << 0xAB << 0 << "110101";
    QTest::newRow("long fff") << QByteArray("INPfff") << 0xFFF << 1 << "111111";
    QTest::newRow("zz") << QByteArray("INPzz") << 0 << 0 << "000000";
    QTest::newRow("3z: leading digit") << QByteArray("INP3z") << 0x3 << 0 << "110000";
    QTest::newRow("x5: nothing usable") << QByteArray("INPx5") << 0 << 0 << "000000";
    QTest::newRow("leading blank") << QByteArray("INP 5") << 0x5 << 0 << "101000";
    QTest::newRow("plus sign") << QByteArray("INP+5") << 0x5 << 0 << "101000";
    QTest::newRow("minus sign") << QByteArray("INP-1") << 0xFFFF << 0 << "111111";
    QTest::newRow("0x prefix") << QByteArray("INP0x5") << 0x5 << 1 << "101000";
    QTest::newRow("0X prefix") << QByteArray("INP0XC") << 0xC << 1 << "001100";
    QTest::newRow("0x without digit") << QByteArray("INP0xg") << 0 << 1 << "000000";
    QTest::newRow("sign and 0x alone") << QByteArray("INP-0x") << 0 << 1 << "000000";
    QTest::newRow("digit after letter ignored") << QByteArray("INP1g2") << 0x1 << 1 << "100000";
}

void ReplyDispatchTest::statusWord() {
    QFETCH(QByteArray, line);
    QFETCH(int, statusWord);
    QFETCH(int, extended);
    QFETCH(QString, lit);

    DeviceState state;
    state.StatusWord = 0x5A5A; // a previous report
    state.extendedStatus = 1 - extended;
    RecordingTarget target;
    vq3::link::DispatchReply(line.constData(), state, target);

    QCOMPARE(state.StatusWord, static_cast<std::uint16_t>(statusWord));
    QCOMPARE(state.extendedStatus, extended);
    QCOMPARE(target.calls, QStringList{"status"});
    QCOMPARE(LitPattern(state), lit);
    QCOMPARE(Settings(state.UnitSettings.begin(), state.UnitSettings.end()), kNone);
}

void ReplyDispatchTest::ngScan_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("message");

    QTest::newRow("NG01") << QByteArray("NG01") << 14;
    QTest::newRow("NG1") << QByteArray("NG1") << 14;
    QTest::newRow("NG02") << QByteArray("NG02") << 15;
    QTest::newRow("NG03") << QByteArray("NG03") << 16;
    QTest::newRow("NG3") << QByteArray("NG3") << 16;
    QTest::newRow("NG04") << QByteArray("NG04") << 17;
    QTest::newRow("NG05") << QByteArray("NG05") << 18;
    QTest::newRow("NG5") << QByteArray("NG5") << 18;
    QTest::newRow("NG00") << QByteArray("NG00") << 0;
    QTest::newRow("NG06") << QByteArray("NG06") << 0;
    QTest::newRow("NG9") << QByteArray("NG9") << 0;
    QTest::newRow("NG10") << QByteArray("NG10") << 0;
    QTest::newRow("NG alone") << QByteArray("NG") << 0;
    QTest::newRow("no NG") << QByteArray("OK03") << 0;
    QTest::newRow("lower ng") << QByteArray("ng03") << 0;
    QTest::newRow("N G") << QByteArray("N G3") << 0;
    QTest::newRow("trailing letter") << QByteArray("NG03x") << 0;
    QTest::newRow("trailing blank") << QByteArray("NG03 ") << 0;
    QTest::newRow("point") << QByteArray("NG3.0") << 0;
    QTest::newRow("leading blank") << QByteArray("NG 3") << 16;
    QTest::newRow("leading tab") << QByteArray("NG\t2") << 15;
    QTest::newRow("plus sign") << QByteArray("NG+4") << 17;
    QTest::newRow("minus sign") << QByteArray("NG-3") << 0;
    QTest::newRow("sign alone") << QByteArray("NG+") << 0;
    QTest::newRow("letter first") << QByteArray("NGx3") << 0;
    QTest::newRow("text before") << QByteArray("STATUS NG2") << 15;
    QTest::newRow("NN before") << QByteArray("NNG1") << 14;
    QTest::newRow("first NG counts") << QByteArray("NG2NG3") << 0;
    QTest::newRow("typed echo") << QByteArray(">NG05") << 18;
    QTest::newRow("many zeros") << QByteArray("NG000000000000000000003") << 16;
    QTest::newRow("past 32 bits") << QByteArray("NG4294967297") << 0;
    QTest::newRow("past 64 bits") << QByteArray("NG18446744073709551617") << 0;
    QTest::newRow("far past 64 bits") << QByteArray("NG-18446744073709551615") << 0;
}

void ReplyDispatchTest::ngScan() {
    QFETCH(QByteArray, line);
    QFETCH(int, message);
    QCOMPARE(vq3::link::ScanNg(line.constData()), message);
}

void ReplyDispatchTest::indicatorsOutsideTheSix() {
    QVERIFY(!vq3::control::IndicatorLit(-1, 0xFFFF, 0));
    QVERIFY(!vq3::control::IndicatorLit(6, 0xFFFF, 1));
}

QTEST_APPLESS_MAIN(ReplyDispatchTest)
#include "tst_replydispatch.moc"
