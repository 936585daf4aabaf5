#pragma once

#include <QString>

namespace vq3::link {

// Where opening or using a port went wrong. Steps 2 to 5 are Open's failure codes.
enum class PortStep {
    Name = 0, // no device name for that number
    Open = 1, // the device could not be opened
    ReadSettings = 2,
    WriteSettings = 3,
    SettingsNotTaken = 4,
    ModemLines = 5,
    Lock,       // another program holds the advisory lock
    HangUp,     // the device hung up or went away
    Write,      // a write failed
    WriteLimit, // the driver took nothing for the whole write limit
};

// One line for the log: the port, the device path, the system's reason and, for the common
// cases, what to do about it ("COM1 (/dev/ttyUSB0): permission denied: only group dialout
// may use ...").
QString DescribePortProblem(int portNumber, const QString& path, PortStep step, int error);

} // namespace vq3::link
