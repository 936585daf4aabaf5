#include "files/LineReader.h"

#include <QIODevice>

namespace vq3::files {

int LineReader::NextChar() {
    char c = 0;
    if (m_pending >= 0) {
        c = static_cast<char>(m_pending);
        m_pending = -1;
    } else if (!m_device || !m_device->getChar(&c)) {
        return -1;
    }
    if (c == '\r') {
        char next = 0;
        if (m_device->getChar(&next)) {
            if (next == '\n')
                return '\n';
            m_pending = static_cast<unsigned char>(next);
        }
    }
    return static_cast<unsigned char>(c);
}

std::optional<std::string> LineReader::Next() {
    std::string line;
    bool ended = false;
    while (static_cast<int>(line.size()) < kPieceLength) {
        const int c = NextChar();
        if (c < 0)
            break;
        line += static_cast<char>(c);
        if (c == '\n') {
            ended = true;
            break;
        }
    }
    if (line.empty())
        return std::nullopt;
    if (ended) {
        line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    }
    return line;
}

} // namespace vq3::files
