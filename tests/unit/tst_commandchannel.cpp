// The command channel over an in-memory line: connecting, what goes on the wire, the
// traffic log and its line assembly, and the reception tick.
#include "FakeSerialDevice.h"

#include "link/CommandChannel.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <functional>

using vq3::link::CommandChannel;
using vq3::test::FakeSerialDevice;

namespace {

// What the channel tells, in order.
struct RecordingHost {
    QStringList events; // link states and port errors, in order
    QList<QByteArray> chunks;
    QList<QByteArray> lines;
    std::function<void(const char*)> onLine; // runs inside the tick

    explicit RecordingHost(CommandChannel& channel) {
        QObject::connect(
            &channel, &CommandChannel::linkStateShown, &channel,
            [this](const QString& text) { events << QStringLiteral("state ") + text; });
        QObject::connect(&channel, &CommandChannel::portError, &channel,
                         [this] { events << QStringLiteral("port error"); });
        QObject::connect(&channel, &CommandChannel::traffic, &channel,
                         [this](const QByteArray& chunk) { chunks << chunk; });
        QObject::connect(&channel, &CommandChannel::lineReceived, &channel,
                         [this](const char* line) {
                             lines << QByteArray(line);
                             if (onLine)
                                 onLine(line);
                         });
    }
    void Forget() {
        events.clear();
        chunks.clear();
        lines.clear();
    }
};

// Ready to talk on COM1, with the echo of the status query already consumed.
struct Link {
    FakeSerialDevice port;
    CommandChannel channel{port};
    RecordingHost host{channel};

    Link() {
        channel.SetPort(1);
        channel.ConnectSequence(false);
        channel.OnReceptionTick();
        port.written.clear();
        host.Forget();
    }
};

QByteArray Cycling(int length) {
    QByteArray text;
    for (int i = 0; i < length; ++i)
        text += static_cast<char>('A' + i % 26);
    return text;
}

} // namespace

class CommandChannelTest : public QObject {
    Q_OBJECT
private slots:
    void connectWritesStatusQueryFirst_data();
    void connectWritesStatusQueryFirst();
    void failedOpen_data();
    void failedOpen();
    void noPortConfigured();
    void sendWritesTextAndCr_data();
    void sendWritesTextAndCr();
    void disconnectedSendWritesNothing();
    void lineAssembly_data();
    void lineAssembly();
    void longLineKeepsFirst255();
    void chunkLimit_data();
    void chunkLimit();
    void burstLosesNothing_data();
    void burstLosesNothing();
    void reconnectStartsClean();
    void ticksNeverNest();
    void timerStaysOffAfterDisconnectInTick();
    void receptionSleepsWhileIdle();
    void echoWaitsForHalfReceivedLine_data();
    void echoWaitsForHalfReceivedLine();
    void lostDeviceComesBack_data();
    void lostDeviceComesBack();
    void silentUnitIsReported_data();
    void silentUnitIsReported();
};

void CommandChannelTest::connectWritesStatusQueryFirst_data() {
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<bool>("portMayBeOpen");
    QTest::addColumn<int>("closes");
    QTest::newRow("COM1 at start-up") << 1 << false << 0;
    QTest::newRow("COM9 at start-up") << 9 << false << 0;
    QTest::newRow("COM4 after the port dialog") << 4 << true << 1;
}

void CommandChannelTest::connectWritesStatusQueryFirst() {
    QFETCH(int, portNumber);
    QFETCH(bool, portMayBeOpen);
    QFETCH(int, closes);

    FakeSerialDevice port;
    port.Arrive("stale"); // left in the driver from before: purged
    CommandChannel channel(port);
    RecordingHost host(channel);
    channel.SetPort(portNumber);
    channel.ConnectSequence(portMayBeOpen);

    QCOMPARE(port.closeCount, closes);
    QCOMPARE(port.openCount, 1);
    QCOMPARE(port.lastOpenPort, portNumber);
    QCOMPARE(port.lastBaudRate, 9600);
    QCOMPARE(port.purgeCount, 1);
    QCOMPARE(port.written, QByteArray("INP\r"));
    QCOMPARE(host.events, QStringList{QStringLiteral("state COM%1").arg(portNumber)});
    QVERIFY(channel.IsConnected());
    QVERIFY(channel.TimerActive());
    QCOMPARE(channel.Port(), portNumber);

    // The log starts with the status query's echo and nothing stale.
    channel.OnReceptionTick();
    QCOMPARE(host.lines, QList<QByteArray>{">INP"});
    QCOMPARE(host.chunks, QList<QByteArray>{">INP\r\n"});
}

