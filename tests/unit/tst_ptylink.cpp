// The simulated unit on a pseudo-terminal, seen from the controller's side of the line: a
// plain termios descriptor on the slave writes commands and reads what comes back.
#include "LineStream.h"
#include "PtyLink.h"
#include "SimulatedUnit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using vq3::sim::LineStream;
using vq3::sim::LinkOptions;
using vq3::sim::PtyLink;
using vq3::sim::SimulatedUnit;

Q_DECLARE_METATYPE(vq3::sim::LinkOptions)

namespace {

// The controller's end of the line, opened the way a serial port is.
class Terminal {
public:
    explicit Terminal(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::cfsetispeed(&settings, B9600);
            ::cfsetospeed(&settings, B9600);
            ::tcsetattr(m_fd, TCSANOW, &settings);
        }
        m_clock.start();
    }
    ~Terminal() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    bool Write(const QByteArray& bytes) {
        m_writtenAt = m_clock.elapsed();
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }
    // Takes what is waiting, noting when each piece arrived (ms after the last write).
    void Poll() {
        char buffer[4096];
        ssize_t count;
        while ((count = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            chunks.append({m_clock.elapsed() - m_writtenAt, QByteArray(buffer, count)});
            data.append(buffer, count);
        }
    }
    bool WaitForBytes(qsizetype size, int ms = 3000) {
        return QTest::qWaitFor(
            [&] {
                Poll();
                return data.size() >= size;
            },
            ms);
    }
    // The other side is gone: a hang-up, end of file or EIO instead of "nothing yet".
    bool HungUp() {
        pollfd descriptor{m_fd, POLLIN, 0};
        if (::poll(&descriptor, 1, 0) == 1 && (descriptor.revents & (POLLHUP | POLLERR)))
            return true;
        char byte;
        const ssize_t count = ::read(m_fd, &byte, 1);
        return count == 0 || (count < 0 && errno == EIO);
    }

    struct Chunk {
        qint64 at;
        QByteArray bytes;
    };
    QList<Chunk> chunks;
    QByteArray data;

private:
    int m_fd = -1;
    QElapsedTimer m_clock;
    qint64 m_writtenAt = 0;
};

LinkOptions Faults(std::function<void(LinkOptions&)> change) {
    LinkOptions options;
    change(options);
    return options;
}

QString LinkTarget(const QString& link) {
    return QFileInfo(link).symLinkTarget();
}

} // namespace

class PtyLinkTest : public QObject {
    Q_OBJECT
private slots:
    void replyForms_data();
    void replyForms();
    void timing_data();
    void timing();
    void garbageEveryNthReply();
    void silentUnitStillActs();
    void inputIsAssembledIntoCommands();
    void reopenedPortStillAnswers();
    void dropHangsUpAndRestoreComesBack();
    void dropAfterFirstCommand();
    void linkRules();
    void lineStreamPace_data();
    void lineStreamPace();
    void streamGoesOutAtLineSpeed();
};

void PtyLinkTest::replyForms_data() {
    QTest::addColumn<LinkOptions>("options");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("junkBytes"); // junk before the reply
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("nul");

    QTest::newRow("plain") << LinkOptions{} << QByteArray("INP") << 0 << QByteArray("INP00\r")
                           << false;
    QTest::newRow("CR LF") << Faults([](LinkOptions& o) { o.crlf = true; }) << QByteArray("INP")
                           << 0 << QByteArray("INP00\r\n") << false;
    QTest::newRow("NUL bytes") << Faults([](LinkOptions& o) { o.nulBytes = true; })
                               << QByteArray("INTQ") << 0 << QByteArray("INT050\r") << true;
    QTest::newRow("garbage line") << Faults([](LinkOptions& o) { o.garbageEveryN = 1; })
                                  << QByteArray("INTQ") << 25 << QByteArray("INT050\r") << false;
    QTest::newRow("over-long line on INP")
        << Faults([](LinkOptions& o) { o.overlong = true; }) << QByteArray("INP") << 301
        << QByteArray("INP00\r") << false;
    QTest::newRow("no over-long line on other replies")
        << Faults([](LinkOptions& o) { o.overlong = true; }) << QByteArray("INTQ") << 0
        << QByteArray("INT050\r") << false;
    QTest::newRow("burst on INP") << Faults([](LinkOptions& o) { o.burstBytes = 2000; })
                                  << QByteArray("INP") << 2000 << QByteArray("INP00\r") << false;
    QTest::newRow("burst with CR LF") << Faults([](LinkOptions& o) {
        o.burstBytes = 120;
        o.crlf = true;
    }) << QByteArray("INP") << 122 << QByteArray("INP00\r\n")
                                      << false;
    QTest::newRow("action commands answer nothing")
        << Faults([](LinkOptions& o) { o.garbageEveryN = 1; }) << QByteArray("L1") << 0
        << QByteArray() << false;
}

