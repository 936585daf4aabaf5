// The File menu's unit settings operations against a unit on the line: what is written to
// the unit and to the file, the confirmations and messages, the end request during a wait,
// and what is greyed while an operation runs. The exchanges' outcomes and timing are tested
// without a window, and a unit that never answers end to end.
#include "WindowRig.h"
#include "control/ScriptCalls.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>

using vq3::test::kSettingsQueries;
using vq3::test::kSettingsSets7;
using vq3::test::ScriptedPrompter;
using vq3::test::WindowRig;
namespace idm = vq3::resources::idm;
namespace idc = vq3::resources::idc;

using ByteList = QList<QByteArray>;
using Values = QList<int>;

namespace {

const QByteArray kFile7 = "Program Mode(1/7:Step),7\r\n"
                          "Lamp Alarm Time(*100h),30\r\n"
                          "Forced Lamp Off Time(*100h),50\r\n"
                          "Instantaneous Recovery(1:On/0:Off),1\r\n"
                          "Shutter Response(1:High/0:Low),1\r\n"
                          "Shutter Open Pulse Time(ms),50\r\n"
                          "Shutter Close Pulse Time(ms),50\r\n";
const QString kDescription7 = "Program Mode : 7 Step\n"
                              "Lamp Alarm Time : 3000 hour\n"
                              "Forced Lamp Off Time : 5000 hour\n"
                              "Instantaneous Recovery : ON\n"
                              "Shutter Response : HIGH\n"
                              "Shutter Open Pulse Time : 50 ms\n"
                              "Shutter Close Pulse Time : 50 ms\n";

const QString kFormatWrong = "File Format is wrong.";
const QString kFailedToConnect = "Failed to connect.";
const QString kSaveCompleted = "Save Completed.";
const QString kFailedToWrite = "Failed to write ino the file.";
const QString kSavedQuestion = "Following data is saved in this file.";
const QString kRewriteQuestion = "Rewritten following data in this file.";
const QString kOpenQuestion = "This file is rewritten following data.";

// The unit's values in settings file order.
void SetUnit(WindowRig& h, const Values& v) {
    h.unit.setProgramMode(v[0]);
    h.unit.setLampAlarm(v[1]);
    h.unit.setLampOffTime(v[2]);
    h.unit.setInstantRecovery(v[3]);
    h.unit.setShutterResponse(v[4]);
    h.unit.setOpenPulse(v[5]);
    h.unit.setClosePulse(v[6]);
}

// The current settings file as "&Save" finds it: the path its confirmation names (the
// confirmation is cancelled), or empty when it asks for a file instead.
QString CurrentFile(WindowRig& h) {
    h.prompter.shown.clear();
    h.prompter.folders.clear();
    h.prompter.files.clear();
    h.prompter.answers = {ScriptedPrompter::Answer::Cancel};
    if (!h.RunOperation(idm::Save))
        return QStringLiteral("<still running>");
    if (!h.prompter.folders.isEmpty() || h.prompter.shown.isEmpty())
        return QString();
    return h.prompter.shown.first().text.section('\n', 0, 0);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The box an operation shows to confirm: path, question, description.
void CheckConfirmation(const ScriptedPrompter::Shown& shown, const QString& text) {
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.caption, QStringLiteral("vq3-controller"));
    QVERIFY(shown.okCancel);
    QCOMPARE(shown.owner, QStringLiteral("CControllerDlg"));
}

// A plain message box of the application.
void CheckMessage(const ScriptedPrompter::Shown& shown, const QString& text) {
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.caption, QStringLiteral("vq3-controller"));
    QVERIFY(!shown.okCancel);
}

constexpr int kBusyItems[] = {idm::Open,
                              idm::Save,
                              idm::SaveAs,
                              idm::ComPort,
                              idm::ControlMode,
                              idm::ProgramMode,
                              idm::LampAlarmTime,
                              idm::LampOffTime,
                              idm::InstantRecovery,
                              idm::ShutterResponse,
                              idm::OpenPulseTime,
                              idm::ClosePulseTime,
                              idm::LightControl,
                              idm::Terminal,
                              idm::About};

} // namespace

class TestSettingsFileGui : public QObject {
    Q_OBJECT

private slots:
    void saveAs_data();
    void saveAs();
    void saveAsCancelled_data();
    void saveAsCancelled();
    void save_data();
    void save();
    void storeFailure_data();
    void storeFailure();
    void open_data();
    void open();
    void openRejected_data();
    void openRejected();
    void openCancelled_data();
    void openCancelled();
    void endRequestDuringWait_data();
    void endRequestDuringWait();
    void enableOperations_data();
    void enableOperations();
};

