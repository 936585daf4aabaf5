// What vq3-ports reads from the system, on a made-up device tree and made-up lock tables:
// which serial devices are present, their stable names, and who holds a device's lock.
#include "FileHelpers.h"
#include "link/LockHolders.h"
#include "ports/SerialDevices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using vq3::link::LockFileProcess;
using vq3::link::LockingProcesses;
using vq3::ports::DeviceTree;
using vq3::ports::FindSerialDevices;
using vq3::ports::SerialDevice;
using vq3::ports::StableName;
using vq3::test::WriteFile;

class SerialDevicesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void findsDevicesPresent();
    void stableName_data();
    void stableName();
    void lockingProcesses_data();
    void lockingProcesses();
    void lockFileProcess();

private:
    QString Dev(const QString& name) const { return m_tree.dev + "/" + name; }
    // A device node stand-in, and its serial core description when `uartType` is given.
    bool AddPort(const QString& name, const QByteArray& uartType = {}) {
        const QString sys = m_tree.sys + "/class/tty/" + name;
        return WriteFile(Dev(name), {}) &&
               (uartType.isEmpty() ||
                (QDir().mkpath(sys) && WriteFile(sys + "/type", uartType + "\n")));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    DeviceTree m_tree;
};

void SerialDevicesTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_tree = {m_dir->filePath("dev"), m_dir->filePath("sys")};
    QVERIFY(QDir().mkpath(m_tree.dev + "/serial/by-id"));
    QVERIFY(AddPort("ttyUSB0") && AddPort("ttyACM1"));
    QVERIFY(AddPort("ttyS0", "4") && AddPort("ttyS2", "4") && AddPort("ttyS10", "6"));
    QVERIFY(AddPort("ttyS1", "0")); // no UART answered
    QVERIFY(AddPort("ttyS3"));      // no description, no driver
    QVERIFY(AddPort("ttyS4"));      // no description, bound to a driver
    QVERIFY(QDir().mkpath(m_tree.sys + "/class/tty/ttyS4/device/driver"));
    QVERIFY(AddPort("tty1"));
    const QString byId = m_tree.dev + "/serial/by-id/";
    QVERIFY(QFile::link("../../ttyUSB0", byId + "usb-FTDI_FT232R_A5-if00-port0"));
    QVERIFY(QFile::link("../../ttyUSB0", byId + "usb-FTDI_FT232R_A5-if00"));
    QVERIFY(QFile::link("../../ttyUSB9", byId + "usb-gone-if00-port0"));
    QVERIFY(WriteFile(Dev("ttyXR0"), {}));
    QVERIFY(QFile::link("../../ttyXR0", byId + "usb-Exar_XR21V-if00"));
}

void SerialDevicesTest::findsDevicesPresent() {
    const QString byId = m_tree.dev + "/serial/by-id/";
    QStringList found;
    for (const SerialDevice& device : FindSerialDevices(m_tree))
        found << device.path.mid(m_tree.dev.size() + 1) + " " +
                     device.stableNames.join(" ").remove(byId);
    QCOMPARE(found, (QStringList{"ttyACM1 ", "ttyS0 ", "ttyS2 ", "ttyS4 ", "ttyS10 ",
                                 "ttyUSB0 usb-FTDI_FT232R_A5-if00 usb-FTDI_FT232R_A5-if00-port0",
                                 "ttyXR0 usb-Exar_XR21V-if00"}));
}

void SerialDevicesTest::stableName_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("expected");
    QTest::newRow("adapter with a by-id name") << "ttyUSB0"
                                               << "serial/by-id/usb-FTDI_FT232R_A5-if00";
    QTest::newRow("adapter without one") << "ttyACM1"
                                         << "ttyACM1";
    QTest::newRow("a by-id name itself") << "serial/by-id/usb-FTDI_FT232R_A5-if00-port0"
                                         << "serial/by-id/usb-FTDI_FT232R_A5-if00-port0";
}

void SerialDevicesTest::stableName() {
    QFETCH(QString, device);
    QFETCH(QString, expected);
    QCOMPARE(StableName(Dev(device), m_tree), Dev(expected));
}

void SerialDevicesTest::lockingProcesses_data() {
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QList<qint64>>("holders"); // of inode 87 on device 0:1a
    QTest::newRow("flock") << QByteArray("1: FLOCK  ADVISORY  WRITE 4242 00:1a:87 0 EOF\n")
                           << QList<qint64>{4242};
    QTest::newRow("posix, among others")
        << QByteArray("1: POSIX  ADVISORY  WRITE 11 fd:01:87 0 EOF\n"
                      "2: POSIX  ADVISORY  READ 12 00:1a:870 0 EOF\n"
                      "3: POSIX  ADVISORY  WRITE 13 00:1a:87 0 EOF\n"
                      "4: FLOCK  ADVISORY  WRITE 13 00:1a:87 0 EOF\n"
                      "5: FLOCK  ADVISORY  WRITE 14 00:1b:87 0 EOF")
        << QList<qint64>{13};
    QTest::newRow("waiter and open file description lock")
        << QByteArray("1: FLOCK  ADVISORY  WRITE 21 00:1a:87 0 EOF\n"
                      "1: -> FLOCK  ADVISORY  WRITE 22 00:1a:87 0 EOF\n"
                      "2: OFDLCK ADVISORY  WRITE -1 00:1a:87 0 EOF\n")
        << QList<qint64>{21};
    QTest::newRow("junk") << QByteArray("1:\n: FLOCK x y z\n\0\xff", 19) << QList<qint64>{};
}

void SerialDevicesTest::lockingProcesses() {
    QFETCH(QByteArray, table);
    QFETCH(QList<qint64>, holders);
    QCOMPARE(LockingProcesses(table, 0, 0x1a, 87), holders);
}

void SerialDevicesTest::lockFileProcess() {
    QCOMPARE(LockFileProcess("      4242\n"), 4242);
    QCOMPARE(LockFileProcess("4242"), 4242);
    QCOMPARE(LockFileProcess("42x\n"), 0);
    QCOMPARE(LockFileProcess("-5\n"), 0);
}

QTEST_GUILESS_MAIN(SerialDevicesTest)
#include "tst_serialdevices.moc"
