#pragma once

#include <QObject>
#include <QString>

namespace vq3::link {

// The serial line as the command channel sees it. The line tells the channel what happened:
// bytes waiting (readyRead) and the device gone (lost); the channel never waits on it.
// CSerialPort is the real one; tests put an in-memory one in its place.
class SerialDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // 0 on success, else the failed step: 1 open, 2 read line state, 3 write line state,
    // 4 line state not taken as asked, 5 modem lines. After a failure nothing is held.
    virtual int Open(int baudRate, int parity, int byteSize, int stopBits, int rts, int flowControl,
                     int portNumber) = 0;
    // Opens the port of the last successful Open again, by the same name and with the same
    // settings: a COMn link is followed anew (a re-plugged adapter may have a new device
    // name), but a link that is gone is not replaced by /dev/ttyS(n-1). 0 on success.
    virtual int Reopen() = 0;
    // Lets output on its way drain for a moment (half a second at most), throws away what is
    // left and releases the device. True when a device was released.
    virtual bool Close() = 0;
    // Received bytes queued in the driver (also clears line errors); 0 on failure.
    virtual int BytesWaiting() = 0;
    // Reads min(maxLength, BytesWaiting()) bytes; never waits for the line. NUL bytes
    // never reach the caller.
    virtual int Read(char* destination, int maxLength) = 0;
    // Hands the whole block to the line and returns at once: what the driver does not take
    // now is kept and written, in order, as it takes it. Output that makes no progress for
    // 30 s (counted from the last byte taken or sent) counts as a lost device. Returns the
    // length; 0 when nothing is open.
    virtual int Write(const char* source, int length) = 0;
    // Discards both directions, including what is still kept for writing.
    virtual int Purge() = 0;
    // readyRead() is emitted once, as soon as received bytes are waiting (at once when some
    // already are). Reading again and again as bytes trickle in is the channel's business.
    virtual void ArmReadNotification() = 0;

    // The device opened, for the operator's information; empty when none is known.
    virtual QString Path() const { return {}; }

    // Why the last Open failed or the device was lost, for the log.
    QString LastError() const { return m_lastError; }

signals:
    void readyRead();
    // The device went away (hang-up, a failed read or write, output stalled for 30 s). It has
    // been released already, its unsent output thrown away; the reason is for the log.
    void lost(const QString& reason);

protected:
    void SetLastError(const QString& reason) { m_lastError = reason; }

private:
    QString m_lastError;
};

} // namespace vq3::link
