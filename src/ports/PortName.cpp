#include "ports/PortName.h"

#include <QRegularExpression>

namespace vq3::ports {

QString PortName(int port) {
    return QStringLiteral("COM%1").arg(port);
}

int ParsePortName(const QString& text, QString* error) {
    static const QRegularExpression pattern(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    const int port = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (port >= kFirstPort && port <= kLastPort && match.captured(1).size() == 1)
        return port;
    *error = QStringLiteral("%1: not a port; the ports are COM%2 to COM%3")
                 .arg(text)
                 .arg(kFirstPort)
                 .arg(kLastPort);
    return 0;
}

} // namespace vq3::ports