void CommandChannelTest::failedOpen_data() {
    QTest::addColumn<int>("failure");
    for (int code = 1; code <= 5; ++code)
        QTest::newRow(qPrintable(QStringLiteral("code %1").arg(code))) << code;
}

void CommandChannelTest::failedOpen() {
    QFETCH(int, failure);
    FakeSerialDevice port;
    port.openResult = failure;
    CommandChannel channel(port);
    RecordingHost host(channel);
    channel.SetPort(4);
    // The reason goes to standard error too.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^cannot open"));
    channel.ConnectSequence(false);

    QCOMPARE(channel.Port(), 0);
    QCOMPARE(host.events, (QStringList{"port error", "state Disconnect Port"}));
    QVERIFY(!channel.IsConnected());
    QVERIFY(!channel.TimerActive());
    QCOMPARE(port.purgeCount, 0);
    channel.SendCommand("L1");
    QVERIFY(port.written.isEmpty());

    // The next port change does not retry the forgotten port.
    host.Forget();
    channel.ConnectSequence(true);
    QCOMPARE(port.openCount, 1);
    QCOMPARE(host.events, QStringList{"state Disconnect Port"});
}

void CommandChannelTest::noPortConfigured() {
    FakeSerialDevice port;
    CommandChannel channel(port);
    RecordingHost host(channel);
    channel.ConnectSequence(false);
    QCOMPARE(port.openCount, 0);
    QCOMPARE(host.events, QStringList{"state Disconnect Port"});
    QVERIFY(!channel.TimerActive());
    QVERIFY(port.written.isEmpty());
}

void CommandChannelTest::sendWritesTextAndCr_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("lamp on") << QByteArray("L1");
    QTest::newRow("auto time") << QByteArray("AT012.5");
    QTest::newRow("typed text with blanks") << QByteArray("hello unit 42");
}

void CommandChannelTest::sendWritesTextAndCr() {
    QFETCH(QByteArray, command);
    Link link;
    link.channel.SendCommand(command);
    QCOMPARE(link.port.written, command + '\r');

    link.channel.OnReceptionTick();
    QCOMPARE(link.host.lines, QList<QByteArray>{">" + command});
    QCOMPARE(link.host.chunks, QList<QByteArray>{">" + command + "\r\n"});
}

void CommandChannelTest::disconnectedSendWritesNothing() {
    FakeSerialDevice port;
    CommandChannel channel(port);
    RecordingHost host(channel);
    channel.SendCommand("L1");
    QVERIFY(port.written.isEmpty());

    // Nothing was logged either: the first line after connecting is the status query's echo.
    channel.SetPort(2);
    channel.ConnectSequence(false);
    channel.OnReceptionTick();
    QCOMPARE(host.lines, QList<QByteArray>{">INP"});

    // A port change to "none" drops the link; commands are dropped again.
    port.written.clear();
    channel.SetPort(0);
    channel.ConnectSequence(true);
    channel.SendCommand("L0");
    QVERIFY(port.written.isEmpty());
    QVERIFY(!channel.TimerActive());
}

void CommandChannelTest::lineAssembly_data() {
    QTest::addColumn<QList<QByteArray>>("arrivals");   // one entry per tick
    QTest::addColumn<QList<QByteArray>>("dispatched"); // per tick, "-" for none
    QTest::addColumn<QList<QByteArray>>("chunks");

    QTest::newRow("split over three ticks")
        << QList<QByteArray>{"IN", "P0", "5\r"} << QList<QByteArray>{"-", "-", "INP05"}
        << QList<QByteArray>{"IN", "P0", "5\r\n"};
    QTest::newRow("two in one tick")
        << QList<QByteArray>{"INP05\rINT050\r", ""} << QList<QByteArray>{"INP05", "INT050"}
        << QList<QByteArray>{"INP05\r\n", "INT050\r\n"};
    QTest::newRow("three in one tick, partial fourth")
        << QList<QByteArray>{"STP1\rSTP2\rSTP3\rST", "", "", "P4\r"}
        << QList<QByteArray>{"STP1", "STP2", "STP3", "STP4"}
        << QList<QByteArray>{"STP1\r\n", "STP2\r\n", "STP3\r\n", "STP4\r\n"};
    QTest::newRow("line feed stays in the line")
        << QList<QByteArray>{"INP05\r\nINT050\r", ""} << QList<QByteArray>{"INP05", "\nINT050"}
        << QList<QByteArray>{"INP05\r\n", "\nINT050\r\n"};
    QTest::newRow("lone CR is an empty line")
        << QList<QByteArray>{"\r"} << QList<QByteArray>{""} << QList<QByteArray>{"\r\n"};
    QTest::newRow("quiet tick feeds nothing")
        << QList<QByteArray>{"", "ERR\r"} << QList<QByteArray>{"-", "ERR"}
        << QList<QByteArray>{"ERR\r\n"};
    QTest::newRow("NUL bytes never arrive")
        << QList<QByteArray>{QByteArray("IB", 2) + '\0' + "1\r"} << QList<QByteArray>{"IB1"}
        << QList<QByteArray>{"IB1\r\n"};
}

