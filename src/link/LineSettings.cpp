#include "link/LineSettings.h"

namespace vq3::link {

namespace {

struct SpeedCode {
    int baudRate;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedFor(int baudRate, speed_t& code) {
    for (const SpeedCode& speed : kSpeeds) {
        if (speed.baudRate == baudRate) {
            code = speed.code;
            return true;
        }
    }
    return false;
}

bool SizeFor(int byteSize, tcflag_t& size) {
    switch (byteSize) {
    case 5:
        size = CS5;
        return true;
    case 6:
        size = CS6;
        return true;
    case 7:
        size = CS7;
        return true;
    case 8:
        size = CS8;
        return true;
    default:
        return false;
    }
}

#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif

void SetParity(termios& settings, int parity) {
    settings.c_cflag &= ~(PARENB | PARODD | kStickParity);
    settings.c_iflag &= ~INPCK;
    switch (parity) {
    case 1: // odd
        settings.c_cflag |= PARENB | PARODD;
        break;
    case 2: // even
        settings.c_cflag |= PARENB;
        break;
    case 3: // mark: stick parity, always 1
        settings.c_cflag |= PARENB | PARODD | kStickParity;
        break;
    case 4: // space: stick parity, always 0
        settings.c_cflag |= PARENB | kStickParity;
        break;
    default:
        return;
    }
    settings.c_iflag |= INPCK;
}

} // namespace

bool ApplyLineSettings(termios& settings, const LineParameters& line) {
    speed_t speed = B0;
    tcflag_t size = CS8;
    if (!SpeedFor(line.baudRate, speed) || !SizeFor(line.byteSize, size))
        return false;

    const tcflag_t readInputFlow = settings.c_iflag & (IXON | IXOFF | IXANY);
    const tcflag_t readHardwareFlow = settings.c_cflag & CRTSCTS;

    cfmakeraw(&settings);
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag = (settings.c_cflag & ~CSIZE) | size;
    SetParity(settings, line.parity);
    if (line.stopBits == 1 || line.stopBits == 2)
        settings.c_cflag |= CSTOPB;
    else
        settings.c_cflag &= ~CSTOPB;

    switch (line.flowControl) {
    case 0:
        settings.c_cflag &= ~CRTSCTS;
        settings.c_iflag &= ~(IXON | IXOFF | IXANY);
        break;
    case 1:
        settings.c_cflag |= CRTSCTS;
        settings.c_iflag &= ~(IXON | IXOFF | IXANY);
        break;
    case 2:
        settings.c_cflag &= ~CRTSCTS;
        settings.c_iflag = (settings.c_iflag & ~IXANY) | IXON | IXOFF;
        settings.c_cc[VSTART] = 0x11;
        settings.c_cc[VSTOP] = 0x13;
        break;
    default: // as read, which cfmakeraw would otherwise have cleared
        settings.c_iflag = (settings.c_iflag & ~(IXON | IXOFF | IXANY)) | readInputFlow;
        settings.c_cflag = (settings.c_cflag & ~CRTSCTS) | readHardwareFlow;
        break;
    }

    // Reads return what is there at once.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return true;
}

bool SettingsTook(const termios& wanted, const termios& actual) {
    const tcflag_t lineBits = CSIZE | PARENB | CSTOPB;
    const tcflag_t rawBits = ICANON | ECHO | ISIG | IEXTEN;
    return cfgetispeed(&actual) == cfgetispeed(&wanted) &&
           cfgetospeed(&actual) == cfgetospeed(&wanted) &&
           (actual.c_cflag & lineBits) == (wanted.c_cflag & lineBits) &&
           (actual.c_lflag & rawBits) == (wanted.c_lflag & rawBits) &&
           (actual.c_oflag & OPOST) == (wanted.c_oflag & OPOST);
}

} // namespace vq3::link
