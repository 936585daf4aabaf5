#include "files/AtomicWrite.h"

#include <QSaveFile>

namespace vq3::files {

bool WriteFileAtomically(const QString& path, const QByteArray& content) {
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile::commit() does not notice a failed final flush (a short write when the disk
    // is full), so the buffer is flushed and checked here before the file is committed.
    if (file.write(content) != content.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace vq3::files