void PtyLinkTest::replyForms() {
    QFETCH(LinkOptions, options);
    QFETCH(QByteArray, command);
    QFETCH(int, junkBytes);
    QFETCH(QByteArray, reply);
    QFETCH(bool, nul);
    SimulatedUnit unit;
    PtyLink link(unit, options);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    QVERIFY(terminal.IsOpen());
    QVERIFY(terminal.Write(command + '\r'));

    const qsizetype nulBytes = nul ? 1 : 0; // at least
    QVERIFY(terminal.WaitForBytes(junkBytes + reply.size() + nulBytes));
    QTest::qWait(100); // nothing more follows
    terminal.Poll();
    QByteArray received = terminal.data;
    QCOMPARE(received.contains('\0'), nul);
    received.replace('\0', QByteArray());
    QCOMPARE(received.size(), junkBytes + reply.size());
    QCOMPARE(received.mid(junkBytes), reply);

    // Junk is whole lines that no reply rule and no NG scan can take for an answer.
    const QByteArray junk = received.left(junkBytes);
    QVERIFY(junk.isEmpty() || junk.endsWith(options.crlf ? "\r\n" : "\r"));
    for (const char c : junk)
        QVERIFY2(!(c >= 'A' && c <= 'Z'), junk.constData());
    QCOMPARE(link.Received(), command + '\r');
}

void PtyLinkTest::timing_data() {
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("whole") << 1 << 0;
    QTest::newRow("two pieces") << 2 << 0;
    QTest::newRow("six pieces") << 6 << 0;
    QTest::newRow("more pieces than bytes") << 9 << 0;
    QTest::newRow("delayed") << 1 << 300;
    QTest::newRow("delayed and split") << 3 << 200;
}

void PtyLinkTest::timing() {
    QFETCH(int, pieces);
    QFETCH(int, delayMs);
    SimulatedUnit unit;
    LinkOptions options;
    options.splitPieces = pieces;
    options.replyDelayMs = delayMs;
    PtyLink link(unit, options);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    QVERIFY(terminal.Write("INP\r"));
    QVERIFY(terminal.WaitForBytes(6));
    QCOMPARE(terminal.data, QByteArray("INP00\r"));

    // The pieces cannot come early; each is at least one reception tick after the one before.
    const int realPieces = std::min(pieces, 6);
    QVERIFY2(terminal.chunks.first().at >= delayMs - 5,
             qPrintable(QString::number(terminal.chunks.first().at)));
    QVERIFY2(terminal.chunks.last().at >= delayMs + (realPieces - 1) * 25,
             qPrintable(QString::number(terminal.chunks.last().at)));
    if (realPieces > 1)
        QVERIFY(terminal.chunks.size() >= 2);
    else
        QCOMPARE(terminal.chunks.size(), 1);
}

void PtyLinkTest::garbageEveryNthReply() {
    SimulatedUnit unit;
    LinkOptions options;
    options.garbageEveryN = 3;
    PtyLink link(unit, options);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    QVERIFY(terminal.Write("INTQ\rINTQ\rL1\rINTQ\rINTQ\rINTQ\rINTQ\r"));
    QVERIFY(terminal.WaitForBytes(6 * 7 + 2 * 25));
    const QList<QByteArray> lines = terminal.data.chopped(1).split('\r');
    QCOMPARE(lines.size(), 8);
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines[i] == "INT050", i != 2 && i != 6);
}

void PtyLinkTest::silentUnitStillActs() {
    SimulatedUnit unit;
    LinkOptions options;
    options.silent = true;
    PtyLink link(unit, options);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    QVERIFY(terminal.Write("INP\rL1\r"));
    QTRY_COMPARE(link.Received(), QByteArray("INP\rL1\r"));
    QTest::qWait(200);
    terminal.Poll();
    QCOMPARE(terminal.data, QByteArray());
    QVERIFY(unit.lampOn());
    // It answers again once it is no longer silent.
    link.Options().silent = false;
    QVERIFY(terminal.Write("INTQ\r"));
    QVERIFY(terminal.WaitForBytes(7));
    QCOMPARE(terminal.data, QByteArray("INT050\r"));
}

