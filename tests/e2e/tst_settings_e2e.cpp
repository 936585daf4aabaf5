// The unit settings with the real controller and simulator: the settings file written from
// the unit and put back into it, the waits with the port closed, leaving during a wait, and
// the value setting dialogs. (The waits on a unit that never answers: tst_settingswaits_e2e.)
#include "SettingsE2e.h"

using vq3::test::Rig;

using namespace vq3::test::settings;

class SettingsE2eTest : public QObject {
    Q_OBJECT
private slots:
    void saveAsWritesTheUnitsValues_data();
    void saveAsWritesTheUnitsValues();
    void openWritesAnEditedFileIntoTheUnit();
    void waitsEndAtTheirLimitWithThePortClosed();
    void exitDuringAWaitEndsTheProgram_data();
    void exitDuringAWaitEndsTheProgram();
    void valueSettingDialogs_data();
    void valueSettingDialogs();
};

void SettingsE2eTest::saveAsWritesTheUnitsValues_data() {
    QTest::addColumn<QList<QByteArray>>("unitCommands"); // typed in the Terminal first
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("unit as delivered")
        << QList<QByteArray>{} << QList<int>{7, 30, 50, 1, 1, 50, 50};
    QTest::newRow("changed from the Terminal")
        << QList<QByteArray>{"PROG_1STEP", "LAMPERR07", "LAMPOFF00", "IB0",
                             "SRESP0",     "SETT1005",  "SETT2500"}
        << QList<int>{1, 7, 0, 0, 0, 5, 500};
}

void SettingsE2eTest::saveAsWritesTheUnitsValues() {
    QFETCH(QList<QByteArray>, unitCommands);
    QFETCH(QList<int>, values);
    Rig rig;
    QVERIFY(rig.Start({}, kFullMenuProfile));
    for (const QByteArray& command : unitCommands)
        SendFromTerminal(rig, command);

    const QString path = rig.Path(QStringLiteral("unit.txt"));
    rig.Mark();
    rig.Ui().Answer({"ok"}, {path});
    QVERIFY(rig.Ui().Menu(SaveAs));
    QVERIFY(rig.WaitPrompt(QStringLiteral("Save Completed.")));
    QCOMPARE(AllPrompts(rig),
             (Prompts{{"vq3-controller",
                       path + "\nFollowing data is saved in this file.\n" + Description(values)},
                      {"vq3-controller", "Save Completed."}}));
    QCOMPARE(ReadFile(path), SettingsFile(values));
    QCOMPARE(rig.SinceMark(), kQueries);
    QVERIFY(Enabled(rig, QStringLiteral("CControllerDlg/idm_32775")));
}

void SettingsE2eTest::openWritesAnEditedFileIntoTheUnit() {
    Rig rig;
    QVERIFY(rig.Start({}, kFullMenuProfile));
    const QString path = rig.Path(QStringLiteral("unit.txt"));
    rig.Ui().Answer({"ok"}, {path});
    QVERIFY(rig.Ui().Menu(SaveAs));
    QVERIFY(rig.WaitPrompt(QStringLiteral("Save Completed.")));

    // The operator edits every value in the saved file.
    const QList<int> edited = {1, 12, 34, 0, 0, 123, 456};
    QList<QByteArray> lines = ReadFile(path).split('\n');
    QCOMPARE(lines.size(), 8);
    for (int i = 0; i < 7; ++i)
        lines[i] = lines[i].left(lines[i].indexOf(',') + 1) + QByteArray::number(edited[i]) + '\r';
    QVERIFY(WriteFile(path, lines.join('\n')));
    QCOMPARE(ReadFile(path), SettingsFile(edited));

    const qsizetype promptsBefore = rig.Ui().Prompts().size();
    rig.Mark();
    rig.Ui().Answer({"ok"}, {path});
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.Ui().Menu(Open));
    QVERIFY(QTest::qWaitFor([&] { return AllPrompts(rig).size() == promptsBefore + 2; }, 10000));
    QVERIFY2(clock.elapsed() >= 900, qPrintable(QString::number(clock.elapsed()))); // settling
    QCOMPARE(AllPrompts(rig).mid(promptsBefore),
             (Prompts{{"vq3-controller",
                       path + "\nThis file is rewritten following data.\n" + Description(edited)},
                      {"vq3-controller", "Save Completed."}}));
    QCOMPARE(rig.SinceMark(), WriteCommands(edited) + kQueries);

    // The unit holds the new values: a second file saved from it reads the same.
    const QString second = rig.Path(QStringLiteral("again.txt"));
    rig.Ui().Answer({"ok"}, {second});
    QVERIFY(rig.Ui().Menu(SaveAs));
    QTRY_COMPARE(ReadFile(second), SettingsFile(edited));
}

