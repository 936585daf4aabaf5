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

// The text link to the unit: connects, sends commands with their CR, logs the traffic and
// dispatches at most one received line per 20 ms tick while connected.
//
// Reception is event-driven: while nothing waits in the traffic log no timer runs and the
// port is watched; arriving bytes start the ticks, which stop again once the log is empty.
// A lost device (unplugged adapter) shows "Disconnect Port" and is reopened by itself as soon
// as the same port can be opened again; a port the operator closed stays closed. The complete
// lines already in the traffic log when the device goes are still dispatched and shown.
//
// Echoes never cut a received line in two and are never dropped: a command sent while a
// received line is half in has its echo held until that line's CR (and the LF of a CR LF
// unit) has been read. Received bytes are read only as far as the held echoes keep their
// room, since they can wait in the driver and echoes cannot.
class CommandChannel : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 20;
    static constexpr int kReplyLineSize = 256;
    static constexpr int kChunkLimit = 250;
    // A command's echo waits for a half-received line to end until nothing has arrived for
    // this long (bytes waiting in the driver or a tick still running do not count as quiet),
    static constexpr int kEchoHoldMs = 100;
    // but never longer than this, nor once more than this many echoes wait: then they go in
    // mid-line.
    static constexpr int kEchoHoldLimitMs = 2000;
    static constexpr int kHeldEchoLimit = 32;
    static constexpr int kReconnectMs = 1000;
    // The status query of a connect that has no answer this long is worth a line in the log.
    static constexpr int kSilentUnitMs = 2000;

    explicit CommandChannel(SerialDevice& port, QObject* parent = nullptr);

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
    // What the channel tells the object that runs the unit; each is delivered at once, inside
    // the call or the reception tick that caused it.
    // First part of the status bar: "COM%d" or "Disconnect Port".
    void linkStateShown(const QString& text);
    // A port chosen by the operator could not be opened (message 2).
    void portError();
    // The characters consumed in one tick, CR already turned into CR LF.
    void traffic(const QByteArray& chunk);
    // One complete line, without its CR, to be dispatched before the tick ends.
    void lineReceived(const char* line);
    // A complete line went through dispatch.
    void lineDispatched();
    // A command (without its CR) was written to the port, before its echo is logged.
    void commandWritten(const QByteArray& text);
    // The device went away (reason for the log).
    void deviceLost(const QString& reason);
    // The device is back and the link up again. Emitted before the status query goes out, so
    // that a directly connected slot can send first (an "INT0" for a key released meanwhile).
    void deviceBack();

private:
    // again: the device that was lost, by the same name.
    bool OpenPort(bool again);
    void OnDataArrived();
    void ScheduleTick();
    void OnDeviceLost(const QString& reason);
    void TryReconnect();
    // The status query after a connect; silence after it is reported once.
    void QueryStatus();
    void NoteAnswer();
    void AppendReceived(const char* block, int length);
    // Moves held echoes into the log, in order and whole, while they may go in and fit;
    // reserve keeps room for received bytes still to be logged.
    void PlaceEchoes(qsizetype reserve = 0);
    void OnEchoQuiet();
    void LetEchoesInMidLine();
    qsizetype HeldEchoBytes() const;

    SerialDevice& m_port;
    int m_nPort = 0;
    bool m_connected = false;
    TrafficLog m_log;
    char m_replyLine[kReplyLineSize] = {};
    int m_replyLength = 0;

    QTimer m_tickTimer;
    QElapsedTimer m_sinceTick;
    bool m_inTick = false;

    // Echoes of commands sent while a received line was half in, or that did not fit yet.
    bool m_receivedLineOpen = false;
    char m_lastReceived = '\r';
    QList<QByteArray> m_heldEchoes;
    QTimer m_echoTimer;        // the quiet time
    QElapsedTimer m_echoSince; // since the first held echo
    bool m_echoesMidLine = false;

    // After a loss: the complete lines left in the log are still taken, one a tick.
    bool m_draining = false;
    QTimer m_silenceTimer;
    bool m_unitSilent = false;

    QTimer m_reconnectTimer;
    QString m_lastRetryError;
};

} // namespace vq3::link
