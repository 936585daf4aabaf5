#include "link/CSerialPort.h"

#include "link/LineSettings.h"
#include "link/PortProblem.h"
#include "link/SocketNotifiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vq3::link {

namespace {

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

// Errors that mean the device itself is gone (a hung-up terminal answers EIO to everything).
bool DeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
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
    if (!ApplyLineSettings(settings, line))
        return errno = EINVAL, 3;
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        return 3;
    termios actual{};
    if (::tcgetattr(fd, &actual) != 0)
        return 4;
    if (!SettingsTook(settings, actual))
        return errno = EINVAL, 4;
    if (line.flowControl != kHardwareFlow &&
        !ChangeModemLine(fd, rts == 1 ? TIOCMBIS : TIOCMBIC, TIOCM_RTS))
        return 5;
    if (!ChangeModemLine(fd, TIOCMBIC, TIOCM_DTR))
        return 5;
    return 0;
}

int g_defaultWriteLimitMs = CSerialPort::kWriteLimitMs;

} // namespace

void CSerialPort::SetDefaultWriteLimitMs(int ms) {
    g_defaultWriteLimitMs = ms;
}

CSerialPort::CSerialPort() {
    SetWriteLimitMs(g_defaultWriteLimitMs);
    connect(&m_stallCheck, &QTimer::timeout, this, &CSerialPort::WatchOutput);
}

CSerialPort::~CSerialPort() {
    Close();
}

void CSerialPort::SetDeviceFolder(const QString& folder) {
    DeviceFolderSetting() = folder;
}

QString CSerialPort::EntryPath(int portNumber) {
    // "COM" and one character: only 1 to 9 name a port.
    if (portNumber < 1 || portNumber > 9)
        return {};
    const QString name = QStringLiteral("COM") + QChar(u'0' + portNumber);
    const QFileInfo entry(QDir(DeviceFolder()).filePath(name));
    if (entry.exists() || entry.isSymLink())
        return entry.filePath();
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

QString CSerialPort::DevicePath(int portNumber) {
    const QString entry = EntryPath(portNumber);
    // A dangling link stays itself, so the open fails instead of taking another device.
    const QString device = QFileInfo(entry).canonicalFilePath();
    return device.isEmpty() ? entry : device;
}

int CSerialPort::Open(int baudRate, int parity, int byteSize, int stopBits, int rts,
                      int flowControl, int portNumber) {
    m_portNumber = portNumber;
    Close();
    const QString entry = EntryPath(portNumber);
    if (entry.isEmpty()) {
        m_path.clear();
        SetLastError(DescribePortProblem(portNumber, QString(), PortStep::Name, EINVAL));
        return 1;
    }
    return OpenEntry(entry, {baudRate, parity, byteSize, stopBits, rts, flowControl});
}

int CSerialPort::Reopen() {
    Close();
    if (m_entry.isEmpty())
        return 1;
    return OpenEntry(m_entry, m_settings);
}

int CSerialPort::OpenEntry(const QString& entry, const Settings& settings) {
    const QString device = QFileInfo(entry).canonicalFilePath();
    m_path = device.isEmpty() ? entry : device;
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(DescribePortProblem(m_portNumber, m_path, PortStep::Open, errno));
        return 1;
    }
    // TIOCEXCL keeps other users out but not a privileged one; the advisory lock is taken
    // first so that a refused open never touches the holder's exclusive flag.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        SetLastError(DescribePortProblem(m_portNumber, m_path, PortStep::Lock, errno));
        ::close(fd);
        return 1;
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;

    const LineParameters line{settings.baudRate, settings.parity, settings.byteSize,
                              settings.stopBits, settings.flowControl};
    const int step = ConfigureLine(m_fd, line, settings.rts);
    if (step != 0) {
        SetLastError(DescribePortProblem(m_portNumber, m_path, static_cast<PortStep>(step), errno));
        Close(); // a half-configured device is not held
        return step;
    }
    m_entry = entry;
    m_settings = settings;
    ++m_session;
    m_clock.start();
    WatchDescriptor();
    return 0;
}

void CSerialPort::WatchDescriptor() {
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false); // until the channel asks
    connect(m_readNotifier, &QSocketNotifier::activated, this, &CSerialPort::OnReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &CSerialPort::WriteQueued);
}

void CSerialPort::SetWriteLimitMs(int ms) {
    m_writeLimitMs = ms;
    // A shortened limit is checked more often, so that tests see it kept within a quarter.
    m_stallCheck.setInterval(std::min(kStallCheckMs, std::max(1, ms / 4)));
}

bool CSerialPort::Close() {
    const bool held = m_fd >= 0;
    if (held)
        FinishOutput();
    Release();
    return held;
}

