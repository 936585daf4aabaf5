// vq3ctl's command line: each command's method, arguments, result name and wait, the usage
// errors (exit status 2), the exit status and name of each D-Bus error, the conditions of
// `wait` and the printed forms.
#include "ctl/CtlCommand.h"
#include "ctl/CtlExit.h"
#include "ctl/CtlOutput.h"

#include <QMetaEnum>
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
    void waitCondition_data();
    void waitCondition();
    void output();
};

// A parsed command as one line: "Action Method(arguments) -> key file [json] ms [wait]".
static QString Describe(const Command& c) {
    QStringList arguments;
    for (const QVariant& a : c.arguments)
        arguments << QString::fromLatin1(a.typeName()) + ":" + PlainValue(a);
    QString text = QStringLiteral("%1 %2(%3) -> %4 %5%6 %7")
                       .arg(QMetaEnum::fromType<Action>().valueToKey(int(c.action)),
                            QMetaEnum::fromType<Method>().valueToKey(int(c.method)),
                            arguments.join(","), c.resultKey, c.file, c.json ? " json" : "")
                       .arg(c.timeoutMs);
    if (c.wait)
        text += QStringLiteral(" %1.%2 %3 %4:%5 %6")
                    .arg(c.wait->onLink ? "Link" : "Unit", c.wait->property,
                         QString::number(int(c.wait->compare)), c.wait->value.typeName(),
                         PlainValue(c.wait->value), QString::number(c.waitLimitMs));
    return text;
}

void CtlCommandTest::parse_data() {
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* words, const char* expected) {
        QTest::newRow(words) << QString(words) << QString(expected);
    };
    row("status", "ShowStatus None() ->   25000");
    row("port", "ShowPort None() ->   25000");
    row("port COM3", "Call Connect(QString:COM3) ->   25000");
    row("port disconnect", "Call Disconnect() ->   25000");
    row("lamp on", "Call SetLamp(bool:true) ->   20000");
    row("lamp off", "Call SetLamp(bool:false) ->   20000");
    row("lamp wait-stable", "Call WaitLampStable(double:600) ->   610000");
    row("--timeout 30 lamp wait-stable", "Call WaitLampStable(double:30) ->   40000");
    row("shutter open", "Call SetShutter(bool:true) ->   15000");
    row("shutter close", "Call SetShutter(bool:false) ->   15000");
    row("expose 2.5", "Call Expose(double:2.5) ->   17500");
    row("--timeout=4 expose 2.5", "Call Expose(double:2.5) ->   4000");
    row("expose 1e3", "Call Expose(double:1000) ->   1015000");
    row("expose 2.5 --no-wait", "Call StartExposure(double:2.5) ->   25000");
    row("expose --no-wait 2.5", "Call StartExposure(double:2.5) ->   25000");
    row("expose stop", "Call StopExposure() ->   25000");
    row("intensity", "Call ReadIntensity() -> Intensity  25000");
    row("intensity read", "Call ReadIntensity() -> Intensity  25000");
    row("intensity set 50", "Call SetIntensity(int:50) -> Intensity  70000");
    row("intensity set 150", "Call SetIntensity(int:150) -> Intensity  70000");
    row("intensity set -5", "Call SetIntensity(int:-5) -> Intensity  70000");
    row("intensity up 200", "Call StepIntensity(int:1,uint:200) -> Intensity  12200");
    row("intensity down 10000", "Call StepIntensity(int:-1,uint:10000) -> Intensity  22000");
    row("hours", "Call ReadLampHours() -> LampHours  25000");
    row("program start 3", "Call StartProgram(uint:3) ->   25000");
    row("program stop", "Call StopProgram() ->   25000");
    row("program step", "Call ReadStep() -> Step  25000");
    row("program read 9", "ReadProgram None(uint:9) ->   25000");
    row("program read 2 p.txt", "ReadProgram None(uint:2) ->  p.txt 25000");
    row("program write 2 p.txt", "WriteProgram None(uint:2) ->  p.txt 25000");
    row("settings read", "ReadSettings None() ->   25000");
    row("settings read s.txt", "ReadSettings None() ->  s.txt 25000");
    row("settings write s.txt", "WriteSettings None() ->  s.txt 25000");
    row("send INTQ", "Call Send(QString:INTQ) ->   25000");
    row("-- send --json", "Call Send(QString:--json) ->   25000");
    row("send -- -X", "Call Send(QString:-X) ->   25000");
    row("send --json -- --timeout", "Call Send(QString:--timeout) ->   json 25000");
    row("monitor", "Monitor None() ->   25000");
    row("monitor --json", "Monitor None() ->   json 25000");
    row("--json hours", "Call ReadLampHours() -> LampHours  json 25000");
    row("hours --json", "Call ReadLampHours() -> LampHours  json 25000");
    row("--json --timeout 0.5 hours", "Call ReadLampHours() -> LampHours  json 500");
    row("hours --timeout=0.5", "Call ReadLampHours() -> LampHours  500");
    row("--timeout 60 intensity set 5", "Call SetIntensity(int:5) -> Intensity  60000");
    row("intensity set 5 --timeout 60", "Call SetIntensity(int:5) -> Intensity  60000");
    // wait: the property's interface, the comparison (0 equal, 1 >=, 2 <=, 3 >, 4 <), the value
    // as its type, and the limit (-1: none; the calls keep their 25 s).
    row("wait LampStable true", "Wait None() ->   25000 Unit.LampStable 0 bool:true -1");
    row("wait LampOn false --timeout 30", "Wait None() ->   25000 Unit.LampOn 0 bool:false 30000");
    row("wait Intensity 50", "Wait None() ->   25000 Unit.Intensity 0 double:50 -1");
    row("wait Intensity >=50", "Wait None() ->   25000 Unit.Intensity 1 double:50 -1");
    row("wait Step <=-1", "Wait None() ->   25000 Unit.Step 2 double:-1 -1");
    row("wait Step -1", "Wait None() ->   25000 Unit.Step 0 double:-1 -1");
    row("wait RestTime >0.5", "Wait None() ->   25000 Unit.RestTime 3 double:0.5 -1");
    row("wait AutoTime <1e1", "Wait None() ->   25000 Unit.AutoTime 4 double:10 -1");
    row("wait State connected", "Wait None() ->   25000 Link.State 0 QString:connected -1");
    row("wait Port >=COM1", "Wait None() ->   25000 Link.Port 0 QString:>=COM1 -1");
    row("--timeout=2 wait Busy false --json",
        "Wait None() ->   json 25000 Link.Busy 0 bool:false 2000");
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
                              "--json",
                              "hours --timeout",
                              "hours --verbose --json",
                              "lamp dim --json",
                              "hours --no-wait",
                              "expose stop --no-wait",
                              "expose stop now",
                              "send -X",
                              "wait",
                              "wait LampOn",
                              "wait Lamp true",
                              "wait LampOn yes",
                              "wait LampOn 1",
                              "wait LampOn true now",
                              "wait Intensity 5.5",
                              "wait Intensity =>5",
                              "wait Intensity >=",
                              "wait AutoTime 2,5",
                              "wait AutoTime nan"})
        QTest::newRow(words) << QString(words).split(' ', Qt::SkipEmptyParts);
}

