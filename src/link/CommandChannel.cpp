#include "link/CommandChannel.h"

#include "link/Commands.h"
#include "link/LinkLog.h"
#include "link/SerialDevice.h"
#include "resources/Messages.h"

#include <algorithm>
#include <chrono>

namespace vq3::link {

namespace {
// The unit's line: 9600 baud, no parity, 8 data bits, one stop bit, RTS on, no flow control.
constexpr int kBaudRate = 9600;
constexpr int kNoParity = 0;
constexpr int kDataBits = 8;
constexpr int kOneStopBit = 0;
constexpr int kRtsOn = 1;
constexpr int kNoFlowControl = 0;
// Most bytes moved from the driver in one tick.
constexpr int kReceiveBlock = 1024;

// ">" + command + CR, up to a NUL like every C string the unit's traffic passes through. Of a
// longer echo only what line assembly keeps is logged (the first 255 characters and the last
// one; the Terminal shows 250): whole, it would not fit the log.
QByteArray EchoOf(const QByteArray& wire) {
    QByteArray echo = '>' + QByteArray(wire.constData());
    constexpr qsizetype kKept = CommandChannel::kReplyLineSize;
    if (echo.size() > kKept + 1)
        echo = echo.left(kKept - 1) + echo.right(2);
    return echo;
}

// A received line is open unless it ended with CR, or with the LF of a CR LF pair.
bool LineOpenAfter(char previous, char last) {
    return last != '\r' && !(last == '\n' && previous == '\r');
}
} // namespace

CommandChannel::CommandChannel(SerialDevice& port, QObject* parent)
    : QObject(parent), m_port(port) {
    m_tickTimer.setSingleShot(true);
    connect(&m_tickTimer, &QTimer::timeout, this, &CommandChannel::OnReceptionTick);
    m_echoTimer.setSingleShot(true);
    m_echoTimer.setInterval(kEchoHoldMs);
    connect(&m_echoTimer, &QTimer::timeout, this, &CommandChannel::OnEchoQuiet);
    m_silenceTimer.setSingleShot(true);
    m_silenceTimer.setInterval(kSilentUnitMs);
    connect(&m_silenceTimer, &QTimer::timeout, this, [this] {
        m_unitSilent = true;
        qCWarning(lcPort).noquote()
            << QStringLiteral("COM%1 is open but the unit does not answer (powered off? cable?)")
                   .arg(m_nPort);
    });
    m_reconnectTimer.setInterval(kReconnectMs);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &CommandChannel::TryReconnect);
    connect(&m_port, &SerialDevice::readyRead, this, &CommandChannel::OnDataArrived);
    connect(&m_port, &SerialDevice::lost, this, &CommandChannel::OnDeviceLost);
    m_sinceTick.start();
}

bool CommandChannel::OpenPort(bool again) {
    const int failure = again ? m_port.Reopen()
                              : m_port.Open(kBaudRate, kNoParity, kDataBits, kOneStopBit, kRtsOn,
                                            kNoFlowControl, m_nPort);
    if (failure != 0)
        return false;
    m_port.Purge();
    m_replyLength = 0;
    m_log.Reset();
    m_receivedLineOpen = false;
    m_lastReceived = '\r';
    m_heldEchoes.clear();
    m_echoesMidLine = false;
    m_draining = false;
    m_unitSilent = false;
    return true;
}

bool CommandChannel::Connect(bool open) {
    m_reconnectTimer.stop();
    if (!open) {
        m_port.Close();
        return false;
    }
    if (!OpenPort(false)) {
        // Forgetting the port keeps the next start from trying it again.
        m_nPort = 0;
        return false;
    }
    return true;
}

void CommandChannel::SetLinkState(bool connected) {
    m_connected = connected;
    if (connected) {
        emit linkStateShown(QString::asprintf("COM%d", m_nPort));
        m_port.ArmReadNotification();
    } else {
        m_tickTimer.stop();
        m_echoTimer.stop();
        m_silenceTimer.stop();
        m_heldEchoes.clear();
        m_echoesMidLine = false;
        m_draining = false;
        emit linkStateShown(resources::Message(resources::msg::DisconnectPort));
    }
}

