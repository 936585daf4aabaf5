#pragma once

#include <termios.h>

namespace vq3::link {

// The serial line's terminal settings, apart from the device so they can be checked alone.
// Parameter codes as the port's Open takes them:
//   parity     0 none, 1 odd, 2 even, 3 mark, 4 space; anything else is none
//   byte size  data bits, 5 to 8
//   stop bits  1 one and a half (two on POSIX, which a UART sends as 1.5 with 5 data bits),
//              2 two, anything else one
//   flow       0 none, 1 hardware (RTS/CTS), 2 software (XON/XOFF); anything else keeps the
//              flow-control flags as they were read
// Always raw: no echo, no line editing, no character translation, reads never wait.
struct LineParameters {
    int baudRate = 9600;
    int parity = 0;
    int byteSize = 8;
    int stopBits = 0;
    int flowControl = 0;
};

// Modifies the settings read from the device; false when the speed or the byte size has no
// terminal equivalent (the settings are then left partly changed and must not be written).
bool ApplyLineSettings(termios& settings, const LineParameters& line);

// Whether the device took what the line needs: speed, character size, parity, stop bits and
// raw input. tcsetattr succeeds when any one change took, so the settings are read back.
bool SettingsTook(const termios& wanted, const termios& actual);

} // namespace vq3::link