void CtlCommandTest::usageErrors() {
    QFETCH(QStringList, words);
    const ParseResult result = ParseCommandLine(words);
    QVERIFY2(!result.command, qPrintable(result.command ? Describe(*result.command) : ""));
    QVERIFY(result.usageError.endsWith('.'));        // one sentence for the operator
    QCOMPARE(result.json, words.contains("--json")); // the error is printed as asked
}

// The exit status and the name that --json prints for each error reply.
void CtlCommandTest::exitStatus_data() {
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("name");
    const QString ours = "org.vq3_controller.VQ3Controller1.Error.";
    const QString theBus = "org.freedesktop.DBus.Error.";
    QTest::newRow("NotConnected") << ours + "NotConnected" << 4 << "NotConnected";
    QTest::newRow("Busy") << ours + "Busy" << 5 << "Busy";
    QTest::newRow("InvalidArgs") << ours + "InvalidArgs" << 2 << "InvalidArgs";
    QTest::newRow("Timeout") << ours + "Timeout" << 3 << "Timeout";
    QTest::newRow("DeviceError") << ours + "DeviceError" << 1 << "DeviceError";
    QTest::newRow("PortError") << ours + "PortError" << 1 << "PortError";
    QTest::newRow("Interrupted") << ours + "Interrupted" << 6 << "Interrupted";
    QTest::newRow("our unknown") << ours + "Exploded" << 1 << "Exploded";
    QTest::newRow("no owner") << theBus + "ServiceUnknown" << 8 << "NoController";
    QTest::newRow("name lost") << theBus + "NameHasNoOwner" << 8 << "NoController";
    QTest::newRow("no reply") << theBus + "NoReply" << 3 << "Timeout";
    QTest::newRow("bus arguments") << theBus + "InvalidArgs" << 2 << "Usage";
    QTest::newRow("unknown method") << theBus + "UnknownMethod" << 1 << "Failed";
    QTest::newRow("other prefix") << "com.example.Error.Busy" << 1 << "Failed";
}