void CommandChannel::ConnectSequence(bool portMayBeOpen) {
    m_reconnectTimer.stop(); // the operator's choice replaces any wait for a lost device
    if (portMayBeOpen)
        Connect(false);
    if (m_nPort == 0) {
        SetLinkState(false);
        return;
    }
    if (Connect(true)) {
        SetLinkState(true);
        QueryStatus();
    } else {
        qCWarning(lcPort).noquote() << "cannot open" << m_port.LastError();
        emit portError();
        SetLinkState(false);
    }
}

// The device went away by itself: released already. The port number stays, and the device
// is tried again until it is back.
void CommandChannel::OnDeviceLost(const QString& reason) {
    if (!m_connected)
        return;
    LetEchoesInMidLine(); // the commands sent are shown even so
    SetLinkState(false);
    m_draining = m_log.HoldsLineEnd();
    ScheduleTick();
    qCWarning(lcPort).noquote() << "lost" << reason << "- waiting for it to come back";
    m_lastRetryError.clear();
    emit deviceLost(reason);
    m_reconnectTimer.start();
}

void CommandChannel::TryReconnect() {
    if (m_connected || m_nPort == 0) {
        m_reconnectTimer.stop();
        return;
    }
    if (m_draining)
        return; // reopening starts a new log: the old lines first
    if (!OpenPort(true)) {
        // Tried every second: only a new reason is worth a line.
        if (m_port.LastError() != m_lastRetryError)
            qCInfo(lcPort).noquote() << "still waiting:" << m_port.LastError();
        m_lastRetryError = m_port.LastError();
        return;
    }
    m_reconnectTimer.stop();
    qCInfo(lcPort).noquote() << QStringLiteral("COM%1 is back: reconnected").arg(m_nPort);
    SetLinkState(true);
    emit deviceBack();
    QueryStatus();
}

// Fills the status indicators at once. A unit that is off, or a cable that is out, leaves the
// port open and the status bar at "COMn"; only the log tells.
void CommandChannel::QueryStatus() {
    if (!m_connected)
        return;
    SendCommand(cmd::Inp);
    m_silenceTimer.start();
}

void CommandChannel::NoteAnswer() {
    m_silenceTimer.stop();
    if (!m_unitSilent)
        return;
    m_unitSilent = false;
    qCInfo(lcPort).noquote() << QStringLiteral("COM%1: the unit answers again").arg(m_nPort);
}

void CommandChannel::SendCommand(const QByteArray& text) {
    if (!m_connected)
        return;
    const QByteArray wire = text + '\r';
    m_port.Write(wire.constData(), static_cast<int>(wire.size()));
    emit commandWritten(text);
    if (m_heldEchoes.isEmpty())
        m_echoSince.start();
    m_heldEchoes.append(EchoOf(wire));
    if (m_heldEchoes.size() > kHeldEchoLimit)
        m_echoesMidLine = true;
    PlaceEchoes();
}

void CommandChannel::PlaceEchoes(qsizetype reserve) {
    if (m_receivedLineOpen && !m_echoesMidLine) {
        if (!m_heldEchoes.isEmpty() && !m_echoTimer.isActive())
            m_echoTimer.start();
        return;
    }
    bool placed = false;
    while (!m_heldEchoes.isEmpty() && m_log.Room() >= m_heldEchoes.constFirst().size() + reserve) {
        AppendToLog(m_heldEchoes.takeFirst().constData());
        placed = true;
    }
    if (m_heldEchoes.isEmpty()) {
        m_echoTimer.stop();
        m_echoesMidLine = false;
    }
    if (placed)
        ScheduleTick();
}

// Quiet is what has arrived, not what was read: the rest of the line may wait in the driver
// (a backlog), or the tick that would read it is still running (a reply's error box is open).
void CommandChannel::OnEchoQuiet() {
    if (m_echoSince.elapsed() < kEchoHoldLimitMs && (m_inTick || m_port.BytesWaiting() > 0)) {
        m_echoTimer.start();
        return;
    }
    LetEchoesInMidLine();
}

// The line will not end soon: the echoes go in as they are, and so do later ones until more of
// the line is read.
void CommandChannel::LetEchoesInMidLine() {
    m_echoesMidLine = true;
    m_receivedLineOpen = false;
    PlaceEchoes();
}

qsizetype CommandChannel::HeldEchoBytes() const {
    qsizetype bytes = 0;
    for (const QByteArray& echo : m_heldEchoes)
        bytes += echo.size();
    return bytes;
}

void CommandChannel::AppendToLog(const char* text) {
    m_log.Append(text);
}

