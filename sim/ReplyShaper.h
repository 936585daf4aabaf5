#pragma once

// The line between the unit and the controller, and how it can misbehave on purpose: the
// options of a PtyLink, and the shaping of one reply into the timed pieces of bytes that
// actually go out.

#include <QByteArray>
#include <QList>

namespace vq3::sim {

struct LinkOptions {
    int replyDelayMs = 0;   // delay before a reply is written
    int splitPieces = 1;    // write each reply in N pieces, spaced across controller ticks
    bool crlf = false;      // end replies with CR LF
    bool nulBytes = false;  // sprinkle NUL bytes into replies
    int garbageEveryN = 0;  // insert a garbage line every N replies (0 = never)
    bool overlong = false;  // answer INP with an extra 300-character line before the reply
    int burstBytes = 0;     // on INP also send one burst of this many bytes of junk lines first
    bool silent = false;    // never answer
    int dropAfterMs = -1;   // close the pseudo-terminal this long after the first command
    int replugAfterMs = -1; // after such a drop, serve the same link again this much later
    int stallAfterMs = -1;  // stop reading this long after the first command (stalled adapter)
    bool stream = false;    // unasked chatter: streamText (+ CR) over and over
    QByteArray streamText;
    bool streamCr = true;           // end each streamText with a CR
    int streamBytesPerSecond = 960; // 9600 baud
    int streamAfterMs = 0;          // the chatter begins this long after the link started
};

// Bytes to write once offsetMs have passed since the command arrived.
struct TimedBytes {
    qint64 offsetMs = 0;
    QByteArray bytes;
};

class ReplyShaper {
public:
    // Pieces of a split reply are this far apart, more than one 20 ms reception tick.
    static constexpr int kPieceSpacingMs = 30;
    static constexpr int kOverlongLength = 300;
    static constexpr int kGarbageLength = 24;
    static constexpr int kJunkLineLength = 60; // burst lines, CR included

    // Reads the options live, so a test may change them between commands.
    explicit ReplyShaper(const LinkOptions& options) : m_options(options) {}

    // What goes on the line for the unit's reply to a command, in time order. Junk comes
    // first and whole; the reply itself may be split.
    QList<TimedBytes> Shape(const QByteArray& command, const QByteArray& reply);

    // Printable junk that no reply and no NG code begins with (no upper-case letters).
    QByteArray Junk(qsizetype length);
    // Junk lines, each ended by CR, exactly `bytes` bytes in all.
    QByteArray JunkLines(qsizetype bytes);

private:
    const LinkOptions& m_options;
    int m_replies = 0;
    quint32 m_seed = 12345;
};

} // namespace vq3::sim
