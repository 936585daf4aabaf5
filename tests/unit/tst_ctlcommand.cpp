// vq3ctl's command line: each command's method, arguments, result name and wait, the usage
// errors (exit status 2), the exit status of each D-Bus error and the printed forms.
#include "ctl/CtlCommand.h"
#include "ctl/CtlExit.h"
#include "ctl/CtlOutput.h"

#include <QTest>

using namespace vq3::ctl;

class CtlCommandTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void usageErrors_data();
    void usageErrors();
    void exitStatus_data();
    void exitStatus();
    void output();
};

// A parsed command as one line: "action interface.member(arguments) -> key file [json] ms".
static QString Describe(const Command& c) {
    QStringList arguments;
    for (const QVariant& a : c.arguments)
        arguments << QString::fromLatin1(a.typeName()) + ":" + PlainValue(a);
    return QStringLiteral("%1 %2.%3(%4) -> %5 %6%7 %8")
        .arg(static_cast<int>(c.action))
        .arg(c.interface == Interface::Link ? "Link" : "Unit", c.member, arguments.join(","),
             c.resultKey, c.file, c.json ? " json" : "")
        .arg(c.timeoutMs);
}

void CtlCommandTest::parse_data() {
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("expected");
    const int call = static_cast<int>(Action::Call);
    const auto row = [](const char* words, const QString& expected) {
        QTest::newRow(words) << QString(words) << expected;
    };
    const auto is = [call](const char* what, int ms = 25000, int action = -1) {
        return QStringLiteral("%1 %2 %3").arg(action < 0 ? call : action).arg(what).arg(ms);
    };
    row("status", is("Unit.() ->  ", 25000, int(Action::ShowStatus)));
    row("port", is("Unit.() ->  ", 25000, int(Action::ShowPort)));
    row("port COM3", is("Link.Connect(QString:COM3) ->  "));
    row("port disconnect", is("Link.Disconnect() ->  "));
    row("lamp on", is("Unit.SetLamp(bool:true) ->  ", 20000));
    row("lamp off", is("Unit.SetLamp(bool:false) ->  ", 20000));
    row("lamp wait-stable", is("Unit.WaitLampStable(double:600) ->  ", 610000));
    row("--timeout 30 lamp wait-stable", is("Unit.WaitLampStable(double:30) ->  ", 40000));
    row("shutter open", is("Unit.SetShutter(bool:true) ->  ", 15000));
    row("shutter close", is("Unit.SetShutter(bool:false) ->  ", 15000));
    row("expose 2.5", is("Unit.Expose(double:2.5) ->  ", 17500));
    row("--timeout=4 expose 2.5", is("Unit.Expose(double:2.5) ->  ", 4000));
    row("expose 1e3", is("Unit.Expose(double:1000) ->  ", 1015000));
    row("expose 2.5 --no-wait", is("Unit.StartExposure(double:2.5) ->  "));
    row("intensity", is("Unit.ReadIntensity() -> Intensity "));
    row("intensity read", is("Unit.ReadIntensity() -> Intensity "));
    row("intensity set 50", is("Unit.SetIntensity(int:50) -> Intensity ", 70000));
    row("intensity set 150", is("Unit.SetIntensity(int:150) -> Intensity ", 70000));
    row("intensity up 200", is("Unit.StepIntensity(int:1,uint:200) -> Intensity ", 12200));
    row("intensity down 10000", is("Unit.StepIntensity(int:-1,uint:10000) -> Intensity ", 22000));
    row("hours", is("Unit.ReadLampHours() -> LampHours "));
    row("program start 3", is("Unit.StartProgram(uint:3) ->  "));
    row("program stop", is("Unit.StopProgram() ->  "));
    row("program step", is("Unit.ReadStep() -> Step "));
    row("program read 9", is("Unit.ReadProgram(uint:9) ->  ", 25000, int(Action::ReadProgram)));
    row("program read 2 p.txt",
        is("Unit.ReadProgram(uint:2) ->  p.txt", 25000, int(Action::ReadProgram)));
    row("program write 2 p.txt",
        is("Unit.WriteProgram(uint:2) ->  p.txt", 25000, int(Action::WriteProgram)));
    row("settings read", is("Unit.ReadSettings() ->  ", 25000, int(Action::ReadSettings)));
    row("settings read s.txt",
        is("Unit.ReadSettings() ->  s.txt", 25000, int(Action::ReadSettings)));
    row("settings write s.txt",
        is("Unit.WriteSettings() ->  s.txt", 25000, int(Action::WriteSettings)));
    row("send INTQ", is("Link.Send(QString:INTQ) ->  "));
    row("-- send --json", is("Link.Send(QString:--json) ->  "));
    row("monitor", is("Unit.() ->  ", 25000, int(Action::Monitor)));
    row("--json hours", is("Unit.ReadLampHours() -> LampHours  json"));
    row("--json --timeout 0.5 hours", is("Unit.ReadLampHours() -> LampHours  json", 500));
    row("--timeout 60 intensity set 5", is("Unit.SetIntensity(int:5) -> Intensity ", 60000));
}

