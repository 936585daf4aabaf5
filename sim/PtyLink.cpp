#include "PtyLink.h"

#include "files/AtomicLink.h"
#include "link/SocketNotifiers.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vq3::sim {

namespace {

// Chatter goes out in small pieces, a few lines each.
constexpr int kStreamTickMs = 20;
// Unwritten bytes beyond this mean the controller is not reading: chatter is then lost.
constexpr qsizetype kStreamBacklogLimit = 4096;

// Raw bytes at 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
bool SetRawLine(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

PtyLink::PtyLink(SimulatedUnit& unit, LinkOptions o, QObject* parent)
    : QObject(parent), m_unit(unit), m_options(o), m_shaper(m_options),
      m_assembler(SimulatedUnit::kMaxCommandLength) {
    m_clock.start();
    m_dueTimer.setSingleShot(true);
    m_dueTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_dueTimer, &QTimer::timeout, this, &PtyLink::OnDue);
    m_dropTimer.setSingleShot(true);
    connect(&m_dropTimer, &QTimer::timeout, this, [this] {
        Drop();
        if (m_options.replugAfterMs >= 0)
            m_replugTimer.start(m_options.replugAfterMs);
    });
    m_replugTimer.setSingleShot(true);
    connect(&m_replugTimer, &QTimer::timeout, this, &PtyLink::Restore);
    m_stallTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, [this] {
        m_stalled = true;
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
    });
    m_streamDelay.setSingleShot(true);
    connect(&m_streamDelay, &QTimer::timeout, this, [this] {
        m_streamClock.start();
        m_streamTick.start(kStreamTickMs);
    });
    m_streamTick.setTimerType(Qt::PreciseTimer);
    connect(&m_streamTick, &QTimer::timeout, this, &PtyLink::OnStreamTick);
}

PtyLink::~PtyLink() {
    Stop();
}

bool PtyLink::Start(const QString& linkPath) {
    if (Serving())
        return false;
    m_linkPath = linkPath;
    if (!OpenPty()) {
        m_linkPath.clear();
        return false;
    }
    if (!PointLink()) {
        ClosePty();
        m_linkPath.clear();
        return false;
    }
    m_dropArmed = true;
    if (m_options.stream) {
        m_stream.emplace(m_options.streamText, m_options.streamBytesPerSecond, m_options.streamCr);
        m_streamTick.stop();
        m_streamDelay.start(std::max(0, m_options.streamAfterMs));
    }
    return true;
}

void PtyLink::Drop() {
    m_dropTimer.stop();
    if (!Serving())
        return;
    RemoveLink();
    ClosePty();
}

bool PtyLink::Restore() {
    if (Serving())
        return true;
    if (!OpenPty())
        return false;
    if (!PointLink()) {
        ClosePty();
        return false;
    }
    return true;
}

void PtyLink::Stop() {
    m_replugTimer.stop();
    m_stallTimer.stop();
    m_streamDelay.stop();
    m_streamTick.stop();
    m_stream.reset();
    Drop();
    m_linkPath.clear();
}

bool PtyLink::OpenPty() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return false;
    char name[256];
    if (::fcntl(master, F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0 ||
        ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0 || !SetRawLine(slave)) {
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }
    m_master = master;
    m_slaveHold = slave;
    m_slavePath = QFile::decodeName(name);
    m_assembler.Reset();
    m_readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(!m_stalled);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyLink::OnReadable);
    m_writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyLink::OnWritable);
    return true;
}

void PtyLink::ClosePty() {
    link::DropNotifiers({&m_readNotifier, &m_writeNotifier});
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveHold = -1;
    m_master = -1;
    m_slavePath.clear();
    m_dueTimer.stop();
    m_queue.clear();
    m_output.clear();
}

bool PtyLink::PointLink() {
    return m_linkPath.isEmpty() || files::PointLinkAtomically(m_linkPath, m_slavePath) == 0;
}

void PtyLink::RemoveLink() {
    if (m_linkPath.isEmpty())
        return;
    // Someone may have pointed it elsewhere since; then it is theirs.
    if (files::LinkTarget(m_linkPath) == QFile::encodeName(m_slavePath))
        QFile::remove(m_linkPath);
}

void PtyLink::OnReadable() {
    char buffer[4096];
    while (Serving()) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (count <= 0) {
            // Nothing more will come from this side; stop watching rather than spin.
            m_readNotifier->setEnabled(false);
            return;
        }
        const QByteArray bytes(buffer, count);
        m_received += bytes;
        emit bytesReceived(bytes);
        for (const QByteArray& line : m_assembler.Feed(bytes)) {
            if (!Serving())
                return;
            if (line.isEmpty())
                continue;
            if (m_dropArmed) {
                m_dropArmed = false;
                if (m_options.dropAfterMs >= 0)
                    m_dropTimer.start(m_options.dropAfterMs);
                if (m_options.stallAfterMs >= 0)
                    m_stallTimer.start(m_options.stallAfterMs);
            }
            emit commandReceived(line);
            const QByteArray reply = m_unit.HandleCommand(line);
            if (!reply.isEmpty())
                emit replied(reply);
            Queue(m_shaper.Shape(line, reply));
        }
    }
}

void PtyLink::Queue(const QList<TimedBytes>& pieces) {
    if (pieces.isEmpty() || !Serving())
        return;
    const qint64 now = m_clock.elapsed();
    // Later replies wait for earlier ones; the gaps inside a reply stay as they are.
    const qint64 shift = std::max<qint64>(0, m_lastDue - (now + pieces.front().offsetMs));
    for (const TimedBytes& piece : pieces) {
        const qint64 due = now + piece.offsetMs + shift;
        m_queue.push_back({due, piece.bytes});
        m_lastDue = std::max(m_lastDue, due);
    }
    OnDue();
}

void PtyLink::OnDue() {
    const qint64 now = m_clock.elapsed();
    while (!m_queue.empty() && m_queue.front().due <= now) {
        m_output += m_queue.front().bytes;
        m_queue.pop_front();
    }
    Flush();
    if (!m_queue.empty())
        m_dueTimer.start(static_cast<int>(std::max<qint64>(0, m_queue.front().due - now)));
}

void PtyLink::OnWritable() {
    Flush();
}

void PtyLink::Flush() {
    while (!m_output.isEmpty() && Serving()) {
        const ssize_t count =
            ::write(m_master, m_output.constData(), static_cast<size_t>(m_output.size()));
        if (count > 0) {
            m_output.remove(0, count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true); // the controller is not reading: wait for room
            return;
        } else {
            m_output.clear(); // the line takes nothing more
        }
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

// The chatter keeps its pace while the line is down or blocked; those lines are lost.
void PtyLink::OnStreamTick() {
    if (!m_stream)
        return;
    const QByteArray lines = m_stream->Take(m_streamClock.elapsed());
    if (lines.isEmpty() || !Serving() || m_output.size() > kStreamBacklogLimit)
        return;
    m_output += lines;
    Flush();
}

} // namespace vq3::sim