void PtyLinkTest::inputIsAssembledIntoCommands() {
    SimulatedUnit unit;
    PtyLink link(unit);
    QSignalSpy commands(&link, &PtyLink::commandReceived);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    const QByteArray overlong = QByteArray(600, 'A') + '\r';
    const QList<QByteArray> writes = {"IN", "P\r",    QByteArray("I\0N\nP\r", 6),
                                      "\r", overlong, "INTQ\r"};
    QByteArray all;
    for (const QByteArray& bytes : writes) {
        QVERIFY(terminal.Write(bytes));
        all += bytes;
        QTest::qWait(30);
    }
    QVERIFY(terminal.WaitForBytes(19));
    QCOMPARE(terminal.data, QByteArray("INP00\rINP00\rINT050\r"));
    QCOMPARE(commands.size(), 3);
    QCOMPARE(commands[0][0].toByteArray(), QByteArray("INP"));
    QCOMPARE(commands[1][0].toByteArray(), QByteArray("INP"));
    QCOMPARE(commands[2][0].toByteArray(), QByteArray("INTQ"));
    QCOMPARE(link.Received(), all);
    QCOMPARE(unit.commandLog(), (QList<QByteArray>{"INP", "INP", "INTQ"}));
}

// The controller closes and opens the port again (a reconnect): the unit is still there.
void PtyLinkTest::reopenedPortStillAnswers() {
    SimulatedUnit unit;
    PtyLink link(unit);
    QVERIFY(link.Start());
    {
        Terminal first(link.SlavePath());
        QVERIFY(first.Write("INP\r"));
        QVERIFY(first.WaitForBytes(6));
    }
    QTest::qWait(50);
    Terminal second(link.SlavePath());
    QVERIFY(!second.HungUp());
    QVERIFY(second.Write("INTQ\r"));
    QVERIFY(second.WaitForBytes(7));
    QCOMPARE(second.data, QByteArray("INT050\r"));
}

void PtyLinkTest::dropHangsUpAndRestoreComesBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath("COM1");
    SimulatedUnit unit;
    PtyLink link(unit);
    QVERIFY(link.Start(path));
    const QString firstSlave = link.SlavePath();
    QCOMPARE(LinkTarget(path), firstSlave);
    Terminal before(path);
    QVERIFY(before.Write("INP\r"));
    QVERIFY(before.WaitForBytes(6));

    link.Drop();
    QVERIFY(!link.Serving());
    QVERIFY(link.SlavePath().isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return before.HungUp(); }, 2000));
    QVERIFY(!QFileInfo(path).isSymLink());
    QVERIFY(!before.Write("INP\r") || QTest::qWaitFor([&] { return before.HungUp(); }, 100));

    QVERIFY(link.Restore());
    QVERIFY(!link.SlavePath().isEmpty());
    QCOMPARE(LinkTarget(path), link.SlavePath());
    Terminal after(path);
    QVERIFY(after.IsOpen());
    QVERIFY(after.Write("INTQ\r"));
    QVERIFY(after.WaitForBytes(7));
    QCOMPARE(after.data, QByteArray("INT050\r"));
    QCOMPARE(link.Received(), QByteArray("INP\rINTQ\r"));
}

void PtyLinkTest::dropAfterFirstCommand() {
    SimulatedUnit unit;
    LinkOptions options;
    options.dropAfterMs = 200;
    PtyLink link(unit, options);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    QTest::qWait(300); // the time runs from the first command, not from the start
    QVERIFY(!terminal.HungUp());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(terminal.Write("INP\r"));
    QVERIFY(terminal.WaitForBytes(6));
    QVERIFY(QTest::qWaitFor([&] { return terminal.HungUp(); }, 3000));
    QVERIFY2(clock.elapsed() >= 190, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!link.Serving());
}

