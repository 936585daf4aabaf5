// The terminal settings the port writes: speed, framing and flow control by their codes,
// always raw, and the read-back check that catches a device refusing them.
#include "link/LineSettings.h"

#include <QTest>

using vq3::link::ApplyLineSettings;
using vq3::link::LineParameters;
using vq3::link::SettingsTook;

namespace {

// A terminal as a driver might hand it over: cooked, echoing, with software flow control.
termios CookedTerminal(bool withFlowControl) {
    termios settings{};
    settings.c_iflag = ICRNL | IGNBRK | (withFlowControl ? IXON | IXOFF : 0);
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CS7 | PARENB | CSTOPB | HUPCL | (withFlowControl ? CRTSCTS : 0);
    settings.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 5;
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    return settings;
}

} // namespace

class LineSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void parity_data();
    void parity();
    void framing_data();
    void framing();
    void flowControl_data();
    void flowControl();
    void alwaysRaw();
    void refusesWhatTheTerminalCannotDo_data();
    void refusesWhatTheTerminalCannotDo();
    void readBack_data();
    void readBack();
};

void LineSettingsTest::parity_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("odd");
    QTest::addColumn<bool>("stick");
    QTest::newRow("0 none") << 0 << false << false << false;
    QTest::newRow("1 odd") << 1 << true << true << false;
    QTest::newRow("2 even") << 2 << true << false << false;
    QTest::newRow("3 mark") << 3 << true << true << true;
    QTest::newRow("4 space") << 4 << true << false << true;
    QTest::newRow("5 taken as none") << 5 << false << false << false;
    QTest::newRow("-1 taken as none") << -1 << false << false << false;
}

void LineSettingsTest::parity() {
    QFETCH(int, code);
    QFETCH(bool, enabled);
    QFETCH(bool, odd);
    QFETCH(bool, stick);
    termios settings = CookedTerminal(false);
    QVERIFY(ApplyLineSettings(settings, {9600, code, 8, 0, 0}));
    QCOMPARE((settings.c_cflag & PARENB) != 0, enabled);
    QCOMPARE((settings.c_cflag & PARODD) != 0, odd);
    QCOMPARE((settings.c_cflag & CMSPAR) != 0, stick);
    // Received parity is checked exactly when parity is on.
    QCOMPARE((settings.c_iflag & INPCK) != 0, enabled);
}

void LineSettingsTest::framing_data() {
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("twoStopBits");
    QTest::newRow("9600 8N1") << 9600 << 8 << 0 << int(B9600) << int(CS8) << false;
    QTest::newRow("1200 7 data bits") << 1200 << 7 << 0 << int(B1200) << int(CS7) << false;
    QTest::newRow("19200 6 data, two stop") << 19200 << 6 << 2 << int(B19200) << int(CS6) << true;
    QTest::newRow("4800 5 data, one and a half")
        << 4800 << 5 << 1 << int(B4800) << int(CS5) << true;
    QTest::newRow("115200 stop code 3 is one")
        << 115200 << 8 << 3 << int(B115200) << int(CS8) << false;
}

void LineSettingsTest::framing() {
    QFETCH(int, baudRate);
    QFETCH(int, byteSize);
    QFETCH(int, stopBits);
    QFETCH(int, speed);
    QFETCH(int, size);
    QFETCH(bool, twoStopBits);
    termios settings = CookedTerminal(false);
    QVERIFY(ApplyLineSettings(settings, {baudRate, 0, byteSize, stopBits, 0}));
    QCOMPARE(int(cfgetispeed(&settings)), speed);
    QCOMPARE(int(cfgetospeed(&settings)), speed);
    QCOMPARE(int(settings.c_cflag & CSIZE), size);
    QCOMPARE((settings.c_cflag & CSTOPB) != 0, twoStopBits);
}