void TestSettingsFileGui::saveAs_data() {
    QTest::addColumn<Values>("unit");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("description");

    QTest::newRow("7-step unit") << Values{7, 30, 50, 1, 1, 50, 50} << kFile7 << kDescription7;
    QTest::newRow("1-step unit at the limits")
        << Values{1, 0, 99, 0, 0, 5, 999}
        << QByteArray("Program Mode(1/7:Step),1\r\n"
                      "Lamp Alarm Time(*100h),0\r\n"
                      "Forced Lamp Off Time(*100h),99\r\n"
                      "Instantaneous Recovery(1:On/0:Off),0\r\n"
                      "Shutter Response(1:High/0:Low),0\r\n"
                      "Shutter Open Pulse Time(ms),5\r\n"
                      "Shutter Close Pulse Time(ms),999\r\n")
        << QString("Program Mode : 1 Step\n"
                   "Lamp Alarm Time : 0 hour\n"
                   "Forced Lamp Off Time : 9900 hour\n"
                   "Instantaneous Recovery : OFF\n"
                   "Shutter Response : LOW\n"
                   "Shutter Open Pulse Time : 5 ms\n"
                   "Shutter Close Pulse Time : 999 ms\n");
}

void TestSettingsFileGui::saveAs() {
    QFETCH(Values, unit);
    QFETCH(QByteArray, file);
    QFETCH(QString, description);
    WindowRig h;
    SetUnit(h, unit);
    const QString path = h.Path("unit.txt");
    h.prompter.files = {path};

    QVERIFY(h.RunOperation(idm::SaveAs));

    QCOMPARE(h.device.commands, kSettingsQueries);
    QCOMPARE(h.prompter.folders.size(), 1);
    QCOMPARE(h.prompter.shown.size(), 2);
    CheckConfirmation(h.prompter.shown[0], path + "\n" + kSavedQuestion + "\n" + description);
    CheckMessage(h.prompter.shown[1], kSaveCompleted);
    QCOMPARE(ReadFile(path), file);
    QVERIFY(!h.controller.Busy());
    QVERIFY(h.Action(idm::Open)->isEnabled());
    QVERIFY(h.Control(idc::controller::QueryStep)->isEnabled());
    QCOMPARE(CurrentFile(h), path);
}

void TestSettingsFileGui::saveAsCancelled_data() {
    QTest::addColumn<bool>("chooseFile");
    QTest::addColumn<int>("boxes");
    QTest::newRow("save dialog cancelled") << false << 0;
    QTest::newRow("confirmation cancelled") << true << 1;
}

void TestSettingsFileGui::saveAsCancelled() {
    QFETCH(bool, chooseFile);
    QFETCH(int, boxes);
    WindowRig h;
    const QString path = h.Path("unit.txt");
    if (chooseFile)
        h.prompter.files = {path};
    h.prompter.answers = {ScriptedPrompter::Answer::Cancel};

    QVERIFY(h.RunOperation(idm::SaveAs));

    QCOMPARE(h.prompter.folders.size(), 1);
    QCOMPARE(h.prompter.shown.size(), boxes);
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!h.controller.Busy());
    // A chosen path is the current file even when the confirmation is cancelled.
    QCOMPARE(CurrentFile(h), chooseFile ? path : QString());
}

void TestSettingsFileGui::save_data() {
    QTest::addColumn<QString>("before"); // what made the current file, if anything
    QTest::addColumn<int>("fileDialogs");
    QTest::addColumn<QString>("question");

    QTest::newRow("no current file: as Save As") << "nothing" << 1 << kSavedQuestion;
    QTest::newRow("after Save As") << "save as" << 0 << kRewriteQuestion;
    QTest::newRow("after a malformed Open") << "malformed open" << 0 << kRewriteQuestion;
}

