#include "files/AtomicLink.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace vq3::files {

int PointLinkAtomically(const QString& link, const QString& target) {
    const QByteArray path = QFile::encodeName(link);
    struct stat existing {};
    if (::lstat(path.constData(), &existing) == 0 && !S_ISLNK(existing.st_mode))
        return EEXIST;
    const QByteArray temporary = path + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0)
        return errno;
    if (::rename(temporary.constData(), path.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    return 0;
}

QByteArray LinkTarget(const QString& link) {
    char target[4096];
    const ssize_t length = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return length > 0 ? QByteArray(target, length) : QByteArray();
}

} // namespace vq3::files
