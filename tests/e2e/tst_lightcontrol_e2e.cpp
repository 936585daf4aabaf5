// The Light Control window with the real controller and simulator: the lamp and its status
// indicators, holding "Up" and "Down", a timed exposure and the lamp time.
#include "E2eRig.h"

using vq3::test::Rig;

namespace {

const QString kLampButton = QStringLiteral("CLightControlDlg/idc_1005");
const QString kStatusRead = QStringLiteral("CLightControlDlg/idc_1006");
const QString kIntensityRead = QStringLiteral("CLightControlDlg/idc_1009");
const QString kIntensity = QStringLiteral("CLightControlDlg/idc_1034");
const QString kLampTimeRead = QStringLiteral("CLightControlDlg/idc_1003");
const QString kLampTimeReset = QStringLiteral("CLightControlDlg/idc_1004");
const QString kLampTime = QStringLiteral("CLightControlDlg/idc_1043");
const QString kManualShutter = QStringLiteral("CLightControlDlg/idc_1010");
const QString kAutoOpen = QStringLiteral("CLightControlDlg/idc_1011");
const QString kAutoTimeField = QStringLiteral("CLightControlDlg/idc_1027");
const QString kAutoTimeSet = QStringLiteral("CLightControlDlg/idc_1013");
const QString kAutoTimeRead = QStringLiteral("CLightControlDlg/idc_1012");
const QString kAutoTime = QStringLiteral("CLightControlDlg/idc_1035");
const QString kRestTimeRead = QStringLiteral("CLightControlDlg/idc_1014");
const QString kRestTime = QStringLiteral("CLightControlDlg/idc_1036");

enum Lamp { LampOn = 1037, LampStable, ShutterOpen, MinIntensity, MaxIntensity, Error };

bool Lit(Rig& rig, int indicator) {
    return rig.Ui()
               .Get(QStringLiteral("CLightControlDlg/idc_%1").arg(indicator),
                    QStringLiteral("accessibleDescription"))
               .toString() == QLatin1String("lit");
}

// The six indicators as a word of bits, lowest "Lamp On".
int Indicators(Rig& rig) {
    int bits = 0;
    for (int id = LampOn; id <= Error; ++id)
        if (Lit(rig, id))
            bits |= 1 << (id - LampOn);
    return bits;
}

bool ShowLightControl(Rig& rig) {
    return rig.Ui().Menu(32787) &&
           QTest::qWaitFor([&] { return rig.Ui().Get("CLightControlDlg", "visible").toBool(); },
                           5000);
}

// A number shown in a read-out; -1 while it shows none.
double Number(Rig& rig, const QString& readout) {
    bool ok = false;
    const double value = rig.Text(readout).toDouble(&ok);
    return ok ? value : -1;
}

} // namespace

class LightControlE2eTest : public QObject {
    Q_OBJECT
private slots:
    void lampAndStatusIndicators();
    void holdingUpOrDown_data();
    void holdingUpOrDown();
    void timedExposure();
    void lampTimeAndReset();
};

