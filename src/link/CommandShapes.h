#pragma once

#include "link/ReplyTable.h"

#include <QByteArrayView>

#include <span>

namespace vq3::link {

// The unit's refusals, as bits of what a command may draw.
namespace refusal {
inline constexpr unsigned Ng01 = 1U << 1; // lamp trigger going on
inline constexpr unsigned Ng02 = 1U << 2; // a memory step program runs
inline constexpr unsigned Ng03 = 1U << 3; // a timed shutter opening runs
inline constexpr unsigned Ng04 = 1U << 4; // no intensity monitor
inline constexpr unsigned Ng05 = 1U << 5; // intensity did not reach the set value
inline constexpr unsigned Err05 = 1U << 6;
} // namespace refusal

// What the unit does with one command line, as far as the program relies on it: the reply
// classes that answer it (none for a command that only acts), the refusals it may draw
// besides ERR, and whether it is a command the unit has at all (keyword and argument form).
struct CommandShape {
    std::span<const ReplyCode> answers;
    unsigned refusals = 0;
    bool known = false;

    bool IsQuery() const { return !answers.empty(); }
    bool AnsweredBy(ReplyCode code) const;
};

CommandShape ShapeOf(QByteArrayView command);

} // namespace vq3::link
