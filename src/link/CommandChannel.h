#pragma once

#include "link/TrafficLog.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace vq3::link {

class SerialDevice;

// What the channel needs of the main window.
class ChannelHost {
public:
    virtual ~ChannelHost() = default;
    // First part of the status bar: "COM%d" or "Disconnect Port".
    virtual void ShowLinkState(const QString& text) = 0;
    // Message 2 in the application's box.
    virtual void ShowPortError() = 0;
    // The characters consumed in one tick, CR already turned into CR LF.
    virtual void AppendTraffic(const char* chunk) = 0;
    // One complete reply line, without its CR.
    virtual void DispatchReply(const char* line) = 0;
};

// The text link to the unit: connects, sends commands with their CR, logs the traffic and
// polls for received text every 20 ms while connected, dispatching at most one line a tick.
class CommandChannel : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 20;
    static constexpr int kReplyLineSize = 256;
    static constexpr int kChunkLimit = 250;

    CommandChannel(SerialDevice& port, ChannelHost& host, QObject* parent = nullptr);

    int Port() const { return m_nPort; }
    void SetPort(int port) { m_nPort = port; }
    bool IsConnected() const { return m_connected; }
    bool TimerActive() const { return m_timer.isActive(); }

    bool Connect(bool open);
    void SetLinkState(bool connected);
    // portMayBeOpen: after the COM port dialog the port is closed first.
    void ConnectSequence(bool portMayBeOpen);
    // Writes text + CR while connected, else drops it silently.
    void SendCommand(const QByteArray& text);
    void AppendToLog(const char* text);

    void OnReceptionTick();
    void ReceivePending();
    bool AssembleLine();
    const char* ReplyLine() const { return m_replyLine; }

private:
    SerialDevice& m_port;
    ChannelHost& m_host;
    int m_nPort = 0;
    bool m_connected = false;
    TrafficLog m_log;
    char m_replyLine[kReplyLineSize] = {};
    int m_replyLength = 0;
    QTimer m_timer;
};

} // namespace vq3::link
