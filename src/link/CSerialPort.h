#pragma once

#include "link/DriverOutput.h"
#include "link/SerialDevice.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <deque>

class QSocketNotifier;

namespace vq3::link {

// The RS-232 line over the POSIX terminal interface. COMn is the entry named "COMn" in the
// program's folder when it exists (a link to /dev/ttyUSB0 or to the simulator's
// pseudo-terminal), else /dev/ttyS(n-1). The open is exclusive (TIOCEXCL and an advisory
// lock), 8N1 at the given speed, RTS asserted, DTR off, no flow control; a device without
// modem lines still opens.
//
// Nothing here blocks: the descriptor is watched for arriving bytes and hang-ups, and writes
// the driver cannot take at once wait in a queue until it can. A hang-up, a failed read or
// write, or output that makes no progress for the write limit (nothing taken from the queue
// here and nothing sent from the driver's own) releases the device and reports it lost.
//
// A device that is given up has its unsent output thrown away before it is closed; a normal
// Close lets it drain for at most half a second first. Linux close() would otherwise wait up
// to 30 s (the driver's closing_wait) for it, on the window thread.
class CSerialPort : public SerialDevice {
    Q_OBJECT
public:
    static constexpr int kWriteLimitMs = 30000;
    // Longest a normal Close waits for output to leave.
    static constexpr int kCloseDrainMs = 500;
    // How often output on its way is looked at: the stall is noticed this much late at most.
    static constexpr int kStallCheckMs = 1000;

    CSerialPort();
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Folder searched for "COMn" entries; the program's folder by default.
    static void SetDeviceFolder(const QString& folder);
    static QString DevicePath(int portNumber);

    // Failure codes: 1 no such port, busy or locked; 2 not a terminal (tcgetattr); 3 settings
    // refused (tcsetattr, or a speed/byte size without a terminal code); 4 the settings read
    // back differ; 5 the modem lines cannot be set. Nothing is held after a failure.
    int Open(int baudRate, int parity, int byteSize, int stopBits, int rts, int flowControl,
             int portNumber) override;
    int Reopen() override;
    bool Close() override;
    int BytesWaiting() override;
    int Read(char* destination, int maxLength) override;
    int Write(const char* source, int length) override;
    int Purge() override;
    void ArmReadNotification() override;
    QString Path() const override { return m_path; }

    bool IsOpen() const { return m_fd >= 0; }
    int PortNumber() const { return m_portNumber; }
    // Bytes handed to Write that the driver has not taken yet.
    qsizetype BytesQueued() const;
    // True while output is on its way and looked at for a stall.
    bool WatchingOutput() const { return m_stallCheck.isActive(); }
    // Tests shorten the write limit and stand in for the driver's output queue (not owned).
    void SetWriteLimitMs(int ms);
    // For ports made from now on; test builds shorten it for end-to-end tests.
    static void SetDefaultWriteLimitMs(int ms);
    void SetDriverOutput(DriverOutput* driver) { m_driver = driver ? driver : &m_ownDriver; }

private:
    struct Block {
        QByteArray bytes;
        qsizetype taken = 0;
    };

    struct Settings {
        int baudRate, parity, byteSize, stopBits, rts, flowControl;
    };
    // The entry a port number names: "COMn" in the device folder, else /dev/ttyS(n-1).
    static QString EntryPath(int portNumber);
    int OpenEntry(const QString& entry, const Settings& settings);
    void WatchDescriptor();
    void OnReadable();
    void WriteQueued();
    // Writes queued blocks until the driver takes no more; 0, or the error of a failed write.
    int HandOver();
    void WatchOutput();
    void FinishOutput();
    void Release();
    // Releases the device and reports it lost once control is back in the event loop, so
    // that a caller in the middle of a read or write never sees the report inside its call.
    void Lose(const QString& reason);

    int m_fd = -1;
    int m_portNumber = 0;
    QString m_path;  // the device opened
    QString m_entry; // the name it was opened by, for Reopen
    Settings m_settings{};
    quint64 m_session = 0; // counts opens, so that a late loss report of an old one is dropped
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    std::deque<Block> m_queue;
    QElapsedTimer m_clock;
    // The stall rule: output on its way (queued here or unsent in the driver) that has made no
    // progress since m_lastTakenMs for the write limit.
    QTimer m_stallCheck;
    qint64 m_lastTakenMs = 0;
    int m_driverUnsent = 0;
    int m_writeLimitMs = kWriteLimitMs;
    DriverOutput m_ownDriver;
    DriverOutput* m_driver = &m_ownDriver;
};

} // namespace vq3::link