// With the port closed nothing on the line wakes the program: each wait still ends at its
// limit, every time. The test only watches the recorded boxes, so it wakes nothing either.
void SettingsE2eTest::waitsEndAtTheirLimitWithThePortClosed() {
    QTemporaryDir dir;
    vq3::test::Controller controller(dir.path());
    controller.WriteProfile("[INIT]\r\nPORT=0\r\nOPENPARAM=KORVANTIS\r\n");
    QVERIFY(controller.Start());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("unit.txt"));
    QVERIFY(WriteFile(path, SettingsFile({7, 30, 50, 1, 1, 50, 50})));
    auto boxes = [&] {
        QFile log(controller.PromptLog(0));
        return log.open(QIODevice::ReadOnly) ? log.readAll().count("|Failed to connect.") : 0;
    };
    for (const auto& [menu, limitMs] : {std::pair{Save, 5000}, {Save, 5000}, {Open, 6000}}) {
        const qsizetype before = boxes();
        if (menu == Open)
            controller.Answer({"ok"}, {path});
        QElapsedTimer clock;
        clock.start();
        QVERIFY(controller.Menu(menu));
        QVERIFY(QTest::qWaitFor([&] { return boxes() > before; }, limitMs + 3000));
        QVERIFY2(clock.elapsed() >= limitMs - 50 && clock.elapsed() < limitMs + 1000,
                 qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY(Enabled(controller, QStringLiteral("CControllerDlg/idm_32774")));
    }
    QVERIFY(controller.Close());
}

void SettingsE2eTest::exitDuringAWaitEndsTheProgram_data() {
    QTest::addColumn<int>("menu");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QByteArray>("waitingAfter"); // the wait runs once these bytes went out
    QTest::addColumn<QByteArray>("sent");         // everything sent in the end
    QTest::addColumn<int>("promptLines");
    const QList<int> values = {1, 12, 34, 0, 0, 123, 456};
    QTest::newRow("Save, waiting for replies")
        << int(Save) << false << QByteArray("SETT2?\r") << kQueries << 0;
    QTest::newRow("Open, settling")
        << int(Open) << true << QByteArray("SETT2456\r") << WriteCommands(values) << 1;
}

void SettingsE2eTest::exitDuringAWaitEndsTheProgram() {
    QFETCH(int, menu);
    QFETCH(bool, withFile);
    QFETCH(QByteArray, waitingAfter);
    QFETCH(QByteArray, sent);
    QFETCH(int, promptLines);
    Rig rig;
    QVERIFY(rig.Start({"--silent"}, kFullMenuProfile));
    const QString path = rig.Path(QStringLiteral("unit.txt"));
    QVERIFY(WriteFile(path, SettingsFile({1, 12, 34, 0, 0, 123, 456})));
    if (withFile)
        rig.Ui().Answer({"ok"}, {path});

    rig.Mark();
    QVERIFY(rig.Ui().Menu(menu));
    QVERIFY(rig.WaitSinceMark(waitingAfter));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.Ui().Menu(Exit));
    QVERIFY(rig.Ui().Process().waitForFinished(10000));
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.Ui().Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(rig.Ui().Process().exitCode(), 0);

    QCOMPARE(rig.SinceMark(), sent); // nothing more after the end request
    const QByteArray shown = ReadFile(rig.Ui().PromptLog(0));
    QVERIFY2(!shown.contains("Failed to connect.") && !shown.contains("Save Completed."),
             shown.constData());
    QCOMPARE(shown.count('\n'), promptLines);
    QVERIFY2(rig.Ui().Profile().contains("OPENPARAM="), rig.Ui().Profile().constData());
    QVERIFY(rig.Ui().Profile().contains("PORT=1"));
}

