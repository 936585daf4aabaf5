#pragma once

#include "link/CommandShapes.h"

#include <QByteArray>
#include <QList>

#include <deque>

namespace vq3::link {

// A command as it was written to the unit, with who sent it.
struct SentCommand {
    quint64 id = 0;
    quint64 origin = 0;
    QByteArray text;
    qint64 onLineMs = 0; // when its last byte will have left at 9600 baud (monotonic ms)
};

// How the unit dealt with a command.
enum class Settlement {
    Answered,   // a query, answered
    Refused,    // ERR, ERR05 or an NG line
    Taken,      // acted on without a refusal
    Unanswered, // a query whose answer did not come
    Dropped,    // the link started afresh before the unit dealt with it
};

struct Settled {
    Settlement how;
    SentCommand command;
};

// Tells which command each reply answers. The unit answers in the order the commands were
// written, so an answer belongs to the oldest unanswered query of its kind, and everything
// written before that query has been dealt with. A refusal belongs to the oldest command not
// yet dealt with that can draw it: NG01 a lamp command, NG02 and NG03 a shutter or program
// command, NG04 and NG05 an intensity or program command, ERR05 a program command, ERR a line
// the unit does not know, else the oldest command.
//
// Time counts from the moment a command's echo is handled: the echo goes through the same
// line as the replies, after everything received before the command was written and before
// anything the unit answers to it, so a reply that waits behind other lines is never too
// late. A command that draws no refusal within kTakenAfterMs of its echo has been taken; a
// query unanswered kAnswerLimitMs after its echo is given up. A command whose echo never
// comes through (cut into a received line) counts from kEchoLimitMs after it was written.
// Pure bookkeeping: the caller says what time it is.
class ReplyPairing {
public:
    static constexpr int kTakenAfterMs = 300;
    static constexpr int kAnswerLimitMs = 2000;
    static constexpr int kEchoLimitMs = 10000;

    // Records a command just written and returns it with its id and time on the line.
    SentCommand Written(quint64 origin, const QByteArray& text, qint64 nowMs);
    // What one line through dispatch settles, in order: the commands before the one it
    // answers or refuses, then that one. Empty for a line that answers nothing (chatter); an
    // echo starts its command's time.
    QList<Settled> Received(const char* line, qint64 nowMs);
    // What the passing of time settles by nowMs.
    QList<Settled> Expire(qint64 nowMs);
    // When Expire next has something to do; -1 when nothing is outstanding.
    qint64 NextExpiry() const;
    // The link starts afresh: nothing outstanding will be answered any more.
    QList<Settled> Forget();
    bool Idle() const { return m_outstanding.empty(); }

private:
    struct Entry {
        SentCommand command;
        CommandShape shape;
        qint64 echoedMs = -1; // when its echo was handled
        qint64 Deadline() const;
    };
    // Settles entries [0, index) by order and `index` itself as `how`.
    QList<Settled> SettleUpTo(std::size_t index, Settlement how);
    std::size_t RefusedIndex(const char* line) const;
    void NoteEcho(const char* echo, qint64 nowMs);

    std::deque<Entry> m_outstanding; // in the order written
    qint64 m_lineFreeMs = 0;
    quint64 m_nextId = 1;
};

} // namespace vq3::link