void CommandChannelTest::lineAssembly() {
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(QList<QByteArray>, dispatched);
    QFETCH(QList<QByteArray>, chunks);

    Link link;
    for (int tick = 0; tick < arrivals.size(); ++tick) {
        link.port.Arrive(arrivals[tick]);
        const qsizetype before = link.host.lines.size();
        link.channel.OnReceptionTick();
        if (dispatched[tick] == "-") {
            QCOMPARE(link.host.lines.size(), before);
        } else {
            QCOMPARE(link.host.lines.size(), before + 1);
            QCOMPARE(link.host.lines.last(), dispatched[tick]);
        }
    }
    QCOMPARE(link.host.chunks, chunks);
}

void CommandChannelTest::longLineKeepsFirst255() {
    Link link;
    const QByteArray line = Cycling(300);
    link.port.Arrive(line);
    link.channel.OnReceptionTick();
    QVERIFY(link.host.lines.isEmpty());
    QCOMPARE(link.host.chunks, QList<QByteArray>{line.left(250)});

    link.port.Arrive("\rINP05\r");
    link.channel.OnReceptionTick();
    QCOMPARE(link.host.lines, QList<QByteArray>{line.left(255)});
    // The next line starts afresh.
    link.channel.OnReceptionTick();
    QCOMPARE(link.host.lines.last(), QByteArray("INP05"));
}

void CommandChannelTest::chunkLimit_data() {
    QTest::addColumn<int>("length");      // characters before the CR
    QTest::addColumn<QByteArray>("tail"); // how the chunk ends after those characters
    QTest::newRow("248 then CR: line break kept") << 248 << QByteArray("\r\n");
    QTest::newRow("249 then CR: 251 characters") << 249 << QByteArray("\r\n");
    QTest::newRow("250 then CR: break dropped") << 250 << QByteArray();
    QTest::newRow("251 then CR") << 251 << QByteArray();
}

void CommandChannelTest::chunkLimit() {
    QFETCH(int, length);
    QFETCH(QByteArray, tail);
    Link link;
    const QByteArray text = Cycling(length);
    link.port.Arrive(text + '\r');
    link.channel.OnReceptionTick();
    QCOMPARE(link.host.lines, QList<QByteArray>{text});
    QCOMPARE(link.host.chunks, QList<QByteArray>{text.left(250) + tail});
}

void CommandChannelTest::burstLosesNothing_data() {
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("lineLength");             // with its CR
    QTest::addColumn<QList<QByteArray>>("commands"); // sent while the burst drains, each answered
    QTest::addColumn<int>("sendEvery");              // ticks before each command
    // Lines of 11 bytes: 93 of them fill the 1023 usable bytes of the log exactly.
    QTest::newRow("1650 bytes") << 150 << 11 << QList<QByteArray>{} << 0;
    QTest::newRow("4400 bytes") << 400 << 11 << QList<QByteArray>{} << 0;
    QTest::newRow("commands sent into a full log")
        << 150 << 11 << QList<QByteArray>{"L1", "LAMPCLR"} << 0;
    // Lines of 14 bytes: every read ends inside a line.
    QTest::newRow("three commands while 4 kB drain")
        << 300 << 14 << QList<QByteArray>{"INP", "LAMPCLR", "SETT1?"} << 40;
}

