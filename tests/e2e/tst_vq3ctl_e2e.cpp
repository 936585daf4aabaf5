// vq3ctl run for real where no controller can answer: on a private session bus that no
// controller owns a name on, and with no session bus at all. Usage errors, help and version
// never need the bus. With --json an error is one JSON object on standard error.
#include "OtherUser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using vq3::test::BinaryPath;

class Vq3ctlTest : public QObject {
    Q_OBJECT
private slots:
    void withoutController_data();
    void withoutController();
};

void Vq3ctlTest::withoutController_data() {
    QTest::addColumn<bool>("privateBus"); // else no session bus can be reached
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString hint = "vq3ctl: vq3-controller is not running: start it (vq3-controller &)";
    QTest::newRow("no owner") << true << "hours" << 8 << "" << hint;
    const QString jsonHint =
        "{\"error\":\"NoController\",\"message\":\"vq3-controller is not running";
    QTest::newRow("no owner, monitor") << true << "--json monitor" << 8 << "" << jsonHint;
    QTest::newRow("no owner, file") << true << "settings write missing.txt" << 8 << "" << hint;
    QTest::newRow("no bus") << false << "lamp on" << 8 << ""
                            << "vq3ctl: There is no session bus";
    QTest::newRow("no owner, json after") << true << "hours --json" << 8 << "" << jsonHint;
    QTest::newRow("no owner, wait") << true << "wait LampStable true" << 8 << "" << hint;
    QTest::newRow("no bus, json") << false << "--json lamp on" << 8 << ""
                                  << "{\"error\":\"NoController\",\"message\":\"There is no "
                                     "session bus";
    QTest::newRow("usage") << false << "lamp dim" << 2 << ""
                           << "vq3ctl: lamp takes on, off or wait-stable. See vq3ctl --help.";
    QTest::newRow("usage, json") << false << "lamp dim --json" << 2 << ""
                                 << "{\"error\":\"Usage\",\"message\":\"lamp takes on, off or "
                                    "wait-stable. See vq3ctl --help.\"}";
    QTest::newRow("wait, no property") << false << "wait Lamp true" << 2 << ""
                                       << "vq3ctl: \"Lamp\" is not a property of the controller";
    QTest::newRow("help after") << false << "status --help" << 0 << "Usage: vq3ctl"
                                << "";
    QTest::newRow("help") << false << "--help" << 0 << "Usage: vq3ctl [--json] [--timeout S]"
                          << "";
    QTest::newRow("version") << false << "--version" << 0 << "vq3ctl 3."
                             << "";
}

void Vq3ctlTest::withoutController() {
    QFETCH(bool, privateBus);
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString session = QStandardPaths::findExecutable("dbus-run-session");
    if (privateBus && session.isEmpty())
        QSKIP("dbus-run-session is missing (package dbus-daemon)");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vq3-test-bus");
    environment.remove("DISPLAY"); // no bus started on the fly either
    process.setProcessEnvironment(environment);
    QStringList words = arguments.split(' ');
    if (privateBus)
        process.start(session, QStringList{"--", BinaryPath("vq3ctl")} + words);
    else
        process.start(BinaryPath("vq3ctl"), words);
    QVERIFY(process.waitForFinished(20000));
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), status);
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? !stdErr.contains("vq3ctl") : stdErr.contains(err), qPrintable(stdErr));
    if (words.contains("--json") && status != 0) { // one object, on a line of its own
        QStringList lines = stdErr.split('\n', Qt::SkipEmptyParts);
        lines.removeIf([](const QString& line) { return line.startsWith("dbus-daemon["); });
        QCOMPARE(lines.size(), 1);
        QJsonParseError problem;
        const QJsonDocument error = QJsonDocument::fromJson(lines[0].toUtf8(), &problem);
        QVERIFY2(problem.error == QJsonParseError::NoError, qPrintable(lines[0]));
        QCOMPARE(error.object().keys(), QStringList({"error", "message"}));
    }
}

QTEST_GUILESS_MAIN(Vq3ctlTest)
#include "tst_vq3ctl_e2e.moc"
