// The serial port over a real pseudo-terminal: the test holds the unit's end (the master)
// and links it as COMn in a temporary device folder.
#include "FakeSerialDevice.h"

#include "link/CSerialPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using vq3::link::CSerialPort;
using vq3::test::FakeDriverOutput;

namespace {

// The unit's side of a pseudo-terminal.
class Unit {
public:
    Unit() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slave = QString::fromLocal8Bit(::ptsname(m_master));
    }
    ~Unit() { Hangup(); }
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    bool Valid() const { return m_master >= 0 && !m_slave.isEmpty(); }
    QString SlavePath() const { return m_slave; }
    int Master() const { return m_master; }

    void Send(const QByteArray& bytes) const {
        QCOMPARE(::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())),
                 static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes arrived or the time is up.
    QByteArray Receive(int count, int timeoutMs = 2000) const {
        QByteArray bytes;
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < count && clock.elapsed() < timeoutMs) {
            pollfd ready{m_master, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            char buffer[4096];
            const auto want = std::min(sizeof buffer, static_cast<size_t>(count - bytes.size()));
            const ssize_t n = ::read(m_master, buffer, want);
            if (n > 0)
                bytes.append(buffer, n);
        }
        return bytes;
    }
    void Hangup() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_slave;
};

// As the command channel opens: one stop bit (code 0), RTS on, no flow control.
int OpenPort(CSerialPort& port, int number, int baudRate = 9600, int parity = 0, int byteSize = 8) {
    return port.Open(baudRate, parity, byteSize, 0, 1, 0, number);
}

QByteArray ByteValues(int first) {
    QByteArray bytes;
    for (int i = first; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

} // namespace

class SerialPortTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensRawAt9600();
    void openIsExclusive();
    void reopenOfHeldPortSucceeds();
    void readTakesOnlyWhatIsWaiting_data();
    void readTakesOnlyWhatIsWaiting();
    void writeArrivesByteForByte_data();
    void writeArrivesByteForByte();
    void purgeDropsWaitingInput();
    void hangUpIsALostDevice_data();
    void hangUpIsALostDevice();
    void readyReadOncePerArming();
    void writesNeverWait_data();
    void writesNeverWait();
    void driverOutputQueue_data();
    void driverOutputQueue();
    void reopensOnANewLink();
    void portOutsideOneToNine_data();
    void portOutsideOneToNine();
    void failedSetupReleasesDevice_data();
    void failedSetupReleasesDevice();
    void devicePaths();

private:
    bool LinkAs(const QString& name, const QString& target);

    QTemporaryDir* m_dir = nullptr;
    Unit* m_unit = nullptr;
};

bool SerialPortTest::LinkAs(const QString& name, const QString& target) {
    const QString link = m_dir->filePath(name);
    QFile::remove(link);
    return QFile::link(target, link);
}

void SerialPortTest::init() {
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    CSerialPort::SetDeviceFolder(m_dir->path());
    m_unit = new Unit;
    QVERIFY(m_unit->Valid());
    QVERIFY(LinkAs("COM1", m_unit->SlavePath()));
}

void SerialPortTest::cleanup() {
    delete m_unit;
    delete m_dir;
    m_unit = nullptr;
    m_dir = nullptr;
}

void SerialPortTest::opensRawAt9600() {
    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    QVERIFY(port.IsOpen());
    QCOMPARE(port.PortNumber(), 1);

    // The master reports the slave's settings.
    termios settings{};
    QCOMPARE(::tcgetattr(m_unit->Master(), &settings), 0);
    QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
    QCOMPARE(cfgetispeed(&settings), speed_t(B9600));
    QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF | ICRNL), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));

    QVERIFY(port.Close());
    QVERIFY(!port.IsOpen());
    QVERIFY(!port.Close());
}

void SerialPortTest::openIsExclusive() {
    CSerialPort first;
    CSerialPort second;
    QCOMPARE(OpenPort(first, 1), 0);
    QCOMPARE(OpenPort(second, 1), 1);
    QVERIFY(!second.IsOpen());

    // The refused open left the holder's line alone.
    m_unit->Send("INP05\r");
    QTRY_COMPARE(first.BytesWaiting(), 6);

    first.Close();
    QCOMPARE(OpenPort(second, 1), 0);
}

void SerialPortTest::reopenOfHeldPortSucceeds() {
    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    QCOMPARE(OpenPort(port, 1), 0);
    QVERIFY(port.IsOpen());
    QCOMPARE(port.Write("L1\r", 3), 3);
    QCOMPARE(m_unit->Receive(3), QByteArray("L1\r"));
}