void LightControlE2eTest::lampAndStatusIndicators() {
    Rig rig;
    QVERIFY(rig.Start({"--warmup", "2500"}));
    QVERIFY(ShowLightControl(rig));
    // The start-up status: lamp off, intensity 50 %, nothing lit.
    QCOMPARE(Indicators(rig), 0);
    QCOMPARE(rig.Text(kLampButton), QStringLiteral("On"));

    rig.Mark();
    QVERIFY(rig.Ui().Click(kLampButton));
    QVERIFY(rig.WaitSinceMark("L1\r"));
    QVERIFY(rig.Ui().Click(kStatusRead));
    QTRY_VERIFY(Lit(rig, LampOn));
    QCOMPARE(rig.SinceMark(), QByteArray("L1\rINP\r"));
    QCOMPARE(Indicators(rig), 1 << 0); // warming up: not stable yet
    QCOMPARE(rig.Text(kLampButton), QStringLiteral("Off"));
    QCOMPARE(rig.Text(kManualShutter), QStringLiteral("Open"));

    // Stable once the warm-up is over, seen at a later status read.
    QVERIFY(rig.AskUntil(
        kStatusRead, [&] { return Lit(rig, LampStable); }, 10000, 500));
    QCOMPARE(Indicators(rig), (1 << 0) | (1 << 1));

    // The button now asks for the lamp to go out, because the unit reported it on.
    rig.Mark();
    QVERIFY(rig.Ui().Click(kLampButton));
    QVERIFY(rig.WaitSinceMark("L0\r"));
    QVERIFY(rig.Ui().Click(kStatusRead));
    QTRY_COMPARE(Indicators(rig), 0);
    QCOMPARE(rig.Text(kLampButton), QStringLiteral("On"));
    QCOMPARE(rig.SinceMark(), QByteArray("L0\rINP\r"));

    // The manual shutter follows the same rule.
    rig.Mark();
    QVERIFY(rig.Ui().Click(kManualShutter));
    QVERIFY(rig.WaitSinceMark("S1\r"));
    QVERIFY(rig.Ui().Click(kStatusRead));
    QTRY_VERIFY(Lit(rig, ShutterOpen));
    QCOMPARE(rig.Text(kManualShutter), QStringLiteral("Close"));
    QVERIFY(rig.Ui().Click(kManualShutter));
    QVERIFY(rig.WaitSinceMark("S1\rINP\rS0\r"));
    QVERIFY(rig.Ui().Prompts().isEmpty());
}

void LightControlE2eTest::holdingUpOrDown_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("press");
    QTest::addColumn<int>("direction");
    QTest::newRow("Up") << QStringLiteral("CLightControlDlg/idc_1007") << QByteArray("INT1\r") << 1;
    QTest::newRow("Down") << QStringLiteral("CLightControlDlg/idc_1008") << QByteArray("INT2\r")
                          << -1;
}

void LightControlE2eTest::holdingUpOrDown() {
    QFETCH(QString, button);
    QFETCH(QByteArray, press);
    QFETCH(int, direction);
    Rig rig;
    QVERIFY(rig.Start({"--ramp", "10"}));
    QVERIFY(ShowLightControl(rig));
    QVERIFY(rig.Ui().Click(kIntensityRead));
    QTRY_VERIFY(Number(rig, kIntensity) >= 0);
    const double before = Number(rig, kIntensity);

    rig.Mark();
    QVERIFY(rig.Ui().Simple(QStringLiteral("press"), button));
    QVERIFY(rig.WaitSinceMark(press));
    QTest::qWait(1000);               // the operator holds the button for a second
    QCOMPARE(rig.SinceMark(), press); // nothing is repeated while it is held
    QVERIFY(rig.Ui().Simple(QStringLiteral("release"), button));
    QVERIFY(rig.WaitSinceMark(press + "INT0\r"));

    QVERIFY(rig.Ui().Click(kIntensityRead));
    QTRY_VERIFY2((Number(rig, kIntensity) - before) * direction >= 5,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(rig.Text(kIntensity))));
    QCOMPARE(rig.SinceMark(), press + "INT0\rINTQ\r"); // exactly one INT0
    QVERIFY(rig.Ui().Prompts().isEmpty());
}