// Output on its way gets a short while to leave (a last "L0" before Exit should reach the
// unit); what is left then is thrown away. The wait sleeps in poll(), bounded in all.
void CSerialPort::FinishOutput() {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (HandOver() != 0)
            break;
        const bool queued = !m_queue.empty();
        if (!queued && m_driver->Unsent(m_fd) == 0)
            return; // all gone: nothing to throw away
        const qint64 left = kCloseDrainMs - waited.elapsed();
        if (left <= 0)
            break;
        constexpr qint64 kStepMs = 10; // a few characters at 9600 baud
        pollfd ready{m_fd, static_cast<short>(queued ? POLLOUT : 0), 0};
        if (::poll(&ready, 1, static_cast<int>(std::min(left, kStepMs))) > 0 &&
            (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            break; // gone meanwhile: nothing will drain
    }
    m_driver->Discard(m_fd);
}

void CSerialPort::Release() {
    m_queue.clear();
    m_stallCheck.stop();
    m_driverUnsent = 0;
    DropNotifiers({&m_readNotifier, &m_writeNotifier});
    if (m_fd < 0)
        return;
    ::ioctl(m_fd, TIOCNXCL); // the flag outlives the descriptor on some drivers
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

void CSerialPort::Lose(const QString& reason) {
    if (m_fd < 0)
        return;
    SetLastError(reason);
    // A device given up never holds up close() with output that will not go out.
    m_driver->Discard(m_fd);
    Release();
    const quint64 session = m_session;
    QMetaObject::invokeMethod(
        this,
        [this, session, reason] {
            // A port reopened meanwhile is a new session; the old loss is no news.
            if (session == m_session && m_fd < 0)
                emit lost(reason);
        },
        Qt::QueuedConnection);
}

void CSerialPort::ArmReadNotification() {
    if (m_readNotifier)
        m_readNotifier->setEnabled(true);
}

void CSerialPort::OnReadable() {
    m_readNotifier->setEnabled(false); // one notice per arming
    pollfd ready{m_fd, POLLIN, 0};
    while (::poll(&ready, 1, 0) < 0 && errno == EINTR) {
    }
    if ((ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        Lose(DescribePortProblem(m_portNumber, m_path, PortStep::HangUp, EIO));
        return;
    }
    emit readyRead();
}

int CSerialPort::BytesWaiting() {
    if (m_fd < 0)
        return 0;
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0) {
        if (DeviceGone(errno))
            Lose(DescribePortProblem(m_portNumber, m_path, PortStep::HangUp, errno));
        return 0;
    }
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
    if (received == 0 || (received < 0 && DeviceGone(errno))) {
        // Bytes were waiting, yet the device gives none: it has hung up.
        Lose(DescribePortProblem(m_portNumber, m_path, PortStep::HangUp,
                                 received < 0 ? errno : EIO));
        return 0;
    }
    if (received < 0)
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
    if (!m_stallCheck.isActive())
        m_lastTakenMs = m_clock.elapsed(); // nothing was on its way: the wait starts now
    m_queue.push_back({QByteArray(source, length), 0});
    WriteQueued();
    return length;
}

qsizetype CSerialPort::BytesQueued() const {
    qsizetype bytes = 0;
    for (const Block& block : m_queue)
        bytes += block.bytes.size() - block.taken;
    return bytes;
}

void CSerialPort::WriteQueued() {
    if (m_fd < 0)
        return;
    if (const int error = HandOver(); error != 0) {
        Lose(DescribePortProblem(m_portNumber, m_path, PortStep::Write, error));
        return;
    }
    m_writeNotifier->setEnabled(!m_queue.empty()); // go on when the driver has room
    WatchOutput();
}

int CSerialPort::HandOver() {
    while (!m_queue.empty()) {
        Block& block = m_queue.front();
        const ssize_t n = ::write(m_fd, block.bytes.constData() + block.taken,
                                  static_cast<size_t>(block.bytes.size() - block.taken));
        if (n > 0) {
            m_lastTakenMs = m_clock.elapsed();
            block.taken += n;
            if (block.taken == block.bytes.size())
                m_queue.pop_front();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0; // the driver's queue is full
        return n < 0 ? errno : EIO;
    }
    return 0;
}

// A slow line keeps taking bytes and is never lost; a stalled adapter keeps a few short
// commands in the driver's queue for ever, without ever filling it, and is. Only while
// output is on its way does anything wake up for this.
void CSerialPort::WatchOutput() {
    const int unsent = m_driver->Unsent(m_fd);
    if (unsent < m_driverUnsent)
        m_lastTakenMs = m_clock.elapsed(); // some went out on the line
    m_driverUnsent = unsent;
    if (m_queue.empty() && unsent == 0) {
        m_stallCheck.stop();
        return;
    }
    if (m_clock.elapsed() - m_lastTakenMs >= m_writeLimitMs) {
        Lose(DescribePortProblem(m_portNumber, m_path, PortStep::WriteLimit, ETIMEDOUT));
        return;
    }
    if (!m_stallCheck.isActive())
        m_stallCheck.start();
}

int CSerialPort::Purge() {
    if (m_fd < 0)
        return 0;
    m_queue.clear();
    m_stallCheck.stop();
    m_driverUnsent = 0;
    m_writeNotifier->setEnabled(false);
    return ::tcflush(m_fd, TCIOFLUSH) == 0 ? 1 : 0;
}

} // namespace vq3::link