void TestSettingsFileGui::save() {
    QFETCH(QString, before);
    QFETCH(int, fileDialogs);
    QFETCH(QString, question);
    WindowRig h;
    const QString path = h.Path("unit.txt");

    if (before == "save as") {
        SetUnit(h, {1, 0, 0, 0, 0, 5, 5});
        h.prompter.files = {path};
        QVERIFY(h.RunOperation(idm::SaveAs));
    } else if (before == "malformed open") {
        WriteFile(path, "Program Mode(1/7:Step),2\r\n");
        h.prompter.files = {path};
        QVERIFY(h.RunOperation(idm::Open));
        QCOMPARE(h.prompter.Texts(), QStringList{kFormatWrong});
    }
    h.prompter.shown.clear();
    h.prompter.folders.clear();
    h.prompter.files = {path};
    h.device.Forget();
    SetUnit(h, {7, 30, 50, 1, 1, 50, 50});

    QVERIFY(h.RunOperation(idm::Save));

    QCOMPARE(h.device.commands, kSettingsQueries);
    QCOMPARE(h.prompter.folders.size(), fileDialogs);
    QCOMPARE(h.prompter.shown.size(), 2);
    CheckConfirmation(h.prompter.shown[0], path + "\n" + question + "\n" + kDescription7);
    CheckMessage(h.prompter.shown[1], kSaveCompleted);
    QCOMPARE(ReadFile(path), kFile7);
}

void TestSettingsFileGui::storeFailure_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("old"); // the file already there; null for none
    QTest::addColumn<bool>("folder");

    QTest::newRow("path is a folder") << "folder" << QByteArray() << true;
    QTest::newRow("missing folder") << "missing/unit.txt" << QByteArray() << false;
    // The name leaves no room for the temporary file beside it, so the replacement fails
    // after the old file has been found.
    QTest::newRow("old file kept") << QString(250, 'a') << QByteArray("old settings\r\n") << false;
}

void TestSettingsFileGui::storeFailure() {
    QFETCH(QString, name);
    QFETCH(QByteArray, old);
    QFETCH(bool, folder);
    WindowRig h;
    const QString path = h.Path(name);
    if (folder)
        QVERIFY(QDir().mkpath(path));
    if (!old.isNull())
        WriteFile(path, old);
    h.prompter.files = {path};

    QVERIFY(h.RunOperation(idm::SaveAs));

    QCOMPARE(h.prompter.shown.size(), 2);
    CheckConfirmation(h.prompter.shown[0], path + "\n" + kSavedQuestion + "\n" + kDescription7);
    CheckMessage(h.prompter.shown[1], kFailedToWrite);
    if (folder)
        QVERIFY(QFileInfo(path).isDir());
    else if (old.isNull())
        QVERIFY(!QFileInfo::exists(path));
    else
        QCOMPARE(ReadFile(path), old);
    QCOMPARE(QDir(h.dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(),
             old.isNull() ? 1 : 2); // the profile (and the old file): no temporary left
}

void TestSettingsFileGui::open_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ByteList>("sets");
    QTest::addColumn<QString>("description");

    QTest::newRow("7-step file") << kFile7 << kSettingsSets7 << kDescription7;
    // The unit takes pulse times of 5 to 500 ms only.
    QTest::newRow("1-step file at the limits the unit takes")
        << QByteArray("Program Mode(1/7:Step),1\r\n"
                      "Lamp Alarm Time(*100h),0\r\n"
                      "Forced Lamp Off Time(*100h),99\r\n"
                      "Instantaneous Recovery(1:On/0:Off),0\r\n"
                      "Shutter Response(1:High/0:Low),0\r\n"
                      "Shutter Open Pulse Time(ms),5\r\n"
                      "Shutter Close Pulse Time(ms),500\r\n")
        << ByteList{"CNT1", "PROG_1STEP", "LAMPERR00", "LAMPOFF99",
                    "IB0",  "SRESP0",     "SETT1005",  "SETT2500"}
        << QString("Program Mode : 1 Step\n"
                   "Lamp Alarm Time : 0 hour\n"
                   "Forced Lamp Off Time : 9900 hour\n"
                   "Instantaneous Recovery : OFF\n"
                   "Shutter Response : LOW\n"
                   "Shutter Open Pulse Time : 5 ms\n"
                   "Shutter Close Pulse Time : 500 ms\n");
    QTest::newRow("extra text and lines, empty value")
        << QByteArray("# Program Mode(1/7:Step),7\r\n"
                      "Lamp Alarm Time(*100h),\r\n"
                      "Forced Lamp Off Time(*100h), 50\r\n"
                      "Instantaneous Recovery(1:On/0:Off),+1\r\n"
                      "Shutter Response(1:High/0:Low),1\r\n"
                      "Shutter Open Pulse Time(ms),50\r\n"
                      "Shutter Close Pulse Time(ms),50\r\n"
                      "an eighth line\r\n")
        << ByteList{"CNT1", "PROG_7STEP", "LAMPERR00", "LAMPOFF50",
                    "IB1",  "SRESP1",     "SETT1050",  "SETT2050"}
        << QString(kDescription7).replace("Lamp Alarm Time : 3000", "Lamp Alarm Time : 0");
}

