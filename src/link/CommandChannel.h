#pragma once

#include "link/TrafficLog.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
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
// dispatches at most one received line per 20 ms tick while connected.
//
// Reception is event-driven: while nothing waits in the traffic log no timer runs and the
// port is watched; arriving bytes start the ticks, which stop again once the log is empty.
// A lost device (unplugged adapter) shows "Disconnect Port" and is reopened by itself as soon
// as the same port can be opened again; a port the operator closed stays closed.
class CommandChannel : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 20;
    static constexpr int kReplyLineSize = 256;
    static constexpr int kChunkLimit = 250;
    // A command's echo waits this long for a half-received reply line to end.
    static constexpr int kEchoHoldMs = 100;
    static constexpr int kReconnectMs = 1000;

    CommandChannel(SerialDevice& port, ChannelHost& host, QObject* parent = nullptr);

    int Port() const { return m_nPort; }
    void SetPort(int port) { m_nPort = port; }
    bool IsConnected() const { return m_connected; }
    // A reception tick is due.
    bool TimerActive() const { return m_tickTimer.isActive(); }
    // The device was lost and the channel waits for it to come back.
    bool AwaitingDevice() const { return m_reconnectTimer.isActive(); }

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

signals:
    // A complete line went through dispatch.
    void lineDispatched();
    // The device went away (reason for the log) and came back.
    void deviceLost(const QString& reason);
    void deviceBack();

private:
    // again: the device that was lost, by the same name.
    bool OpenPort(bool again);
    void OnDataArrived();
    void ScheduleTick();
    void OnDeviceLost(const QString& reason);
    void TryReconnect();
    void AppendReceived(const char* block, int length);
    void LogEcho(const QByteArray& echo, qsizetype reserve = 0);
    void ReleaseHeldEchoes(qsizetype reserve = 0);

    SerialDevice& m_port;
    ChannelHost& m_host;
    int m_nPort = 0;
    bool m_connected = false;
    TrafficLog m_log;
    char m_replyLine[kReplyLineSize] = {};
    int m_replyLength = 0;

    QTimer m_tickTimer;
    QElapsedTimer m_sinceTick;
    bool m_inTick = false;

    // Echoes of commands sent while a received line was half in: they go into the log when
    // that line's CR has arrived, so that neither is cut in two.
    bool m_receivedLineOpen = false;
    QList<QByteArray> m_heldEchoes;
    QTimer m_echoTimer;

    QTimer m_reconnectTimer;
    QString m_lastRetryError;
};

} // namespace vq3::link
