#pragma once

#include <optional>
#include <string>

class QIODevice;

namespace vq3::files {

// Reads a text file line by line the way the program files have always been read: a CR LF
// pair counts as one line feed, each read takes at most 255 characters and stops after a
// line feed, so a longer line comes in pieces and every piece counts as a line. The line
// feed, and a carriage return left before it, are dropped. Any byte is taken as it is.
class LineReader {
public:
    static constexpr int kPieceLength = 255;

    explicit LineReader(QIODevice* device) : m_device(device) {}

    // The next line, or nothing when the file ended before it.
    std::optional<std::string> Next();

private:
    int NextChar(); // -1 at the end; CR LF comes back as a single '\n'

    QIODevice* m_device;
    int m_pending = -1; // a character read ahead after a lone CR
};

} // namespace vq3::files