void CommandChannel::OnDataArrived() {
    if (m_connected)
        ScheduleTick();
}

// Ticks stay at least 20 ms apart: the first one after a quiet spell runs as soon as the
// event loop is back (never inside the caller, which may be sending a command).
void CommandChannel::ScheduleTick() {
    if ((!m_connected && !m_draining) || m_inTick || m_tickTimer.isActive())
        return;
    const qint64 since = m_sinceTick.elapsed();
    m_tickTimer.start(static_cast<int>(since >= kTickMs ? 0 : kTickMs - since));
}

void CommandChannel::OnReceptionTick() {
    // No tick may start while this one runs, even when a handler opens a modal box.
    m_tickTimer.stop();
    m_inTick = true;
    m_sinceTick.restart();
    if (m_connected)
        ReceivePending();
    if (AssembleLine()) {
        if (lcTraffic().isDebugEnabled()) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            qCDebug(lcTraffic, "%.3f dispatch %s",
                    std::chrono::duration<double, std::milli>(now).count(), m_replyLine);
        }
        emit lineReceived(m_replyLine);
        emit lineDispatched();
    }
    m_inTick = false;
    // A handler may have dropped the link (a port change); then nothing is watched. After a
    // loss the complete lines still in the log are taken.
    if (!m_connected) {
        m_draining = m_draining && m_log.HoldsLineEnd();
        ScheduleTick();
        return;
    }
    if (m_log.Empty())
        m_port.ArmReadNotification();
    else
        m_tickTimer.start(kTickMs);
}

void CommandChannel::ReceivePending() {
    PlaceEchoes(); // those that may go in come before anything read now
    // Only what fits without overwriting unread bytes or the held echoes' room; the rest
    // waits in the driver's queue.
    int count = m_port.BytesWaiting();
    if (count > kReceiveBlock - 1)
        count = kReceiveBlock - 1;
    count = static_cast<int>(std::min<qsizetype>(count, m_log.Room() - HeldEchoBytes()));
    if (count <= 0)
        return;
    char block[kReceiveBlock];
    int received = m_port.Read(block, count);
    if (received <= 0)
        return;
    if (received > count)
        received = count;
    NoteAnswer();
    AppendReceived(block, received);
}

// Held echoes go in right after the CR (or CR LF) that ends the half-received line.
void CommandChannel::AppendReceived(const char* block, int length) {
    QByteArray bytes(block, length);
    if (!m_heldEchoes.isEmpty() && m_receivedLineOpen) {
        qsizetype end = bytes.indexOf('\r');
        if (end >= 0 && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        if (end >= 0) {
            AppendToLog(bytes.left(end + 1).constData());
            bytes.remove(0, end + 1);
            m_receivedLineOpen = false;
            PlaceEchoes(bytes.size());
        } else if (m_echoSince.elapsed() >= kEchoHoldLimitMs) {
            LetEchoesInMidLine(); // an endless line: they were sent before these bytes came
        } else {
            m_echoTimer.start(); // a new byte: the quiet time starts again
        }
    }
    AppendToLog(bytes.constData());
    if (length > 0) {
        m_receivedLineOpen =
            LineOpenAfter(length > 1 ? block[length - 2] : m_lastReceived, block[length - 1]);
        m_lastReceived = block[length - 1];
    }
}

bool CommandChannel::AssembleLine() {
    if (m_log.Empty())
        return false;
    // Room for 249 characters plus a CR LF pair and the NUL.
    char chunk[kChunkLimit + 6];
    int chunkLength = 0;
    bool complete = false;
    for (;;) {
        const char byte = m_log.Take();
        if (chunkLength < kChunkLimit) {
            chunk[chunkLength++] = byte;
            if (byte == '\r')
                chunk[chunkLength++] = '\n';
        }
        if (byte == '\r') {
            m_replyLine[m_replyLength] = '\0';
            m_replyLength = 0;
            complete = true;
            break;
        }
        // A line longer than 255 characters keeps its first 255: the last cell is reused.
        m_replyLine[m_replyLength] = byte;
        if (m_replyLength < kReplyLineSize - 1)
            ++m_replyLength;
        if (m_log.Empty())
            break;
    }
    if (chunkLength > 0) {
        chunk[chunkLength] = '\0';
        emit traffic(QByteArray(chunk));
    }
    return complete;
}

} // namespace vq3::link
