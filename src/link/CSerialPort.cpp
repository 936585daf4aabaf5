#include "link/CSerialPort.h"

#include "link/LineSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vq3::link {

namespace {

constexpr int kWriteTimeoutMs = 30000;
constexpr int kHardwareFlow = 1;

QString& DeviceFolderSetting() {
    static QString folder;
    return folder;
}

QString DeviceFolder() {
    const QString& folder = DeviceFolderSetting();
    if (!folder.isEmpty())
        return folder;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                        : QDir::currentPath();
}

// A pseudo-terminal or an adapter without modem lines refuses these; the line works anyway.
bool NoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

bool ChangeModemLine(int fd, unsigned long request, int line) {
    return ::ioctl(fd, request, &line) == 0 || NoModemLines(errno);
}

// The steps after the device is open, numbered as Open reports them:
//   2 reading the terminal settings
//   3 writing the changed settings (or a speed/byte size the terminal cannot express)
//   4 reading them back: the driver must have taken speed, framing and raw mode
//   5 setting the modem lines: RTS as asked (left to the driver under hardware flow
//     control), DTR always off
int ConfigureLine(int fd, const LineParameters& line, int rts) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return 2;
    if (!ApplyLineSettings(settings, line) || ::tcsetattr(fd, TCSANOW, &settings) != 0)
        return 3;
    termios actual{};
    if (::tcgetattr(fd, &actual) != 0 || !SettingsTook(settings, actual))
        return 4;
    if (line.flowControl != kHardwareFlow &&
        !ChangeModemLine(fd, rts == 1 ? TIOCMBIS : TIOCMBIC, TIOCM_RTS))
        return 5;
    if (!ChangeModemLine(fd, TIOCMBIC, TIOCM_DTR))
        return 5;
    return 0;
}

} // namespace

CSerialPort::~CSerialPort() {
    Close();
}

void CSerialPort::SetDeviceFolder(const QString& folder) {
    DeviceFolderSetting() = folder;
}

QString CSerialPort::DevicePath(int portNumber) {
    // "COM" and one character: only 1 to 9 name a port.
    if (portNumber < 1 || portNumber > 9)
        return {};
    const QString name = QStringLiteral("COM") + QChar(u'0' + portNumber);
    const QFileInfo entry(QDir(DeviceFolder()).filePath(name));
    if (entry.exists() || entry.isSymLink()) {
        // A dangling link stays itself, so the open fails instead of taking another device.
        const QString device = entry.canonicalFilePath();
        return device.isEmpty() ? entry.filePath() : device;
    }
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

int CSerialPort::Open(int baudRate, int parity, int byteSize, int stopBits, int rts,
                      int flowControl, int portNumber) {
    m_portNumber = portNumber;
    Close();

    const QString path = DevicePath(portNumber);
    if (path.isEmpty())
        return 1;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 1;
    // TIOCEXCL keeps other users out but not a privileged one; the advisory lock is taken
    // first so that a refused open never touches the holder's exclusive flag.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return 1;
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;

    const LineParameters line{baudRate, parity, byteSize, stopBits, flowControl};
    const int step = ConfigureLine(m_fd, line, rts);
    if (step != 0)
        Close(); // a half-configured device is not held
    return step;
}

bool CSerialPort::Close() {
    if (m_fd < 0)
        return false;
    ::ioctl(m_fd, TIOCNXCL); // the flag outlives the descriptor on some drivers
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    return true;
}

int CSerialPort::BytesWaiting() {
    if (m_fd < 0)
        return 0;
    int count = 0;
    // A vanished device answers with an error: nothing is waiting.
    if (::ioctl(m_fd, FIONREAD, &count) != 0)
        return 0;
    return std::max(count, 0);
}

int CSerialPort::Read(char* destination, int maxLength) {
    if (destination == nullptr || maxLength <= 0)
        return 0;
    const int count = std::min(maxLength, BytesWaiting());
    if (count <= 0)
        return 0;
    ssize_t received;
    do
        received = ::read(m_fd, destination, static_cast<size_t>(count));
    while (received < 0 && errno == EINTR);
    if (received <= 0)
        return 0;
    // The unit's NUL bytes are line noise; callers treat blocks as C strings.
    int kept = 0;
    for (ssize_t i = 0; i < received; ++i) {
        if (destination[i] != '\0')
            destination[kept++] = destination[i];
    }
    return kept;
}

int CSerialPort::Write(const char* source, int length) {
    if (m_fd < 0 || source == nullptr || length <= 0)
        return 0;
    const QDeadlineTimer deadline(kWriteTimeoutMs);
    int written = 0;
    while (written < length) {
        const ssize_t n = ::write(m_fd, source + written, static_cast<size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break; // the device is gone or refuses: give up at once
        // The output queue is full: wait for room, within the time limit.
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            break;
        pollfd ready{m_fd, POLLOUT, 0};
        const int result = ::poll(&ready, 1, static_cast<int>(remaining));
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0 || (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            break;
    }
    return written;
}

int CSerialPort::Purge() {
    if (m_fd < 0)
        return 0;
    return ::tcflush(m_fd, TCIOFLUSH) == 0 ? 1 : 0;
}

} // namespace vq3::link
