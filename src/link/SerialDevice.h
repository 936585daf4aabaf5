#pragma once

namespace vq3::link {

// A polling serial line: the command channel asks how much is waiting and reads only that.
// CSerialPort is the real one; tests put an in-memory one in its place.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // 0 on success, else the failed step: 1 open, 2 read line state, 3 write line state,
    // 4 line state not taken as asked, 5 modem lines. After a failure nothing is held.
    virtual int Open(int baudRate, int parity, int byteSize, int stopBits, int rts, int flowControl,
                     int portNumber) = 0;
    // True when a device was released.
    virtual bool Close() = 0;
    // Received bytes queued in the driver (also clears line errors); 0 on failure.
    virtual int BytesWaiting() = 0;
    // Reads min(maxLength, BytesWaiting()) bytes; never waits for the line. NUL bytes
    // never reach the caller.
    virtual int Read(char* destination, int maxLength) = 0;
    // Writes the whole block, waiting at most 30 s; returns the bytes written.
    virtual int Write(const char* source, int length) = 0;
    // Discards both queues.
    virtual int Purge() = 0;
};

} // namespace vq3::link