// Every line comes through whole and once: the burst in order, and each command's echo
// before its reply, which the unit sends after the burst.
void CommandChannelTest::burstLosesNothing() {
    QFETCH(int, lineCount);
    QFETCH(int, lineLength);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(int, sendEvery);

    Link link;
    QList<QByteArray> sent;
    QByteArray burst;
    for (int i = 0; i < lineCount; ++i) {
        sent << "ATTOK" + QByteArray::number(i).rightJustified(lineLength - 6, '0');
        burst += sent.last() + '\r';
    }
    link.port.Arrive(burst);

    link.channel.OnReceptionTick();
    // The log took only what it had room for; the rest waits in the driver.
    QCOMPARE(link.port.pending.size(), burst.size() - 1023);
    QByteArray wire;
    for (const QByteArray& command : commands) {
        for (int tick = 0; tick < sendEvery; ++tick)
            link.channel.OnReceptionTick();
        link.channel.SendCommand(command);
        wire += command + '\r';
        link.port.Arrive(command + "OK\r");
    }
    QCOMPARE(link.port.written, wire);

    for (int tick = 0; tick < lineCount + 3 * commands.size() + 5; ++tick)
        link.channel.OnReceptionTick();
    QList<QByteArray> lines = link.host.lines;
    qsizetype last = -1;
    for (const QByteArray& command : commands) {
        const qsizetype echo = lines.indexOf(">" + command);
        QVERIFY2(echo > last && lines.indexOf(command + "OK") > echo, command.constData());
        last = echo;
    }
    for (const QByteArray& command : commands) {
        QCOMPARE(lines.removeAll(">" + command), 1);
        QCOMPARE(lines.removeAll(command + "OK"), 1);
    }
    QCOMPARE(lines, sent);
    QByteArray traffic, expectedTraffic;
    for (const QByteArray& chunk : link.host.chunks)
        traffic += chunk;
    for (const QByteArray& line : link.host.lines)
        expectedTraffic += line + "\r\n";
    QCOMPARE(traffic, expectedTraffic);
    QVERIFY(link.port.pending.isEmpty());
}

void CommandChannelTest::reconnectStartsClean() {
    Link link;
    link.port.Arrive("INP0");
    link.channel.OnReceptionTick();   // a partial line
    link.port.Arrive("C1\rINT050\r"); // still in the driver when the port changes
    link.channel.ConnectSequence(true);
    QCOMPARE(link.port.closeCount, 1);
    QCOMPARE(link.port.purgeCount, 2);

    link.port.Arrive("5\r");
    link.channel.OnReceptionTick();
    link.channel.OnReceptionTick();
    QCOMPARE(link.host.lines, (QList<QByteArray>{">INP", "5"}));
}

// A handler that opens a modal box runs a nested event loop inside the tick; no other tick
// may start meanwhile, and ticks resume afterwards.
void CommandChannelTest::ticksNeverNest() {
    Link link;
    int depth = 0;
    int deepest = 0;
    bool timerRanDuringHandler = false;
    link.host.onLine = [&](const char* line) {
        ++depth;
        deepest = std::max(deepest, depth);
        timerRanDuringHandler |= link.channel.TimerActive();
        if (QByteArray(line) == "ERR") {
            QEventLoop box;
            QTimer::singleShot(150, &box, &QEventLoop::quit);
            box.exec();
        }
        --depth;
    };
    link.port.Arrive("ERR\rINP05\rINT050\r");
    QTRY_COMPARE_WITH_TIMEOUT(link.host.lines.size(), 3, 2000);
    QCOMPARE(link.host.lines, (QList<QByteArray>{"ERR", "INP05", "INT050"}));
    QCOMPARE(deepest, 1);
    QVERIFY(!timerRanDuringHandler);
    // All read: the channel sleeps until the port has news.
    QTRY_VERIFY(!link.channel.TimerActive());
    QVERIFY(link.port.armed);
}

void CommandChannelTest::timerStaysOffAfterDisconnectInTick() {
    Link link;
    link.host.onLine = [&](const char*) {
        link.channel.SetPort(0);
        link.channel.ConnectSequence(true);
    };
    link.port.Arrive("INP05\rINP07\r");
    link.channel.OnReceptionTick();
    QCOMPARE(link.host.lines, QList<QByteArray>{"INP05"});
    QVERIFY(!link.channel.IsConnected());
    QVERIFY(!link.channel.TimerActive());
    QCOMPARE(link.host.events.last(), QStringLiteral("state Disconnect Port"));
}