void SettingsE2eTest::valueSettingDialogs_data() {
    QTest::addColumn<int>("menu");
    QTest::addColumn<QByteArray>("unitHolds"); // typed in the Terminal first
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("initialField");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("fieldAfter");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("Lamp Alarm Time")
        << 32780 << QByteArray("LAMPERR12") << QByteArray("LAMPERR?") << "1200"
        << "3000"
        << "3050" << QByteArray("LAMPERR30") << "3000"
        << "3000";
    QTest::newRow("Forced Lamp Off Time, 0 shows 1")
        << 32781 << QByteArray("LAMPOFF00") << QByteArray("LAMPOFF?") << "1"
        << "5000"
        << "150" << QByteArray("LAMPOFF01") << "100"
        << "100";
    QTest::newRow("Shutter Open Pulse Time")
        << 32784 << QByteArray("SETT1077") << QByteArray("SETT1?") << "77"
        << "500"
        << "+20" << QByteArray("SETT1020") << "20"
        << "20";
    QTest::newRow("Shutter Close Pulse Time")
        << 32785 << QByteArray("SETT2005") << QByteArray("SETT2?") << "5"
        << "500"
        << "500" << QByteArray("SETT2500") << "500"
        << "500";
}

void SettingsE2eTest::valueSettingDialogs() {
    QFETCH(int, menu);
    QFETCH(QByteArray, unitHolds);
    QFETCH(QByteArray, query);
    QFETCH(QString, shown);
    QFETCH(QString, initialField);
    QFETCH(QString, typed);
    QFETCH(QByteArray, command);
    QFETCH(QString, fieldAfter);
    QFETCH(QString, readBack);
    const QString field = QStringLiteral("CValueSettingDlg/idc_1048");
    const QString readout = QStringLiteral("CValueSettingDlg/idc_1049");
    Rig rig;
    QVERIFY(rig.Start({}, kFullMenuProfile));
    SendFromTerminal(rig, unitHolds);

    rig.Mark();
    QVERIFY(rig.Ui().Menu(menu));
    QVERIFY(rig.WindowExists(QStringLiteral("CValueSettingDlg")));
    QVERIFY(rig.WaitSinceMark(query + '\r'));
    QTRY_COMPARE(rig.Text(readout), shown);
    QCOMPARE(rig.Text(field), initialField);

    QVERIFY(rig.SetText(field, typed));
    QVERIFY(rig.Ui().Click(QStringLiteral("CValueSettingDlg/idc_1045")));
    QVERIFY(rig.WaitSinceMark(command + '\r'));
    QTRY_COMPARE(rig.Text(field), fieldAfter);
    QVERIFY(rig.Ui().Click(QStringLiteral("CValueSettingDlg/idc_1046")));
    QTRY_COMPARE(rig.Text(readout), readBack);
    QCOMPARE(rig.SinceMark(), query + '\r' + command + '\r' + query + '\r');

    QVERIFY(rig.Ui().Click(QStringLiteral("CValueSettingDlg/idc_1"))); // Ok sends nothing
    QTRY_VERIFY(!rig.WindowExists(QStringLiteral("CValueSettingDlg"), 0));
    QCOMPARE(rig.SinceMark(), query + '\r' + command + '\r' + query + '\r');
    QVERIFY(rig.Ui().Prompts().isEmpty());
}

QTEST_GUILESS_MAIN(SettingsE2eTest)
#include "tst_settings_e2e.moc"
