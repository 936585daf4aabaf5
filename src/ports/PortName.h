#pragma once

#include <QString>

namespace vq3::ports {

// The controller's ports are COM1 to COM9: "COM" and one digit (a name in its folder).
constexpr int kFirstPort = 1;
constexpr int kLastPort = 9;

QString PortName(int port);

// The number of "COMn" (letter case ignored), or 0 with the reason in `error`.
int ParsePortName(const QString& text, QString* error);

} // namespace vq3::ports