void SerialPortTest::readTakesOnlyWhatIsWaiting_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QByteArray>("delivered");
    QTest::addColumn<int>("left");
    QTest::newRow("whole queue, larger buffer")
        << QByteArray("INP05\r") << 100 << QByteArray("INP05\r") << 0;
    QTest::newRow("part of the queue") << QByteArray("INT050\r") << 3 << QByteArray("INT") << 4;
    QTest::newRow("NUL bytes stripped")
        << QByteArray("A\0B\0\0C\r", 7) << 100 << QByteArray("ABC\r") << 0;
    QTest::newRow("only NUL bytes") << QByteArray("\0\0\0", 3) << 100 << QByteArray() << 0;
    QTest::newRow("every other byte value") << ByteValues(1) << 1000 << ByteValues(1) << 0;
}

void SerialPortTest::readTakesOnlyWhatIsWaiting() {
    QFETCH(QByteArray, sent);
    QFETCH(int, maxLength);
    QFETCH(QByteArray, delivered);
    QFETCH(int, left);

    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    char buffer[1024];
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(port.Read(buffer, 100), 0); // nothing there: returns at once
    QVERIFY(clock.elapsed() < 100);

    m_unit->Send(sent);
    QTRY_COMPARE(port.BytesWaiting(), static_cast<int>(sent.size()));
    const int count = port.Read(buffer, maxLength);
    QCOMPARE(QByteArray(buffer, count), delivered);
    QCOMPARE(port.BytesWaiting(), left);
}

void SerialPortTest::writeArrivesByteForByte_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("command") << QByteArray("AT012.5\r");
    QTest::newRow("lone CR") << QByteArray("\r");
    QTest::newRow("line feed stays") << QByteArray("a\nb\r");
    QTest::newRow("every byte value") << ByteValues(0);
    QTest::newRow("3000 bytes") << ByteValues(0).repeated(12).left(3000);
}

void SerialPortTest::writeArrivesByteForByte() {
    QFETCH(QByteArray, bytes);
    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    QCOMPARE(port.Write(bytes.constData(), static_cast<int>(bytes.size())),
             static_cast<int>(bytes.size()));
    QCOMPARE(m_unit->Receive(static_cast<int>(bytes.size())), bytes);
}

void SerialPortTest::purgeDropsWaitingInput() {
    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    m_unit->Send("stale reply\r");
    QTRY_COMPARE(port.BytesWaiting(), 12);
    QCOMPARE(port.Purge(), 1);
    QCOMPARE(port.BytesWaiting(), 0);
    m_unit->Send("INP05\r");
    char buffer[64];
    QTRY_COMPARE(port.BytesWaiting(), 6);
    QCOMPARE(QByteArray(buffer, port.Read(buffer, 64)), QByteArray("INP05\r"));
}

void SerialPortTest::hangUpIsALostDevice_data() {
    QTest::addColumn<QString>("noticedBy");
    QTest::newRow("watching for bytes") << "armed";
    QTest::newRow("polling for bytes") << "poll";
    QTest::newRow("writing") << "write";
}

// The unit's side goes away: the device is released at once and reported lost once, and
// nothing the channel does meanwhile waits.
void SerialPortTest::hangUpIsALostDevice() {
    QFETCH(QString, noticedBy);
    CSerialPort port;
    QSignalSpy lost(&port, &CSerialPort::lost);
    QCOMPARE(OpenPort(port, 1), 0);
    m_unit->Hangup();

    QElapsedTimer clock;
    clock.start();
    char buffer[1024];
    if (noticedBy == "armed")
        port.ArmReadNotification();
    else if (noticedBy == "poll")
        QCOMPARE(port.Read(buffer, 1023), 0);
    else
        QCOMPARE(port.Write("INP\r", 4), 4);
    QVERIFY2(clock.elapsed() < 100, "a vanished device must not make anyone wait");
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!port.IsOpen());
    QVERIFY2(lost[0][0].toString().startsWith("COM1 ("), qPrintable(lost[0][0].toString()));
    QCOMPARE(port.BytesWaiting(), 0);
    QCOMPARE(port.Write("INP\r", 4), 0);
    QTest::qWait(50);
    QCOMPARE(lost.count(), 1);
}

void SerialPortTest::readyReadOncePerArming() {
    CSerialPort port;
    QSignalSpy ready(&port, &CSerialPort::readyRead);
    QCOMPARE(OpenPort(port, 1), 0);
    m_unit->Send("INP05\r");
    QTest::qWait(50);
    QCOMPARE(ready.count(), 0); // not armed

    port.ArmReadNotification(); // bytes already wait: at once
    QTRY_COMPARE(ready.count(), 1);
    m_unit->Send("INT050\r");
    QTest::qWait(50);
    QCOMPARE(ready.count(), 1); // once per arming, however much comes

    char buffer[64];
    QCOMPARE(port.Read(buffer, 64), 13);
    port.ArmReadNotification();
    QTest::qWait(50);
    QCOMPARE(ready.count(), 1); // nothing waiting
    m_unit->Send("STP3\r");
    QTRY_COMPARE(ready.count(), 2);
}