// Nothing runs while nothing arrives; arriving lines are still taken one per 20 ms tick, the
// first one at once.
void CommandChannelTest::receptionSleepsWhileIdle() {
    Link link;
    QTest::qWait(50);
    QVERIFY(!link.channel.TimerActive());
    QVERIFY(link.port.armed);

    QElapsedTimer clock;
    QList<qint64> times;
    link.host.onLine = [&](const char*) { times << clock.elapsed(); };
    clock.start();
    link.port.Arrive("INP05\rINT050\rLIFOK0123\r");
    QTRY_COMPARE(link.host.lines.size(), 3);
    QCOMPARE(link.host.lines, (QList<QByteArray>{"INP05", "INT050", "LIFOK0123"}));
    QVERIFY2(times[0] < 15, qPrintable(QString::number(times[0])));
    QVERIFY2(times[1] - times[0] >= 19 && times[2] - times[1] >= 19,
             qPrintable(QString("%1 %2 %3").arg(times[0]).arg(times[1]).arg(times[2])));
    QTRY_VERIFY(!link.channel.TimerActive());
    QVERIFY(link.port.armed);
}

void CommandChannelTest::echoWaitsForHalfReceivedLine_data() {
    QTest::addColumn<QByteArray>("first");  // received before the command is sent
    QTest::addColumn<QByteArray>("second"); // received after it
    QTest::addColumn<int>("pauseMs");       // between the command and the second part
    QTest::addColumn<int>("boxMs");         // how long an error box stays open for the line "ERR"
    QTest::addColumn<QList<QByteArray>>("lines");
    const QByteArray cure = "CURE211:" + QByteArray("050,010.0,").repeated(6) + "050,010.0";
    QTest::newRow("reply split around the command")
        << cure.left(20) << cure.mid(20) + '\r' << 0 << 0 << QList<QByteArray>{cure, ">INP"};
    QTest::newRow("rest of the line and the next one")
        << QByteArray("INT0") << QByteArray("50\rSTP3\r") << 60 << 0
        << QList<QByteArray>{"INT050", ">INP", "STP3"};
    QTest::newRow("whole reply before the command")
        << QByteArray("INT050\r") << QByteArray("STP3\r") << 0 << 0
        << QList<QByteArray>{"INT050", ">INP", "STP3"};
    // No CR for 100 ms: the echo goes in as it is, and the late rest ends its line.
    QTest::newRow("line that does not end") << QByteArray("junk") << QByteArray("more\r") << 250
                                            << 0 << QList<QByteArray>{"junk>INP", "more"};
    // The tick is held up by the box: the rest cannot be read, which is not quiet.
    QTest::newRow("sent while a reply's error box is open")
        << QByteArray("ERR\rINP0") << QByteArray("5\r") << 200 << 400
        << QList<QByteArray>{"ERR", "INP05", ">INP"};
    // The LF of a CR LF unit ends nothing and opens nothing; the next line starts with it.
    QTest::newRow("CR LF unit, whole reply before the command")
        << QByteArray("INP05\r\n") << QByteArray("INT050\r") << 0 << 0
        << QList<QByteArray>{"INP05", "\n>INP", "INT050"};
    QTest::newRow("CR LF unit, reply split around the command")
        << QByteArray("INT0") << QByteArray("50\r\nSTP3\r") << 0 << 0
        << QList<QByteArray>{"INT050", "\n>INP", "STP3"};
}

void CommandChannelTest::echoWaitsForHalfReceivedLine() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, pauseMs);
    QFETCH(int, boxMs);
    QFETCH(QList<QByteArray>, lines);
    Link link;
    auto sendThenRest = [&] {
        link.channel.SendCommand("INP");
        QCOMPARE(link.port.written, QByteArray("INP\r")); // the command itself goes out at once
        QTimer::singleShot(pauseMs, &link.port, [&] { link.port.Arrive(second); });
    };
    link.host.onLine = [&](const char* line) {
        if (boxMs == 0 || QByteArray(line) != "ERR")
            return;
        QTimer::singleShot(0, &link.port, sendThenRest);
        QEventLoop box;
        QTimer::singleShot(boxMs, &box, &QEventLoop::quit);
        box.exec();
    };
    link.port.Arrive(first);
    QTRY_VERIFY(link.port.pending.isEmpty());
    if (boxMs == 0)
        sendThenRest();
    QTRY_COMPARE(link.host.lines.size(), lines.size());
    QTest::qWait(50);
    QCOMPARE(link.host.lines, lines);
    // The Terminal sees both whole and in the same order.
    QByteArray traffic, expected;
    for (const QByteArray& chunk : link.host.chunks)
        traffic += chunk;
    for (const QByteArray& line : lines)
        expected += line + "\r\n";
    QCOMPARE(traffic, expected);
}