void CtlCommandTest::parse() {
    QFETCH(QString, words);
    QFETCH(QString, expected);
    const ParseResult result = ParseCommandLine(words.split(' '));
    QVERIFY2(result.command, qPrintable(result.usageError));
    QCOMPARE(Describe(*result.command), expected);
}

void CtlCommandTest::usageErrors_data() {
    QTest::addColumn<QStringList>("words");
    for (const char* words : {"",
                              "lamp",
                              "lamp dim",
                              "lamp on now",
                              "shutter",
                              "shutter half",
                              "expose",
                              "expose 2,5",
                              "expose two",
                              "expose nan",
                              "expose 2.5 --wait",
                              "intensity set",
                              "intensity set 50%",
                              "intensity set 5.5",
                              "intensity up -5",
                              "intensity up",
                              "intensity max",
                              "hours 3",
                              "program",
                              "program start",
                              "program start 0x3",
                              "program start -1",
                              "program read",
                              "program write 3",
                              "program run 3",
                              "settings",
                              "settings write",
                              "settings read a b",
                              "send",
                              "send A B",
                              "monitor now",
                              "status now",
                              "port COM1 COM2",
                              "reboot",
                              "--timeout",
                              "--timeout 0 hours",
                              "--timeout -3 hours",
                              "--timeout x hours",
                              "--timeout 1e9 hours",
                              "--verbose hours",
                              "--json"})
        QTest::newRow(words) << QString(words).split(' ', Qt::SkipEmptyParts);
}

void CtlCommandTest::usageErrors() {
    QFETCH(QStringList, words);
    const ParseResult result = ParseCommandLine(words);
    QVERIFY2(!result.command, qPrintable(result.command ? Describe(*result.command) : ""));
    QVERIFY(result.usageError.endsWith('.')); // one sentence for the operator
}

void CtlCommandTest::exitStatus_data() {
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("status");
    const QString ours = "org.vq3_controller.VQ3Controller1.Error.";
    const QString theBus = "org.freedesktop.DBus.Error.";
    QTest::newRow("NotConnected") << ours + "NotConnected" << 4;
    QTest::newRow("Busy") << ours + "Busy" << 5;
    QTest::newRow("InvalidArgs") << ours + "InvalidArgs" << 2;
    QTest::newRow("Timeout") << ours + "Timeout" << 3;
    QTest::newRow("DeviceError") << ours + "DeviceError" << 1;
    QTest::newRow("PortError") << ours + "PortError" << 1;
    QTest::newRow("Interrupted") << ours + "Interrupted" << 6;
    QTest::newRow("our unknown") << ours + "Exploded" << 1;
    QTest::newRow("no owner") << theBus + "ServiceUnknown" << 8;
    QTest::newRow("name lost") << theBus + "NameHasNoOwner" << 8;
    QTest::newRow("no reply") << theBus + "NoReply" << 3;
    QTest::newRow("bus arguments") << theBus + "InvalidArgs" << 2;
    QTest::newRow("unknown method") << theBus + "UnknownMethod" << 1;
    QTest::newRow("other prefix") << "com.example.Error.Busy" << 1;
}

void CtlCommandTest::exitStatus() {
    QFETCH(QString, error);
    QFETCH(int, status);
    QCOMPARE(int(ExitStatusForError(error)), status);
}

void CtlCommandTest::output() {
    QLocale::setDefault(QLocale(QLocale::German)); // decimals stay C-locale
    const Fields fields = OrderedProperties(
        {{"Step", -1}, {"LampOn", true}, {"AutoTime", 2.5}, {"Extra", "x"}}, kUnitProperties);
    QCOMPARE(FormatFields(fields, false),
             QString("LampOn: true\nAutoTime: 2.5\nStep: -1\nExtra: x\n"));
    QCOMPARE(FormatFields(fields, true),
             QString("{\"AutoTime\":2.5,\"Extra\":\"x\",\"LampOn\":true,\"Step\":-1}\n"));
    QCOMPARE(FormatResult("LampHours", 1234, false), QString("1234\n"));
    QCOMPARE(FormatResult("Traffic", ">L1", true), QString("{\"Traffic\":\">L1\"}\n"));
    QLocale::setDefault(QLocale::c());
}

QTEST_GUILESS_MAIN(CtlCommandTest)
#include "tst_ctlcommand.moc"