void CtlCommandTest::exitStatus() {
    QFETCH(QString, error);
    QFETCH(int, status);
    QFETCH(QString, name);
    QCOMPARE(int(ExitStatusForError(error)), status);
    QCOMPARE(ErrorNameFor(error), name);
    // The controller's own sentence, but vq3ctl's for a controller that is gone or silent.
    const Failure failure = FailureForError(error, "The unit did not answer.", 500);
    QCOMPARE(failure.status, status);
    QCOMPARE(failure.name, name);
    const QString message = status == 8 ? NoControllerHint()
                            : error == "org.freedesktop.DBus.Error.NoReply"
                                ? "The controller did not reply within 0.5 s."
                                : "The unit did not answer.";
    QCOMPARE(failure.message, message);
}

// `wait` compares the property's value as its type.
void CtlCommandTest::waitCondition_data() {
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QVariant>("current");
    QTest::addColumn<bool>("held");
    const auto row = [](const char* name, const char* property, const char* value,
                        const QVariant& current, bool held) {
        QTest::newRow(name) << QString(property) << QString(value) << current << held;
    };
    row("true is true", "LampOn", "true", true, true);
    row("false is not true", "LampOn", "true", false, false);
    row("1 is not true", "LampOn", "true", 1, false);
    row("50 is 50", "Intensity", "50", 50, true);
    row("text 50 is no number", "Intensity", "50", "50", false);
    row("50 is >=50", "Intensity", ">=50", 50, true);
    row("49 is not >=50", "Intensity", ">=50", 49, false);
    row("50 is not >50", "Intensity", ">50", 50, false);
    row("51 is >50", "Intensity", ">50", 51, true);
    row("51 is not <=50", "Intensity", "<=50", 51, false);
    row("49 is <50", "Intensity", "<50", 49, true);
    row("-1 is -1", "Step", "-1", -1, true);
    row("tenths round", "RestTime", "0.3", 3 * 0.1, true);
    row("tenths round, >", "RestTime", ">0.3", 3 * 0.1, false);
    row("0.4 is not 0.3", "RestTime", "0.3", 0.4, false);
    row("text as it stands", "State", "closed", "closed", true);
    row("text in its case", "State", "closed", "Closed", false);
}

void CtlCommandTest::waitCondition() {
    QFETCH(QString, property);
    QFETCH(QString, value);
    QFETCH(QVariant, current);
    QFETCH(bool, held);
    const WaitConditionResult parsed = ParseWaitCondition(property, value);
    QVERIFY2(parsed.condition, qPrintable(parsed.problem));
    QCOMPARE(parsed.condition->HeldBy(current), held);
}

void CtlCommandTest::output() {
    QLocale::setDefault(QLocale(QLocale::German)); // decimals stay C-locale
    const Fields fields = OrderedProperties(
        {{"Step", -1}, {"LampOn", true}, {"AutoTime", 2.5}, {"Extra", "x"}}, unitprop::kAll);
    QCOMPARE(FormatFields(fields, false),
             QString("LampOn: true\nAutoTime: 2.5\nStep: -1\nExtra: x\n"));
    QCOMPARE(FormatFields(fields, true),
             QString("{\"AutoTime\":2.5,\"Extra\":\"x\",\"LampOn\":true,\"Step\":-1}\n"));
    QCOMPARE(FormatResult("LampHours", 1234, false), QString("1234\n"));
    // The link's properties in the XML's order, the claim's owner too.
    const QVariantMap link = {{"Owner", ":1.7"}, {"Busy", false}, {"Port", "COM1"}};
    QCOMPARE(FormatFields(OrderedProperties(link, linkprop::kAll), false),
             QString("Port: COM1\nBusy: false\nOwner: :1.7\n"));
    QCOMPARE(FormatResult("Traffic", ">L1", true), QString("{\"Traffic\":\">L1\"}\n"));
    // Events: UTC with six digits of microseconds; JSON with exact integer microseconds.
    const quint64 time = 1796846963'000042ull;
    QCOMPARE(FormatEvent("Traffic", ">INP", time, false),
             QString("2026-12-09T20:09:23.000042Z Traffic: >INP\n"));
    QCOMPARE(FormatEvent("ExposureEnded", QVariantList{2.5, true}, time, true),
             QString("{\"ExposureEnded\":[2.5,true],\"t\":1796846963000042}\n"));
    const Failure busy{5, "Busy", "Exposure runs."};
    QCOMPARE(FormatError(busy, false), QString("vq3ctl: Exposure runs.\n"));
    QCOMPARE(FormatError(busy, true),
             QString("{\"error\":\"Busy\",\"message\":\"Exposure runs.\"}\n"));
    QLocale::setDefault(QLocale::c());
}

QTEST_GUILESS_MAIN(CtlCommandTest)
#include "tst_ctlcommand.moc"