void LineSettingsTest::flowControl_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("readWithFlowControl");
    QTest::addColumn<bool>("hardware");
    QTest::addColumn<bool>("software");
    QTest::newRow("0 none over flow control") << 0 << true << false << false;
    QTest::newRow("1 hardware") << 1 << false << true << false;
    QTest::newRow("2 software") << 2 << false << false << true;
    QTest::newRow("3 keeps flow control as read") << 3 << true << true << true;
    QTest::newRow("3 keeps none as read") << 3 << false << false << false;
}

void LineSettingsTest::flowControl() {
    QFETCH(int, code);
    QFETCH(bool, readWithFlowControl);
    QFETCH(bool, hardware);
    QFETCH(bool, software);
    termios settings = CookedTerminal(readWithFlowControl);
    settings.c_cc[VSTART] = 0x01;
    settings.c_cc[VSTOP] = 0x02;
    QVERIFY(ApplyLineSettings(settings, {9600, 0, 8, 0, code}));
    QCOMPARE((settings.c_cflag & CRTSCTS) != 0, hardware);
    QCOMPARE((settings.c_iflag & IXON) != 0, software);
    QCOMPARE((settings.c_iflag & IXOFF) != 0, software);
    if (code == 2) {
        QCOMPARE(int(settings.c_cc[VSTART]), 0x11);
        QCOMPARE(int(settings.c_cc[VSTOP]), 0x13);
    }
}

void LineSettingsTest::alwaysRaw() {
    termios settings = CookedTerminal(true);
    QVERIFY(ApplyLineSettings(settings, {9600, 0, 8, 0, 0}));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(settings.c_iflag & (ICRNL | IGNCR | INLCR | ISTRIP), tcflag_t(0));
    QCOMPARE(settings.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    QCOMPARE(int(settings.c_cc[VMIN]), 0);
    QCOMPARE(int(settings.c_cc[VTIME]), 0);
}

void LineSettingsTest::refusesWhatTheTerminalCannotDo_data() {
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("byteSize");
    QTest::newRow("speed 12345") << 12345 << 8;
    QTest::newRow("speed 0") << 0 << 8;
    QTest::newRow("9 data bits") << 9600 << 9;
    QTest::newRow("4 data bits") << 9600 << 4;
}

void LineSettingsTest::refusesWhatTheTerminalCannotDo() {
    QFETCH(int, baudRate);
    QFETCH(int, byteSize);
    termios settings = CookedTerminal(false);
    QVERIFY(!ApplyLineSettings(settings, {baudRate, 0, byteSize, 0, 0}));
}

void LineSettingsTest::readBack_data() {
    QTest::addColumn<int>("change"); // what the "driver" altered
    QTest::addColumn<bool>("took");
    QTest::newRow("all taken") << 0 << true;
    QTest::newRow("speed refused") << 1 << false;
    QTest::newRow("size forced to 7") << 2 << false;
    QTest::newRow("parity switched on") << 3 << false;
    QTest::newRow("still canonical") << 4 << false;
    QTest::newRow("two stop bits") << 5 << false;
    QTest::newRow("output processing left on") << 6 << false;
}

void LineSettingsTest::readBack() {
    QFETCH(int, change);
    QFETCH(bool, took);
    termios wanted = CookedTerminal(false);
    QVERIFY(ApplyLineSettings(wanted, {9600, 0, 8, 0, 0}));
    termios actual = wanted;
    switch (change) {
    case 1:
        cfsetispeed(&actual, B4800);
        cfsetospeed(&actual, B4800);
        break;
    case 2:
        actual.c_cflag = (actual.c_cflag & ~CSIZE) | CS7;
        break;
    case 3:
        actual.c_cflag |= PARENB;
        break;
    case 4:
        actual.c_lflag |= ICANON;
        break;
    case 5:
        actual.c_cflag |= CSTOPB;
        break;
    case 6:
        actual.c_oflag |= OPOST;
        break;
    default:
        break;
    }
    QCOMPARE(SettingsTook(wanted, actual), took);
}

QTEST_APPLESS_MAIN(LineSettingsTest)
#include "tst_linesettings.moc"
