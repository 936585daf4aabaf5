#include "link/ReplyPairing.h"

#include "link/ReplyDispatch.h"
#include "resources/Messages.h"

#include <algorithm>

namespace vq3::link {

namespace {

// Ten bits a byte at 9600 baud, in microseconds.
constexpr qint64 kByteUs = 10'000'000 / 9600;
constexpr std::size_t kNobody = ~std::size_t(0);

// The refusal bit of an NG line's message (14..18), 0 for none.
unsigned NgBit(int message) {
    return message ? 1U << (message - resources::msg::Ng01 + 1) : 0;
}

} // namespace

qint64 ReplyPairing::Entry::Deadline() const {
    const qint64 from = echoedMs >= 0 ? echoedMs : command.onLineMs + kEchoLimitMs;
    return from + (shape.IsQuery() ? kAnswerLimitMs : kTakenAfterMs);
}

SentCommand ReplyPairing::Written(quint64 origin, const QByteArray& text, qint64 nowMs) {
    // Commands queue on the line: each leaves after those before it, CR included.
    const qint64 startMs = std::max(nowMs, m_lineFreeMs);
    m_lineFreeMs = startMs + ((text.size() + 1) * kByteUs + 999) / 1000;
    Entry entry{{m_nextId++, origin, text, m_lineFreeMs}, ShapeOf(text)};
    m_outstanding.push_back(entry);
    return entry.command;
}

QList<Settled> ReplyPairing::SettleUpTo(std::size_t index, Settlement how) {
    QList<Settled> settled;
    for (std::size_t i = 0; i < index; ++i) {
        const Entry& before = m_outstanding[i];
        settled.append(
            {before.shape.IsQuery() ? Settlement::Unanswered : Settlement::Taken, before.command});
    }
    settled.append({how, m_outstanding[index].command});
    m_outstanding.erase(m_outstanding.begin(), m_outstanding.begin() + qsizetype(index) + 1);
    return settled;
}

std::size_t ReplyPairing::RefusedIndex(const char* line) const {
    const ReplyCode code = ClassifyReply(line);
    unsigned wanted = 0; // none: ERR, which any command may draw
    switch (code) {
    case CommandError:
        break;
    case MemoryStepError:
        wanted = refusal::Err05;
        break;
    case Unrecognised:
        wanted = NgBit(ScanNg(line));
        if (!wanted)
            return kNobody; // chatter, not a refusal
        break;
    default:
        return kNobody;
    }
    for (std::size_t i = 0; i < m_outstanding.size(); ++i) {
        const CommandShape& shape = m_outstanding[i].shape;
        if (wanted ? (shape.refusals & wanted) != 0 : !shape.known)
            return i;
    }
    // ERR: any command may draw it.
    return code == CommandError && !m_outstanding.empty() ? 0 : kNobody;
}

// The echo is ">" and the command up to its first NUL, cut to what a line keeps. Echoes come
// in the order the commands were written: those before it whose echoes went into a received
// line (a unit that never ended its line) count from now too.
void ReplyPairing::NoteEcho(const char* echo, qint64 nowMs) {
    const QByteArray text(echo);
    auto waiting = [](const Entry& entry) { return entry.echoedMs < 0; };
    const auto first = std::find_if(m_outstanding.begin(), m_outstanding.end(), waiting);
    const auto mine = std::find_if(first, m_outstanding.end(), [&](const Entry& entry) {
        return waiting(entry) &&
               (entry.command.text.startsWith(text) || text.startsWith(entry.command.text));
    });
    if (mine == m_outstanding.end())
        return;
    for (auto it = first; it != mine + 1; ++it)
        if (waiting(*it))
            it->echoedMs = nowMs;
}

QList<Settled> ReplyPairing::Received(const char* line, qint64 nowMs) {
    if (!line)
        return {};
    if (line[0] == '>') {
        NoteEcho(line + 1, nowMs);
        return {};
    }
    if (const std::size_t refused = RefusedIndex(line); refused != kNobody)
        return SettleUpTo(refused, Settlement::Refused);
    const ReplyCode code = ClassifyReply(line);
    for (std::size_t i = 0; i < m_outstanding.size(); ++i)
        if (m_outstanding[i].shape.AnsweredBy(code))
            return SettleUpTo(i, Settlement::Answered);
    return {};
}

QList<Settled> ReplyPairing::Expire(qint64 nowMs) {
    QList<Settled> settled;
    for (auto it = m_outstanding.begin(); it != m_outstanding.end();) {
        if (it->Deadline() > nowMs) {
            ++it;
            continue;
        }
        settled.append(
            {it->shape.IsQuery() ? Settlement::Unanswered : Settlement::Taken, it->command});
        it = m_outstanding.erase(it);
    }
    return settled;
}

qint64 ReplyPairing::NextExpiry() const {
    qint64 next = -1;
    for (const Entry& entry : m_outstanding)
        if (next < 0 || entry.Deadline() < next)
            next = entry.Deadline();
    return next;
}

QList<Settled> ReplyPairing::Forget() {
    QList<Settled> dropped;
    for (const Entry& entry : m_outstanding)
        dropped.append({Settlement::Dropped, entry.command});
    m_outstanding.clear();
    return dropped;
}

} // namespace vq3::link