void LightControlE2eTest::timedExposure() {
    Rig rig;
    QVERIFY(rig.Start());
    QVERIFY(ShowLightControl(rig));

    rig.Mark();
    QVERIFY(rig.SetText(kAutoTimeField, QStringLiteral("2")));
    QVERIFY(rig.Ui().Click(kAutoTimeSet));
    QVERIFY(rig.WaitSinceMark("AT002.0\r"));
    QTRY_COMPARE(rig.Text(kAutoTimeField), QStringLiteral("2.0"));
    QVERIFY(rig.Ui().Click(kAutoTimeRead));
    QTRY_COMPARE(rig.Text(kAutoTime), QStringLiteral("2.0"));

    QVERIFY(rig.Ui().Click(kAutoOpen));
    QVERIFY(rig.WaitSinceMark("ATS\r"));
    QVERIFY(rig.Ui().Click(kRestTimeRead));
    QTRY_VERIFY(Number(rig, kRestTime) >= 0);
    const double first = Number(rig, kRestTime);
    QVERIFY2(first > 0 && first <= 2.0, qPrintable(rig.Text(kRestTime)));
    QCOMPARE(rig.SinceMark(), QByteArray("AT002.0\rATQ\rATS\rATT\r"));
    QVERIFY(rig.Ui().Click(kStatusRead));
    QTRY_VERIFY(Lit(rig, ShutterOpen));
    QCOMPARE(rig.Text(kManualShutter), QStringLiteral("Close"));

    // A second opening meanwhile is refused; the box belongs to this window, the active one.
    rig.Ui().Request({{"cmd", "activate"}, {"path", "CLightControlDlg"}});
    QVERIFY(rig.Ui().Click(kAutoOpen));
    QVERIFY(rig.WaitPrompt(QStringLiteral("NG03: Shutter auto operation is going on.")));
    const QJsonObject refusal = rig.Ui().Prompts().last().toObject();
    QCOMPARE(refusal["caption"].toString(), QStringLiteral("Error"));
    QCOMPARE(refusal["owner"].toString(), QStringLiteral("CLightControlDlg"));
    QCOMPARE(rig.Ui().Prompts().size(), 1);

    // The rest time counts down, and the shutter closes when it runs out.
    QVERIFY(rig.AskUntil(kRestTimeRead, [&] {
        const double now = Number(rig, kRestTime);
        return now >= 0 && now < first;
    }));
    QVERIFY(rig.AskUntil(
        kStatusRead, [&] { return !Lit(rig, ShutterOpen); }, 6000, 500));
    QCOMPARE(rig.Text(kManualShutter), QStringLiteral("Open"));
    QVERIFY(rig.Ui().Click(kRestTimeRead));
    QTRY_COMPARE(rig.Text(kRestTime), QStringLiteral("0.0"));
}

void LightControlE2eTest::lampTimeAndReset() {
    Rig rig;
    // Ten lamp hours a second.
    QVERIFY(rig.Start({"--warmup", "300", "--clock-speed", "36000"}));
    QVERIFY(ShowLightControl(rig));
    QVERIFY(rig.Ui().Click(kLampTimeRead));
    QTRY_COMPARE(rig.Text(kLampTime), QStringLiteral("0"));

    QVERIFY(rig.Ui().Click(kLampButton));
    QVERIFY(rig.Sim().WaitReceived("L1\r"));
    QVERIFY(rig.AskUntil(
        kLampTimeRead, [&] { return Number(rig, kLampTime) >= 10; }, 8000, 400));
    // Put the lamp out (once stable) so the hours stand still.
    QVERIFY(rig.AskUntil(kStatusRead, [&] { return Lit(rig, LampStable); }));
    rig.Mark();
    QVERIFY(rig.Ui().Click(kLampButton));
    QVERIFY(rig.WaitSinceMark("L0\r"));
    const double hours = Number(rig, kLampTime);

    rig.Mark();
    QVERIFY(rig.Ui().Click(kLampTimeReset));
    QVERIFY(rig.WaitSinceMark("LAMPCLR\r"));
    QCOMPARE(rig.Text(kLampTime), QString::number(hours)); // a reset reports nothing
    QVERIFY(rig.Ui().Click(kLampTimeRead));
    QTRY_COMPARE(rig.Text(kLampTime), QStringLiteral("0"));
    QCOMPARE(rig.SinceMark(), QByteArray("LAMPCLR\rLIF\r"));
    QVERIFY(rig.Ui().Prompts().isEmpty());
}

QTEST_GUILESS_MAIN(LightControlE2eTest)
#include "tst_lightcontrol_e2e.moc"
