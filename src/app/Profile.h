#pragma once

#include <QString>

namespace vq3::app {

// The program's initialisation file ("VQ3_CNT.ini"): sections "[NAME]" and "key=value"
// lines, names matched without regard to case. A missing file, section or key, or an empty
// value, yields the default. Integers are read as an optionally signed decimal number from
// the start of the value (no number reads 0); texts up to 4095 characters. A write replaces
// the key's line in place, appends a new key at the end of its section, creates section and
// file when missing and leaves every other line untouched; the file is replaced atomically.
class Profile {
public:
    explicit Profile(QString path = QString());

    void SetPath(const QString& path) { m_path = path; }
    const QString& Path() const { return m_path; }

    int ReadInt(const QString& section, const QString& key, int defaultValue) const;
    QString ReadText(const QString& section, const QString& key, const QString& defaultValue) const;
    bool WriteInt(const QString& section, const QString& key, int value);
    bool WriteText(const QString& section, const QString& key, const QString& value);

private:
    QString m_path;
};

} // namespace vq3::app
