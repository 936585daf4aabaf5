#include "LineStream.h"

#include <algorithm>

namespace vq3::sim {

LineStream::LineStream(const QByteArray& line, int bytesPerSecond, bool withCr)
    : m_line(withCr || line.isEmpty() ? line + '\r' : line),
      m_bytesPerSecond(std::max(1, bytesPerSecond)) {}

QByteArray LineStream::Take(qint64 elapsedMs) {
    const qint64 due = std::max<qint64>(0, elapsedMs) * m_bytesPerSecond / 1000;
    const qint64 lines = (due - m_taken) / m_line.size();
    if (lines <= 0)
        return {};
    m_taken += lines * m_line.size();
    return m_line.repeated(lines);
}

} // namespace vq3::sim
