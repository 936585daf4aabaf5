#include "link/TrafficLog.h"

namespace vq3::link {

void TrafficLog::Append(const char* text) {
    for (; *text != '\0'; ++text) {
        m_ring[m_write] = *text;
        m_write = (m_write + 1) % kSize;
    }
}

char TrafficLog::Take() {
    const char byte = m_ring[m_read];
    m_read = (m_read + 1) % kSize;
    return byte;
}

} // namespace vq3::link