void SerialPortTest::writesNeverWait_data() {
    QTest::addColumn<bool>("unitReadsAgain");
    QTest::addColumn<int>("readsAtOnce"); // bytes the unit takes every 20 ms
    QTest::newRow("stalled, then reading again") << true << 4096;
    // Some 4 s for all: longer than the write limit, yet never lost.
    QTest::newRow("slow line") << true << 500;
    QTest::newRow("stalled past the write limit") << false << 0;
}

// The unit stops reading: writes return at once and queue in order; when the unit reads
// again everything arrives, else the device counts as lost after the write limit.
void SerialPortTest::writesNeverWait() {
    QFETCH(bool, unitReadsAgain);
    QFETCH(int, readsAtOnce);
    CSerialPort port;
    port.SetWriteLimitMs(1500);
    QSignalSpy lost(&port, &CSerialPort::lost);
    QCOMPARE(OpenPort(port, 1), 0);

    QByteArray sent;
    QElapsedTimer clock;
    clock.start();
    // Far more than a pseudo-terminal buffers (some 16 kB).
    for (int block = 0; port.BytesQueued() < 64000 && block < 1000; ++block) {
        const QByteArray bytes = ByteValues(1).repeated(16).left(4000) + QByteArray::number(block);
        QCOMPARE(port.Write(bytes.constData(), static_cast<int>(bytes.size())),
                 static_cast<int>(bytes.size()));
        sent += bytes;
    }
    QVERIFY(port.BytesQueued() >= 64000);
    const QByteArray tail = "LAMPCLR\r";
    QCOMPARE(port.Write(tail.constData(), 8), 8);
    sent += tail;
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));

    if (unitReadsAgain) {
        // The port writes the rest from the event loop as the unit makes room.
        QByteArray received;
        while (received.size() < sent.size() && clock.elapsed() < 10000) {
            const qsizetype left = sent.size() - received.size();
            received += m_unit->Receive(int(std::min<qsizetype>(left, readsAtOnce)), 20);
            QTest::qWait(20);
        }
        QCOMPARE(received, sent);
        QTRY_COMPARE(port.BytesQueued(), qsizetype(0));
        QTest::qWait(1600);
        QCOMPARE(lost.count(), 0);
        QVERIFY(port.IsOpen());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
        QVERIFY(clock.elapsed() >= 1500);
        QVERIFY(!port.IsOpen());
    }
}

void SerialPortTest::driverOutputQueue_data() {
    QTest::addColumn<QList<int>>("unsent"); // what the driver holds, in steps of 250 ms
    QTest::addColumn<bool>("close");        // closed at once, else left to the stall rule
    QTest::addColumn<int>("afterMs");       // lost after (-1: never), or how long Close takes
    QTest::addColumn<bool>("discarded");
    // Counted from the last byte the driver sent; a few bytes never fill its queue.
    QTest::newRow("all sent at once") << QList<int>{0} << false << -1 << false;
    QTest::newRow("sent slowly") << QList<int>{40, 36, 32, 28, 24, 20, 16, 12, 8, 4, 0} << false
                                 << -1 << false;
    QTest::newRow("never sent") << QList<int>{4} << false << 1500 << true;
    QTest::newRow("some sent, then stalled") << QList<int>{8, 8, 8, 4} << false << 2250 << true;
    // A normal close lets output drain for half a second at most; close() would wait for it.
    QTest::newRow("closed, nothing unsent") << QList<int>{0} << true << 0 << false;
    QTest::newRow("closed, drains in 250 ms") << QList<int>{6, 0} << true << 250 << false;
    QTest::newRow("closed, never drains") << QList<int>{6} << true << 500 << true;
}

// The driver's own queue of unsent output, which a pseudo-terminal does not keep: output it
// holds and does not send makes a lost device, and is thrown away before any close.
void SerialPortTest::driverOutputQueue() {
    QFETCH(QList<int>, unsent);
    QFETCH(bool, close);
    QFETCH(int, afterMs);
    QFETCH(bool, discarded);
    FakeDriverOutput driver;
    CSerialPort port;
    port.SetDriverOutput(&driver);
    port.SetWriteLimitMs(1500);
    QSignalSpy lost(&port, &CSerialPort::lost);
    QCOMPARE(OpenPort(port, 1), 0);
    driver.unsent = [unsent](qint64 ms) {
        return unsent[std::min<qsizetype>(ms / 250, unsent.size() - 1)];
    };
    driver.Start();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(port.Write("INP\r", 4), 4);
    if (close) {
        QVERIFY(port.Close());
        QVERIFY2(clock.elapsed() >= afterMs && clock.elapsed() < afterMs + 400,
                 qPrintable(QString::number(clock.elapsed())));
    } else if (afterMs < 0) {
        QTest::qWait(3500);
        QVERIFY(!port.WatchingOutput()); // nothing wakes up once all is sent
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, afterMs + 2000);
        // Late by the check's period and a loaded machine; a count restarted would be 1.5 s.
        QVERIFY2(clock.elapsed() >= afterMs && clock.elapsed() < afterMs + 1400,
                 qPrintable(QString::number(clock.elapsed())));
    }
    QCOMPARE(lost.count(), !close && afterMs >= 0 ? 1 : 0);
    QCOMPARE(driver.discards, discarded ? 1 : 0);
    QCOMPARE(driver.discardedWhileOpen, discarded);
}

