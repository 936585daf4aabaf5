#pragma once

#include <QByteArray>
#include <QString>

namespace vq3::files {

// Replaces the file at `path` with `content` through a temporary file beside it. Returns
// false when anything fails (folder not writable, short write, disk full, rename); the old
// file then stays exactly as it was.
bool WriteFileAtomically(const QString& path, const QByteArray& content);

} // namespace vq3::files
