#pragma once

#include "link/SerialDevice.h"

#include <QString>

namespace vq3::link {

// The RS-232 line over the POSIX terminal interface. COMn is the entry named "COMn" in the
// program's folder when it exists (a link to /dev/ttyUSB0 or to the simulator's
// pseudo-terminal), else /dev/ttyS(n-1). The open is exclusive (TIOCEXCL and an advisory
// lock), 8N1 at the given speed, RTS asserted, DTR off, no flow control; a device without
// modem lines still opens. A vanished device reads as nothing waiting.
class CSerialPort : public SerialDevice {
public:
    CSerialPort() = default;
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
    bool Close() override;
    int BytesWaiting() override;
    int Read(char* destination, int maxLength) override;
    int Write(const char* source, int length) override;
    int Purge() override;

    bool IsOpen() const { return m_fd >= 0; }
    int PortNumber() const { return m_portNumber; }

private:
    int m_fd = -1;
    int m_portNumber = 0;
};

} // namespace vq3::link
