#include "ReplyShaper.h"

#include <algorithm>

namespace vq3::sim {

namespace {

// NUL at the start, in the middle and before every CR.
QByteArray SprinkleNul(const QByteArray& reply) {
    QByteArray out(1, '\0');
    for (qsizetype i = 0; i < reply.size(); ++i) {
        if (reply[i] == '\r' || i == reply.size() / 2)
            out += '\0';
        out += reply[i];
    }
    return out;
}

QByteArray WithCrLf(QByteArray bytes) {
    return bytes.replace("\r", "\r\n");
}

} // namespace

QList<TimedBytes> ReplyShaper::Shape(const QByteArray& command, const QByteArray& reply) {
    if (m_options.silent || reply.isEmpty())
        return {};
    ++m_replies;
    QByteArray junk;
    if (m_options.garbageEveryN > 0 && m_replies % m_options.garbageEveryN == 0)
        junk += Junk(kGarbageLength) + '\r';
    if (command == "INP") {
        if (m_options.burstBytes > 0)
            junk += JunkLines(m_options.burstBytes);
        if (m_options.overlong)
            junk += Junk(kOverlongLength) + '\r';
    }
    QByteArray body = m_options.nulBytes ? SprinkleNul(reply) : reply;
    if (m_options.crlf) {
        junk = WithCrLf(junk);
        body = WithCrLf(body);
    }

    const qint64 delay = std::max(0, m_options.replyDelayMs);
    QList<TimedBytes> pieces;
    if (!junk.isEmpty())
        pieces.append({delay, junk});
    const qsizetype count = std::clamp<qsizetype>(m_options.splitPieces, 1, body.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype from = body.size() * i / count;
        const qsizetype to = body.size() * (i + 1) / count;
        pieces.append({delay + i * kPieceSpacingMs, body.mid(from, to - from)});
    }
    return pieces;
}

QByteArray ReplyShaper::Junk(qsizetype length) {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789#*+-/=@_~";
    constexpr quint32 kAlphabetSize = sizeof kAlphabet - 1;
    QByteArray junk;
    junk.reserve(length);
    for (qsizetype i = 0; i < length; ++i) {
        m_seed = m_seed * 1103515245u + 12345u;
        junk += kAlphabet[(m_seed >> 16) % kAlphabetSize];
    }
    return junk;
}

QByteArray ReplyShaper::JunkLines(qsizetype bytes) {
    QByteArray lines;
    while (lines.size() < bytes) {
        const qsizetype length = std::min<qsizetype>(kJunkLineLength, bytes - lines.size());
        lines += Junk(length - 1) + '\r';
    }
    return lines;
}

} // namespace vq3::sim