void PtyLinkTest::linkRules() {
    QTemporaryDir dir;
    SimulatedUnit unit;

    // An old link is replaced.
    const QString path = dir.filePath("COM2");
    QVERIFY(QFile::link("/dev/null", path));
    {
        PtyLink link(unit);
        QVERIFY(link.Start(path));
        QCOMPARE(LinkTarget(path), link.SlavePath());
        QVERIFY(!link.Start(path)); // already serving
    }
    QVERIFY(!QFileInfo(path).isSymLink()); // removed when the link goes away

    // A link someone pointed elsewhere meanwhile is left alone.
    {
        PtyLink link(unit);
        QVERIFY(link.Start(path));
        QFile::remove(path);
        QVERIFY(QFile::link("/dev/zero", path));
    }
    QCOMPARE(LinkTarget(path), QStringLiteral("/dev/zero"));

    // A real file is never replaced.
    const QString file = dir.filePath("COM3");
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("keep me");
    plain.close();
    PtyLink link(unit);
    QVERIFY(!link.Start(file));
    QVERIFY(!link.Serving());
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("keep me"));
}

void PtyLinkTest::lineStreamPace_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("bytesPerSecond");
    QTest::addColumn<QList<qint64>>("takenAt"); // ms since the stream began
    QTest::addColumn<QList<int>>("lines");      // whole lines handed out by each take
    // 960 bytes a second of 7-byte lines: 137 lines (959 bytes) in the first second.
    QTest::newRow("9600 baud") << QByteArray("INT050") << 960
                               << QList<qint64>{0, 7, 8, 1000, 1000, 1001, 60000}
                               << QList<int>{0, 0, 1, 136, 0, 0, 8228 - 137};
    QTest::newRow("empty text is a lone CR")
        << QByteArray() << 960 << QList<qint64>{1000, 1500} << QList<int>{960, 480};
    QTest::newRow("a line longer than a tick goes out whole")
        << QByteArray(1999, 'x') << 960 << QList<qint64>{2000, 2083, 2084, 4166, 4167}
        << QList<int>{0, 0, 1, 0, 1};
    QTest::newRow("time going backwards hands out nothing")
        << QByteArray("AB") << 300 << QList<qint64>{100, 50, -5, 110} << QList<int>{10, 0, 0, 1};
}

void PtyLinkTest::lineStreamPace() {
    QFETCH(QByteArray, line);
    QFETCH(int, bytesPerSecond);
    QFETCH(QList<qint64>, takenAt);
    QFETCH(QList<int>, lines);
    LineStream stream(line, bytesPerSecond);
    qint64 total = 0;
    for (int i = 0; i < takenAt.size(); ++i) {
        const QByteArray taken = stream.Take(takenAt[i]);
        QCOMPARE(taken, (line + '\r').repeated(lines[i]));
        total += taken.size();
        QCOMPARE(stream.BytesTaken(), total);
        QVERIFY(total <= std::max<qint64>(0, takenAt[i]) * bytesPerSecond / 1000 || lines[i] == 0);
    }
}

// The unit chatters on its own at 960 bytes a second once the delay is over; a reply to a
// command goes out between two whole chatter lines.
void PtyLinkTest::streamGoesOutAtLineSpeed() {
    SimulatedUnit unit;
    LinkOptions options;
    options.stream = true;
    options.streamText = "INT050";
    options.streamAfterMs = 300;
    QElapsedTimer clock;
    clock.start();
    PtyLink link(unit, options);
    QVERIFY(link.Start());
    Terminal terminal(link.SlavePath());
    QVERIFY(terminal.WaitForBytes(1, 3000));
    QVERIFY2(clock.elapsed() >= 290, qPrintable(QString::number(clock.elapsed())));

    QVERIFY(terminal.Write("INP\r"));
    const qint64 from = clock.elapsed();
    const qsizetype before = terminal.data.size();
    QTest::qWait(1500); // a stretch of chatter to measure its pace over
    terminal.Poll();
    const double perSecond = (terminal.data.size() - before) * 1000.0 / (clock.elapsed() - from);
    QVERIFY2(perSecond > 960 * 0.85 && perSecond < 960 * 1.15,
             qPrintable(QString::number(perSecond)));

    QList<QByteArray> lines = terminal.data.split('\r');
    lines.removeLast(); // the line still on its way
    QCOMPARE(lines.count("INP00"), 1);
    QCOMPARE(lines.count("INT050"), lines.size() - 1);
    QVERIFY(lines.size() > 200);
}

QTEST_GUILESS_MAIN(PtyLinkTest)
#include "tst_ptylink.moc"
