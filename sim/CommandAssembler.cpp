#include "CommandAssembler.h"

namespace vq3::sim {

QList<QByteArray> CommandAssembler::Feed(const QByteArray& bytes) {
    QList<QByteArray> lines;
    for (const char c : bytes) {
        if (c == '\r') {
            if (!m_discarding)
                lines.append(m_partial);
            m_partial.clear();
            m_discarding = false;
        } else if (c == '\n' || c == '\0' || m_discarding) {
            continue;
        } else if (m_partial.size() >= m_maxLength) {
            m_partial.clear();
            m_discarding = true;
        } else {
            m_partial += c;
        }
    }
    return lines;
}

void CommandAssembler::Reset() {
    m_partial.clear();
    m_discarding = false;
}

} // namespace vq3::sim
