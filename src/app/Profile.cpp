#include "app/Profile.h"

#include "files/AtomicWrite.h"

#include <QFile>

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace vq3::app {

namespace {

constexpr int kMaxTextLength = 4095;

// One line of the file with its own line end ("\r\n", "\n", or nothing on a last line),
// so that lines we do not touch are written back byte for byte.
struct IniLine {
    QByteArray text;
    QByteArray ending;
};

std::vector<IniLine> SplitLines(const QByteArray& bytes) {
    std::vector<IniLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype feed = bytes.indexOf('\n', start);
        if (feed < 0) {
            lines.push_back({bytes.mid(start), QByteArray()});
            break;
        }
        IniLine line{bytes.mid(start, feed - start), QByteArrayLiteral("\n")};
        if (line.text.endsWith('\r')) {
            line.text.chop(1);
            line.ending = QByteArrayLiteral("\r\n");
        }
        lines.push_back(line);
        start = feed + 1;
    }
    return lines;
}

// New lines follow the file's own habit; a new file gets CR LF.
QByteArray LineEndingOf(const QByteArray& bytes) {
    if (bytes.contains("\r\n") || !bytes.contains('\n'))
        return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}

bool IsSectionHeader(const QByteArray& text, QByteArray* name) {
    const QByteArray trimmed = text.trimmed();
    if (!trimmed.startsWith('['))
        return false;
    const qsizetype close = trimmed.indexOf(']');
    *name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return true;
}

bool IsKeyLine(const QByteArray& text, QByteArray* key, QByteArray* value) {
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return false;
    *key = text.left(equals).trimmed();
    *value = text.mid(equals + 1).trimmed();
    return true;
}

bool SameName(const QByteArray& a, const QString& b) {
    return QString::fromLocal8Bit(a).compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

struct KeyPlace {
    int sectionLine = -1; // the header, -1 when the section is missing
    int lastLine = -1;    // the section's last line that is not blank
    int keyLine = -1;     // -1 when the key is missing
    QByteArray value;
};

KeyPlace FindKey(const std::vector<IniLine>& lines, const QString& section, const QString& key) {
    KeyPlace place;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        QByteArray name, value;
        if (IsSectionHeader(lines[i].text, &name)) {
            if (place.sectionLine >= 0)
                break; // the section ended
            if (SameName(name, section))
                place.sectionLine = place.lastLine = i;
            continue;
        }
        if (place.sectionLine < 0)
            continue;
        if (!lines[i].text.trimmed().isEmpty())
            place.lastLine = i;
        if (place.keyLine < 0 && IsKeyLine(lines[i].text, &name, &value) && SameName(name, key)) {
            place.keyLine = i;
            place.value = value;
        }
    }
    return place;
}

std::optional<QByteArray> ReadFile(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The stored value of a key, or nothing when the file, section or key is missing or the
// value is empty.
std::optional<QByteArray> LookUp(const QString& path, const QString& section, const QString& key) {
    const std::optional<QByteArray> bytes = ReadFile(path);
    if (!bytes)
        return std::nullopt;
    const KeyPlace place = FindKey(SplitLines(*bytes), section, key);
    if (place.keyLine < 0 || place.value.isEmpty())
        return std::nullopt;
    return place.value;
}

// An optionally signed run of decimal digits from the start; anything else reads 0.
int LeadingInteger(const QByteArray& text) {
    qsizetype i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

Profile::Profile(QString path) : m_path(std::move(path)) {}

int Profile::ReadInt(const QString& section, const QString& key, int defaultValue) const {
    const std::optional<QByteArray> value = LookUp(m_path, section, key);
    return value ? LeadingInteger(*value) : defaultValue;
}

QString Profile::ReadText(const QString& section, const QString& key,
                          const QString& defaultValue) const {
    const std::optional<QByteArray> value = LookUp(m_path, section, key);
    return value ? QString::fromLocal8Bit(value->left(kMaxTextLength)) : defaultValue;
}

bool Profile::WriteInt(const QString& section, const QString& key, int value) {
    return WriteText(section, key, QString::number(value));
}

bool Profile::WriteText(const QString& section, const QString& key, const QString& value) {
    if (m_path.isEmpty() || section.trimmed().isEmpty() || key.trimmed().isEmpty())
        return false;
    QByteArray bytes;
    if (QFile::exists(m_path)) {
        const std::optional<QByteArray> existing = ReadFile(m_path);
        if (!existing)
            return false; // never replace a file we could not read
        bytes = *existing;
    }
    std::vector<IniLine> lines = SplitLines(bytes);
    const QByteArray ending = LineEndingOf(bytes);

    // A line break inside the value would split it into lines of its own.
    QByteArray text = value.toLocal8Bit();
    for (const char lineBreak : {'\r', '\n'}) {
        const qsizetype at = text.indexOf(lineBreak);
        if (at >= 0)
            text.truncate(at);
    }
    const QByteArray keyLine = key.trimmed().toLocal8Bit() + '=' + text;

    const KeyPlace place = FindKey(lines, section, key);
    if (place.keyLine >= 0) {
        lines[place.keyLine].text = keyLine;
    } else {
        int insertAt = static_cast<int>(lines.size());
        if (place.sectionLine >= 0) {
            insertAt = place.lastLine + 1;
        }
        if (insertAt > 0 && lines[insertAt - 1].ending.isEmpty())
            lines[insertAt - 1].ending = ending;
        std::vector<IniLine> added;
        if (place.sectionLine < 0)
            added.push_back({'[' + section.trimmed().toLocal8Bit() + ']', ending});
        added.push_back({keyLine, ending});
        lines.insert(lines.begin() + insertAt, added.begin(), added.end());
    }

    QByteArray content;
    for (const IniLine& line : lines) {
        content += line.text;
        content += line.ending;
    }
    return files::WriteFileAtomically(m_path, content);
}

} // namespace vq3::app
