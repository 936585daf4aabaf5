#include "link/CommandChannel.h"

#include "link/Commands.h"
#include "link/SerialDevice.h"
#include "resources/Messages.h"

#include <cstring>

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
} // namespace

CommandChannel::CommandChannel(SerialDevice& port, ChannelHost& host, QObject* parent)
    : QObject(parent), m_port(port), m_host(host) {
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CommandChannel::OnReceptionTick);
}

bool CommandChannel::Connect(bool open) {
    if (!open) {
        m_port.Close();
        return false;
    }
    if (m_port.Open(kBaudRate, kNoParity, kDataBits, kOneStopBit, kRtsOn, kNoFlowControl,
                    m_nPort) != 0) {
        // Forgetting the port keeps the next start from trying it again.
        m_nPort = 0;
        return false;
    }
    m_port.Purge();
    m_replyLength = 0;
    m_log.Reset();
    return true;
}

void CommandChannel::SetLinkState(bool connected) {
    m_connected = connected;
    if (connected) {
        m_host.ShowLinkState(QString::asprintf("COM%d", m_nPort));
        m_timer.start();
    } else {
        m_timer.stop();
        m_host.ShowLinkState(resources::Message(resources::msg::DisconnectPort));
    }
}

void CommandChannel::ConnectSequence(bool portMayBeOpen) {
    if (portMayBeOpen)
        Connect(false);
    if (m_nPort == 0) {
        SetLinkState(false);
        return;
    }
    if (Connect(true)) {
        SetLinkState(true);
        // Fills the status indicators at once.
        SendCommand(cmd::Inp);
    } else {
        m_host.ShowPortError();
        SetLinkState(false);
    }
}

void CommandChannel::SendCommand(const QByteArray& text) {
    if (!m_connected)
        return;
    const QByteArray wire = text + '\r';
    m_port.Write(wire.constData(), static_cast<int>(wire.size()));
    // An echo that does not fit whole would overwrite unread replies; it is left out of the
    // log instead (the command itself has gone out).
    if (m_log.Room() < 1 + static_cast<int>(std::strlen(wire.constData())))
        return;
    AppendToLog(">");
    AppendToLog(wire.constData());
}

void CommandChannel::AppendToLog(const char* text) {
    m_log.Append(text);
}

void CommandChannel::OnReceptionTick() {
    // No tick may start while this one runs, even when a handler opens a modal box.
    m_timer.stop();
    ReceivePending();
    if (AssembleLine())
        m_host.DispatchReply(m_replyLine);
    // A handler may have dropped the link (a port change); then the timer stays off.
    if (m_connected)
        m_timer.start();
}

void CommandChannel::ReceivePending() {
    // Only what fits without overwriting unread bytes; the rest waits in the driver's queue.
    int count = m_port.BytesWaiting();
    if (count > kReceiveBlock - 1)
        count = kReceiveBlock - 1;
    if (count > m_log.Room())
        count = m_log.Room();
    if (count <= 0)
        return;
    char block[kReceiveBlock];
    int received = m_port.Read(block, count);
    if (received <= 0)
        return;
    if (received > count)
        received = count;
    block[received] = '\0';
    AppendToLog(block);
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
        m_host.AppendTraffic(chunk);
    }
    return complete;
}

} // namespace vq3::link