void TestSettingsFileGui::open() {
    QFETCH(QByteArray, file);
    QFETCH(ByteList, sets);
    QFETCH(QString, description);
    WindowRig h;
    SetUnit(h, {7, 10, 10, 0, 0, 100, 100}); // differs from every file
    const QString path = h.Path("in.txt");
    WriteFile(path, file);
    h.prompter.files = {path};

    QVERIFY(h.RunOperation(idm::Open));

    QCOMPARE(h.device.commands, sets + kSettingsQueries);
    QCOMPARE(h.prompter.shown.size(), 2);
    CheckConfirmation(h.prompter.shown[0], path + "\n" + kOpenQuestion + "\n" + description);
    CheckMessage(h.prompter.shown[1], kSaveCompleted);
    QVERIFY(!h.controller.Busy());
    QVERIFY(h.Action(idm::Save)->isEnabled());
    QCOMPARE(CurrentFile(h), path);
}

void TestSettingsFileGui::openRejected_data() {
    QTest::addColumn<QByteArray>("file"); // null: no file at that path

    QByteArray mode2 = kFile7;
    QTest::newRow("program mode 2") << mode2.replace("Step),7", "Step),2");
    QByteArray lamp100 = kFile7;
    QTest::newRow("lamp alarm time 100") << lamp100.replace("100h),30", "100h),100");
    QByteArray noComma = kFile7;
    QTest::newRow("line 1 without comma") << noComma.replace("Step),7", "Step) 7");
    QTest::newRow("six lines") << kFile7.left(kFile7.lastIndexOf("Shutter Close"));
    QByteArray swapped = kFile7;
    swapped.replace("Shutter Open Pulse Time(ms)", "@@")
        .replace("Shutter Close Pulse Time(ms)", "Shutter Open Pulse Time(ms)");
    QTest::newRow("lines out of order") << swapped.replace("@@", "Shutter Close Pulse Time(ms)");
    QByteArray emptyMode = kFile7;
    QTest::newRow("empty program mode") << emptyMode.replace("Step),7", "Step),");
    QByteArray trailing = kFile7;
    QTest::newRow("trailing blank") << trailing.replace("(ms),50\r\n", "(ms),50 \r\n");
    QByteArray recovery2 = kFile7;
    QTest::newRow("recovery 2") << recovery2.replace("Off),1", "Off),2");
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("no such file") << QByteArray();
}

void TestSettingsFileGui::openRejected() {
    QFETCH(QByteArray, file);
    WindowRig h;
    const QString path = h.Path("in.txt");
    if (!file.isNull())
        WriteFile(path, file);
    h.prompter.files = {path};

    QVERIFY(h.RunOperation(idm::Open));

    QCOMPARE(h.prompter.shown.size(), 1);
    CheckMessage(h.prompter.shown[0], kFormatWrong);
    QCOMPARE(h.device.commands, ByteList{});
    QVERIFY(!h.controller.Busy());
    QCOMPARE(CurrentFile(h), path); // current even though malformed
}

void TestSettingsFileGui::openCancelled_data() {
    QTest::addColumn<bool>("chooseFile");
    QTest::addColumn<int>("boxes");
    QTest::newRow("open dialog cancelled") << false << 0;
    QTest::newRow("confirmation cancelled") << true << 1;
}

void TestSettingsFileGui::openCancelled() {
    QFETCH(bool, chooseFile);
    QFETCH(int, boxes);
    WindowRig h;
    const QString path = h.Path("in.txt");
    WriteFile(path, kFile7);
    if (chooseFile)
        h.prompter.files = {path};
    h.prompter.answers = {ScriptedPrompter::Answer::Cancel};

    QVERIFY(h.RunOperation(idm::Open));

    QCOMPARE(h.prompter.shown.size(), boxes);
    QCOMPARE(h.device.commands, ByteList{});
    QVERIFY(!h.controller.Busy());
    QCOMPARE(CurrentFile(h), chooseFile ? path : QString());
}