void SerialPortTest::reopensOnANewLink() {
    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    m_unit->Hangup();
    QCOMPARE(port.BytesWaiting(), 0);

    Unit again;
    QVERIFY(again.Valid());
    QVERIFY(LinkAs("COM1", again.SlavePath()));
    port.Close();
    QCOMPARE(OpenPort(port, 1), 0);
    again.Send("INP05\r");
    char buffer[64];
    QTRY_COMPARE(port.BytesWaiting(), 6);
    QCOMPARE(QByteArray(buffer, port.Read(buffer, 64)), QByteArray("INP05\r"));
    QCOMPARE(port.Write("INP\r", 4), 4);
    QCOMPARE(again.Receive(4), QByteArray("INP\r"));
}

void SerialPortTest::portOutsideOneToNine_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("0") << 0;
    QTest::newRow("10") << 10;
    QTest::newRow("11") << 11;
    QTest::newRow("-1") << -1;
}

void SerialPortTest::portOutsideOneToNine() {
    QFETCH(int, number);
    // "COM:" would be the name of port 10; even an entry of that name is not taken.
    if (number >= 0)
        QVERIFY(LinkAs(QStringLiteral("COM") + QChar(u'0' + number), m_unit->SlavePath()));

    CSerialPort port;
    QCOMPARE(OpenPort(port, 1), 0);
    QCOMPARE(OpenPort(port, number), 1);
    QVERIFY(!port.IsOpen());
    QCOMPARE(port.PortNumber(), number);
    QVERIFY(!port.Close());

    // The port held before the failed open was released.
    CSerialPort other;
    QCOMPARE(OpenPort(other, 1), 0);
}

void SerialPortTest::failedSetupReleasesDevice_data() {
    QTest::addColumn<bool>("regularFile");
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<int>("failure");
    QTest::newRow("not a terminal") << true << 9600 << 0 << 8 << 2;
    QTest::newRow("speed without a code") << false << 12345 << 0 << 8 << 3;
    QTest::newRow("nine data bits") << false << 9600 << 0 << 9 << 3;
    // A pseudo-terminal always carries 8 data bits without parity.
    QTest::newRow("7 data bits not taken") << false << 9600 << 0 << 7 << 4;
    QTest::newRow("parity not taken") << false << 9600 << 2 << 8 << 4;
}

void SerialPortTest::failedSetupReleasesDevice() {
    QFETCH(bool, regularFile);
    QFETCH(int, baudRate);
    QFETCH(int, parity);
    QFETCH(int, byteSize);
    QFETCH(int, failure);

    int number = 1;
    if (regularFile) {
        QFile file(m_dir->filePath("COM2"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        number = 2;
    }
    CSerialPort port;
    QCOMPARE(OpenPort(port, number, baudRate, parity, byteSize), failure);
    QVERIFY(!port.IsOpen());

    // Released: another open gets as far as before, not stopped by the lock.
    CSerialPort other;
    QCOMPARE(OpenPort(other, number), regularFile ? 2 : 0);
}

void SerialPortTest::devicePaths() {
    QCOMPARE(CSerialPort::DevicePath(1), QFileInfo(m_unit->SlavePath()).canonicalFilePath());
    QCOMPARE(CSerialPort::DevicePath(5), QStringLiteral("/dev/ttyS4"));
    QCOMPARE(CSerialPort::DevicePath(1 + 8), QStringLiteral("/dev/ttyS8"));
    QVERIFY(CSerialPort::DevicePath(0).isEmpty());
    QVERIFY(CSerialPort::DevicePath(10).isEmpty());

    // A link whose device is gone is not replaced by another device.
    QVERIFY(LinkAs("COM3", m_dir->filePath("gone")));
    QCOMPARE(CSerialPort::DevicePath(3), m_dir->filePath("COM3"));
    CSerialPort port;
    QCOMPARE(OpenPort(port, 3), 1);
}

QTEST_GUILESS_MAIN(SerialPortTest)
#include "tst_serialport.moc"