void CommandChannelTest::lostDeviceComesBack_data() {
    QTest::addColumn<bool>("operatorCloses"); // the operator picks "Disconnect Port" meanwhile
    QTest::newRow("device back by itself") << false;
    QTest::newRow("closed by the operator") << true;
}

void CommandChannelTest::lostDeviceComesBack() {
    QFETCH(bool, operatorCloses);
    Link link;
    QSignalSpy lost(&link.channel, &CommandChannel::deviceLost);
    QSignalSpy back(&link.channel, &CommandChannel::deviceBack);
    // What a slot can send on the news goes out before the status query.
    connect(&link.channel, &CommandChannel::deviceBack, &link.channel,
            [&] { link.channel.SendCommand("INT0"); });
    link.port.Arrive("INP05\rINT050\rSTP");
    link.channel.OnReceptionTick();
    link.port.openResult = 1; // not back yet
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^lost unplugged"));
    link.port.Unplug();
    QCOMPARE(lost.count(), 1);
    QCOMPARE(link.host.events, QStringList{"state Disconnect Port"}); // and no box
    // The whole lines received before are still taken and shown; the broken one is not.
    QTRY_COMPARE(link.host.lines, (QList<QByteArray>{"INP05", "INT050"}));
    QCOMPARE(link.host.chunks, (QList<QByteArray>{"INP05\r\n", "INT050\r\n"}));
    QVERIFY(!link.channel.IsConnected());
    QCOMPARE(link.channel.Port(), 1); // kept for the next start
    link.channel.SendCommand("L1");
    QVERIFY(link.port.written.isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(link.port.openCount >= 3, 3000); // tried again and again
    QCOMPARE(link.channel.Port(), 1);
    if (operatorCloses) {
        link.channel.SetPort(0);
        link.channel.ConnectSequence(true);
    }
    const int tries = link.port.openCount;
    link.port.openResult = 0;
    if (!operatorCloses)
        QTest::ignoreMessage(QtInfoMsg, "COM1 is back: reconnected");
    if (operatorCloses) {
        QTest::qWait(2500);
        QCOMPARE(link.port.openCount, tries);
        QVERIFY(!link.channel.IsConnected());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(link.channel.IsConnected(), 2000);
    QCOMPARE(back.count(), 1);
    QCOMPARE(link.host.events.last(), QStringLiteral("state COM1"));
    QCOMPARE(link.port.written, QByteArray("INT0\rINP\r"));
    QCOMPARE(link.port.purgeCount, 2);
    QVERIFY(!link.channel.AwaitingDevice());
}

void CommandChannelTest::silentUnitIsReported_data() {
    QTest::addColumn<int>("answerAfterMs"); // after connecting
    QTest::newRow("answers") << 100;
    QTest::newRow("off, then switched on") << 2500;
}

// The port is open either way; the log tells once that nothing answers, and once that it does.
void CommandChannelTest::silentUnitIsReported() {
    QFETCH(int, answerAfterMs);
    if (answerAfterMs > CommandChannel::kSilentUnitMs) {
        QTest::ignoreMessage(QtWarningMsg,
                             "COM1 is open but the unit does not answer (powered off? cable?)");
        QTest::ignoreMessage(QtInfoMsg, "COM1: the unit answers again");
    } else {
        QTest::failOnWarning(QRegularExpression("does not answer"));
    }
    Link link;
    QTest::qWait(answerAfterMs);
    link.port.Arrive("INP05\r");
    QTRY_COMPARE(link.host.lines, QList<QByteArray>{"INP05"});
    QTest::qWait(std::max(0, CommandChannel::kSilentUnitMs + 200 - answerAfterMs));
    QCOMPARE(link.host.events, QStringList{});
}

QTEST_GUILESS_MAIN(CommandChannelTest)
#include "tst_commandchannel.moc"