void TestSettingsFileGui::endRequestDuringWait_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<bool>("closeBox"); // else E&xit
    QTest::addColumn<ByteList>("sent");
    QTest::addColumn<int>("boxes");

    QTest::newRow("Exit while Save waits")
        << "save" << true << 200 << false << kSettingsQueries << 0;
    QTest::newRow("close box while Save As waits")
        << "save as" << true << 200 << true << kSettingsQueries << 0;
    QTest::newRow("Exit while Open settles")
        << "open" << false << 50 << false << kSettingsSets7 << 1;
    QTest::newRow("Exit while Open verifies")
        << "open" << true << 300 << false << kSettingsSets7 + kSettingsQueries << 1;
    QTest::newRow("close box while a script reads the settings")
        << "script" << true << 200 << true << kSettingsQueries << 0;
}

void TestSettingsFileGui::endRequestDuringWait() {
    QFETCH(QString, operation);
    QFETCH(bool, silent);
    QFETCH(int, afterMs);
    QFETCH(bool, closeBox);
    QFETCH(ByteList, sent);
    QFETCH(int, boxes);
    WindowRig h;
    h.device.silent = silent;
    const QString path = h.Path("in.txt");
    WriteFile(path, kFile7);
    h.prompter.files = {path};
    QSignalSpy ended(h.window.get(), &vq3::ui::CControllerDlg::ended);

    bool busy = false, aboutEnabled = true, exitEnabled = false, stepEnabled = true;
    QTimer::singleShot(afterMs, h.window.get(), [&] {
        busy = h.controller.Busy();
        aboutEnabled = h.Action(idm::About)->isEnabled();
        exitEnabled = h.Action(idm::Exit)->isEnabled();
        stepEnabled = h.Control(idc::controller::QueryStep)->isEnabled();
        if (closeBox)
            h.window->close();
        else
            h.Action(idm::Exit)->trigger();
    });
    QElapsedTimer clock;
    clock.start();
    vq3::control::ScriptCalls script(h.controller);
    if (operation == "script") {
        script.ReadSettings();
        QVERIFY(QTest::qWaitFor([&] { return !h.controller.Busy(); }, 5000));
    } else {
        QVERIFY(h.RunOperation(operation == "save"      ? idm::Save
                               : operation == "save as" ? idm::SaveAs
                                                        : idm::Open));
    }

    QVERIFY(busy);
    QVERIFY(!aboutEnabled);
    QVERIFY(exitEnabled);
    QVERIFY(!stepEnabled);
    // The wait stops at once and the window ends (right after the request has returned).
    QVERIFY2(clock.elapsed() < afterMs + 500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(h.window->result(), int(QDialog::Accepted));
    QCOMPARE(h.device.commands, sent);
    QCOMPARE(h.prompter.shown.size(), boxes); // no closing message of the operation
    for (const QString& text : h.prompter.Texts()) {
        QVERIFY(text != kSaveCompleted);
        QVERIFY(text != kFailedToConnect);
    }
    QVERIFY(!h.controller.Busy());
    QVERIFY(h.Action(idm::About)->isEnabled());
}

void TestSettingsFileGui::enableOperations_data() {
    QTest::addColumn<QByteArray>("openParam");
    QTest::addColumn<int>("absent");
    QTest::newRow("full menu") << QByteArray("KORVANTIS") << 0;
    QTest::newRow("restricted menu") << QByteArray("") << 9;
}

// What a settings operation greys in the main window; the Light Control window's part:
// tst_lightcontrol.
void TestSettingsFileGui::enableOperations() {
    QFETCH(QByteArray, openParam);
    QFETCH(int, absent);
    WindowRig h(1, {}, openParam);

    auto check = [&](bool enabled) {
        int missing = 0;
        for (int id : kBusyItems) {
            if (QAction* action = h.Action(id))
                QVERIFY2(action->isEnabled() == enabled, qPrintable(QString::number(id)));
            else
                ++missing;
        }
        QCOMPARE(missing, absent);
        QVERIFY(h.Action(idm::Exit)->isEnabled());
        for (int id : idc::controller::kButtons)
            QVERIFY2(h.Control(id)->isEnabled() == enabled, qPrintable(QString::number(id)));
        // Fields and lists stay usable, and so does the Terminal.
        for (int step = 0; step < 7; ++step) {
            QVERIFY(h.IntensityField(step)->isEnabled());
            QVERIFY(h.TimeField(step)->isEnabled());
        }
        for (int id : idc::controller::kLists)
            QVERIFY(h.Control(id)->isEnabled());
        QVERIFY(vq3::test::FindControl(h.Terminal(), idc::terminal::CommandField)->isEnabled());
    };

    QVERIFY(h.controller.ReserveForSettings());
    check(false);
    h.controller.ReleaseSettings();
    check(true);
}

QTEST_MAIN(TestSettingsFileGui)
#include "tst_settingsfile_gui.moc"
