// The unit settings file's waits with the real controller and a unit that never answers:
// each ends at its limit with "Failed to connect.", the operations greyed meanwhile.
#include "SettingsE2e.h"

using vq3::test::Rig;
using namespace vq3::test::settings;

class SettingsWaitsE2eTest : public QObject {
    Q_OBJECT
private slots:
    void silentUnitTimesOut_data();
    void silentUnitTimesOut();
};

void SettingsWaitsE2eTest::silentUnitTimesOut_data() {
    QTest::addColumn<int>("menu");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("Save waits 5 s") << int(Save) << false << 4500 << 7000;
    QTest::newRow("Open waits 1 + 5 s") << int(Open) << true << 5500 << 8000;
}

void SettingsWaitsE2eTest::silentUnitTimesOut() {
    QFETCH(int, menu);
    QFETCH(bool, withFile);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    Rig rig;
    QVERIFY(rig.Start({"--silent"}, kFullMenuProfile));
    QVERIFY(rig.Ui().Menu(32787)); // the Light Control window, to see its buttons greyed
    const QList<int> values = {7, 30, 50, 1, 1, 50, 50};
    const QString path = rig.Path(QStringLiteral("unit.txt"));
    QVERIFY(WriteFile(path, SettingsFile(values)));
    if (withFile)
        rig.Ui().Answer({"ok"}, {path});

    rig.Mark();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.Ui().Menu(menu));
    QVERIFY(rig.WaitSinceMark("SETT2"));
    // Busy: the operations are greyed, all but "E&xit".
    for (const char* control :
         {"CControllerDlg/idm_32774", "CControllerDlg/idm_32780", "CControllerDlg/idm_32788",
          "CControllerDlg/idc_1028", "CLightControlDlg/idc_1005"})
        QVERIFY2(!Enabled(rig, QString::fromLatin1(control)), control);
    QVERIFY(Enabled(rig, QStringLiteral("CControllerDlg/idm_32776")));
    QVERIFY(Enabled(rig, QStringLiteral("CLightControlDlg/idc_1027")));

    QVERIFY(rig.WaitPrompt(QStringLiteral("Failed to connect."), 12000));
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited >= minMs && waited <= maxMs, qPrintable(QString::number(waited)));
    QStringList expected{"Failed to connect."};
    if (withFile)
        expected.prepend(path + "\nThis file is rewritten following data.\n" + Description(values));
    QCOMPARE(rig.PromptTexts(), expected);
    QCOMPARE(rig.SinceMark(), (withFile ? WriteCommands(values) : QByteArray()) + kQueries);
    QTRY_VERIFY(Enabled(rig, QStringLiteral("CControllerDlg/idm_32774")));
    QVERIFY(Enabled(rig, QStringLiteral("CLightControlDlg/idc_1005")));
}

QTEST_GUILESS_MAIN(SettingsWaitsE2eTest)
#include "tst_settingswaits_e2e.moc"
