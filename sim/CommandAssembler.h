#pragma once

// Cuts the byte stream from the controller into command lines, as the unit's receiver does:
// CR ends a line, LF and NUL are dropped, and a line that grows beyond the unit's buffer is
// thrown away up to its CR.

#include <QByteArray>
#include <QList>

namespace vq3::sim {

class CommandAssembler {
public:
    explicit CommandAssembler(qsizetype maxLength) : m_maxLength(maxLength) {}

    // The lines completed by these bytes, without their CR. Empty lines are kept.
    QList<QByteArray> Feed(const QByteArray& bytes);
    void Reset();

private:
    qsizetype m_maxLength;
    QByteArray m_partial;
    bool m_discarding = false;
};

} // namespace vq3::sim
