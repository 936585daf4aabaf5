#pragma once

// One line sent over and over at the pace of a serial line, for load tests: the unit chatters
// without being asked. The line goes out whole, so that a reply never lands inside one, and
// the pace is kept on average: the bytes due follow the time since the stream began, not the
// number of ticks that happened to come.

#include <QByteArray>

namespace vq3::sim {

class LineStream {
public:
    // 9600 baud with 8 data bits, one start and one stop bit.
    static constexpr int kBytesPerSecond = 960;

    // line is sent with a CR after it, unless withCr is false (a unit at the wrong speed
    // sends text that never ends a line).
    explicit LineStream(const QByteArray& line, int bytesPerSecond = kBytesPerSecond,
                        bool withCr = true);

    // The whole lines due elapsedMs after the stream began that were not taken before.
    QByteArray Take(qint64 elapsedMs);
    // Lines the caller could not pass on (the line was blocked) count as sent all the same.
    qint64 BytesTaken() const { return m_taken; }

private:
    QByteArray m_line;
    int m_bytesPerSecond;
    qint64 m_taken = 0;
};

} // namespace vq3::sim
