#include "link/TrafficLog.h"

namespace vq3::link {

void TrafficLog::Append(const char* text) {
    for (; *text != '\0'; ++text) {
        m_ring[m_write] = *text;
        m_write = (m_write + 1) % kSize;
    }
}

bool TrafficLog::HoldsLineEnd() const {
    for (int at = m_read; at != m_write; at = (at + 1) % kSize) {
        if (m_ring[at] == '\r')
            return true;
    }
    return false;
}

char TrafficLog::Take() {
    const char byte = m_ring[m_read];
    m_read = (m_read + 1) % kSize;
    return byte;
}

} // namespace vq3::link
