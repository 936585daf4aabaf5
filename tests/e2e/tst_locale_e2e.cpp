// The operator's locale never reaches the wire, the files or the fields: the same actions in
// a C and in a German (decimal comma) environment send the same bytes and show "." decimals.
#include "E2eRig.h"

#include <QHash>

#include <clocale>
#include <langinfo.h>

using vq3::test::Rig;

namespace {

const QByteArray kFullMenuProfile = "[INIT]\r\nPORT=1\r\nOPENPARAM=KORVANTIS\r\n";
const QByteArray kProgram = "CURE412:1.50,012.3,0.00,000.0,0.00,000.0,0.00,000.0,0.00,000.0,0.00,"
                            "000.0,0.00,000.0";

// The decimal separator of a locale, empty when the locale is not installed.
QByteArray DecimalPoint(const char* name) {
    const locale_t locale = ::newlocale(LC_ALL_MASK, name, locale_t(nullptr));
    if (!locale)
        return {};
    const QByteArray point = ::nl_langinfo_l(RADIXCHAR, locale);
    ::freelocale(locale);
    return point;
}

} // namespace

class LocaleE2eTest : public QObject {
    Q_OBJECT
private slots:
    void operatorActions_data();
    void operatorActions();
    void bothRunsSendTheSameBytes();

private:
    QHash<QString, QByteArray> m_sent; // by run
};

void LocaleE2eTest::operatorActions_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("point"); // its own decimal separator
    QTest::newRow("C") << QByteArray("C.UTF-8") << QByteArray(".");
    QTest::newRow("German") << QByteArray("de_DE.UTF-8") << QByteArray(",");
}

void LocaleE2eTest::operatorActions() {
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, point);
    if (DecimalPoint(locale.constData()).isEmpty())
        QSKIP(qPrintable(QStringLiteral("the locale %1 is not installed").arg(locale)));
    QCOMPARE(DecimalPoint(locale.constData()), point);

    Rig rig;
    const QString env = QString::fromLatin1(locale);
    QVERIFY(rig.Start({}, kFullMenuProfile, {"LC_ALL=" + env, "LANG=" + env, "LC_NUMERIC=" + env}));

    // A timed exposure of 12.5 s.
    QVERIFY(rig.Ui().Menu(32787));
    QVERIFY(rig.SetText("CLightControlDlg/idc_1027", "12.5"));
    QVERIFY(rig.Ui().Click("CLightControlDlg/idc_1013"));
    QVERIFY(rig.Sim().WaitReceived("AT012.5\r"));
    QTRY_COMPARE(rig.Text("CLightControlDlg/idc_1027"), QStringLiteral("12.5"));
    QVERIFY(rig.Ui().Click("CLightControlDlg/idc_1012"));
    QTRY_COMPARE(rig.Text("CLightControlDlg/idc_1035"), QStringLiteral("12.5"));

    // A program in watts, written, read back and saved to a file.
    rig.Ui().Set("CControllerDlg/idc_1001", "currentIndex", 3);
    rig.Ui().Set("CControllerDlg/idc_1019", "currentIndex", 1);
    QVERIFY(rig.SetText("CControllerDlg/idc_1000", "1.5"));
    QVERIFY(rig.SetText("CControllerDlg/idc_1002", "12.34"));
    QVERIFY(rig.Ui().Click("CControllerDlg/idc_1028"));
    QVERIFY(rig.Sim().WaitReceived(kProgram + '\r'));
    QTRY_COMPARE(rig.Text("CControllerDlg/idc_1000"), QStringLiteral("1.50"));
    QVERIFY(rig.SetText("CControllerDlg/idc_1000", ""));
    QVERIFY(rig.SetText("CControllerDlg/idc_1002", ""));
    QVERIFY(rig.Ui().Click("CControllerDlg/idc_1016"));
    QTRY_COMPARE(rig.Text("CControllerDlg/idc_1000"), QStringLiteral("1.50"));
    QCOMPARE(rig.Text("CControllerDlg/idc_1002"), QStringLiteral("12.3"));
    QCOMPARE(rig.Text("CControllerDlg/idc_1004"), QStringLiteral("0.00"));
    const QString programFile = rig.Path("program.txt");
    rig.Ui().Answer({}, {programFile});
    QVERIFY(rig.Ui().Click("CControllerDlg/idc_1018"));
    QTRY_VERIFY(QFile::exists(programFile));
    QFile saved(programFile);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(),
             QByteArray("Memory Step Program\r\nS-Mode:1\r\nI-Mode:2\r\n1.50,12.3\r\n"
                        "0.00,0.0\r\n0.00,0.0\r\n0.00,0.0\r\n0.00,0.0\r\n"
                        "0.00,0.0\r\n0.00,0.0\r\n"));

    // A shutter open pulse time.
    QVERIFY(rig.Ui().Menu(32784));
    QVERIFY(rig.WindowExists("CValueSettingDlg"));
    QVERIFY(rig.SetText("CValueSettingDlg/idc_1048", "123"));
    QVERIFY(rig.Ui().Click("CValueSettingDlg/idc_1045"));
    QVERIFY(rig.Sim().WaitReceived("SETT1123\r"));
    QVERIFY(rig.Ui().Click("CValueSettingDlg/idc_1046"));
    QTRY_COMPARE(rig.Text("CValueSettingDlg/idc_1049"), QStringLiteral("123"));
    QVERIFY(rig.Ui().Click("CValueSettingDlg/idc_2"));
    QTRY_VERIFY(!rig.WindowExists("CValueSettingDlg", 0));

    QVERIFY(rig.Ui().Prompts().isEmpty());
    QVERIFY(rig.Ui().Close());
    const QByteArray sent = rig.Sim().Received();
    QVERIFY(sent.contains("AT012.5\r"));
    QVERIFY(sent.contains("1.50,012.3"));
    m_sent.insert(QString::fromLatin1(QTest::currentDataTag()), sent);
}

void LocaleE2eTest::bothRunsSendTheSameBytes() {
    if (m_sent.size() < 2)
        QSKIP("a run was skipped or failed");
    QCOMPARE(m_sent.value("German"), m_sent.value("C"));
    QCOMPARE(m_sent.value("C"),
             QByteArray("INP\rAT012.5\rATQ\r" + kProgram + "\rCUREQ4\rSETT1?\rSETT1123\rSETT1?\r"));
}

QTEST_GUILESS_MAIN(LocaleE2eTest)
#include "tst_locale_e2e.moc"
