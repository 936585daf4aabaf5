// Any bytes as the profile file "VQ3_CNT.ini", kept in /dev/shm/vq3-fuzz-<pid>/ (or the
// temporary folder) for the run. Input layout: one byte n, then n % 32 bytes of
// text to write as "OPENPARAM", four bytes of the integer to write as "PORT", then the file.
// Reads give the default exactly when there is nothing to read, find keys whatever their
// letter case, never exceed 4095 characters; a write reads back as written, and every other
// line of the file, and with it every other key, survives it.
#include "FuzzSupport.h"

#include "app/Profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <unistd.h>

using namespace vq3;
using fuzz::FuzzInput;

namespace {

QString g_directory;
QString g_path;

const QString kSection = QStringLiteral("INIT");
// An integer key of the table, another one that a write of PORT must not touch, and the text
// key (last).
const QStringList kKeys = {QStringLiteral("PORT"), QStringLiteral("MAIN_Y"),
                           QStringLiteral("OPENPARAM")};
// Marks "nothing read": values read from the file never begin or end with a blank.
const QString kDefault = QStringLiteral(" none ");

void RemoveDirectory() {
    if (!g_directory.isEmpty())
        QDir(g_directory).removeRecursively();
}

void WriteInput(const QByteArray& bytes) {
    QFile file(g_path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray FileBytes() {
    QFile file(g_path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The file's lines without their line ends (trailing CRs dropped, the empty piece after a
// final line feed not counted).
QList<QByteArray> Lines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (bytes.isEmpty() || bytes.endsWith('\n'))
        lines.removeLast();
    for (QByteArray& line : lines) {
        while (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// A write either replaced one line in place or inserted one or two lines in one place: the
// lines before and after that place are the old ones.
bool OtherLinesSurvive(const QList<QByteArray>& before, const QList<QByteArray>& after) {
    const qsizetype added = after.size() - before.size();
    if (added < 0 || added > 2)
        return false;
    qsizetype same = 0; // leading lines alike
    while (same < before.size() && before[same] == after[same])
        ++same;
    qsizetype tail = 0; // trailing lines alike, not overlapping the leading ones
    while (same + tail < before.size() &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const qsizetype kept = same + tail;
    return added == 0 ? kept + 1 >= before.size() : kept == before.size();
}

QStringList ReadAll(const app::Profile& profile) {
    QStringList values;
    for (const QString& key : kKeys)
        values << profile.ReadText(kSection, key, kDefault);
    return values;
}

// What a written text reads back as: cut at a line break, blanks at the ends dropped, the
// default when nothing is left.
QString ExpectedText(const QString& written) {
    QByteArray bytes = written.toLatin1();
    for (const char lineBreak : {'\r', '\n'}) {
        const qsizetype at = bytes.indexOf(lineBreak);
        if (at >= 0)
            bytes.truncate(at);
    }
    bytes = bytes.trimmed();
    return bytes.isEmpty() ? kDefault : QString::fromLatin1(bytes.left(4095));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The profile is replaced through QSaveFile, which syncs to disk on every write; a
    // memory-backed folder keeps a million runs from waiting on the disk.
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    g_directory = QStringLiteral("%1/vq3-fuzz-%2").arg(base).arg(getpid());
    FUZZ_CHECK(QDir().mkpath(g_directory));
    g_path = g_directory + QStringLiteral("/VQ3_CNT.ini");
    std::atexit(RemoveDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // Printable text with the odd tab or line break.
    QString text;
    for (const char c : input.Bytes(input.Byte() % 32)) {
        const auto u = static_cast<unsigned char>(c);
        text += QLatin1Char((u >= 0x20 && u < 0x7f) || (u >= '\t' && u <= '\r') ? c : 'x');
    }
    const int number = input.Int32();
    const std::string rest = input.Rest();
    const QByteArray content(rest.data(), static_cast<qsizetype>(rest.size()));
    WriteInput(content);

    app::Profile profile(g_path);
    const QStringList before = ReadAll(profile);
    // Names match whatever their letter case.
    const qsizetype lower = (number & 0xFF) % kKeys.size();
    FUZZ_CHECK(profile.ReadText(kSection.toLower(), kKeys[lower].toLower(), kDefault) ==
               before[lower]);
    for (qsizetype i = 0; i < kKeys.size(); ++i) {
        const QString& key = kKeys[i];
        const QString& value = before[i];
        FUZZ_CHECK(value.size() <= 4095);
        const int low = profile.ReadInt(kSection, key, -7);
        const int high = profile.ReadInt(kSection, key, 7);
        if (value == kDefault)
            FUZZ_CHECK(low == -7 && high == 7);
        else
            FUZZ_CHECK(low == high);
    }

    // An integer write: it reads back, and nothing else changes.
    QList<QByteArray> lines = Lines(content);
    FUZZ_CHECK(profile.WriteInt(kSection, QStringLiteral("PORT"), number));
    FUZZ_CHECK(profile.ReadInt(kSection, QStringLiteral("PORT"), number ^ 1) == number);
    QStringList after = ReadAll(profile);
    QByteArray written = FileBytes();
    FUZZ_CHECK(OtherLinesSurvive(lines, Lines(written)));
    for (qsizetype i = 1; i < kKeys.size(); ++i)
        FUZZ_CHECK(after[i] == before[i]);

    // A text write likewise.
    lines = Lines(written);
    FUZZ_CHECK(profile.WriteText(kSection, QStringLiteral("OPENPARAM"), text));
    const QStringList last = ReadAll(profile);
    FUZZ_CHECK(last.back() == ExpectedText(text));
    FUZZ_CHECK(OtherLinesSurvive(lines, Lines(FileBytes())));
    for (qsizetype i = 0; i + 1 < kKeys.size(); ++i)
        FUZZ_CHECK(last[i] == after[i]);
    return 0;
}
