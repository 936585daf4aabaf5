#pragma once

#include <QByteArray>
#include <QString>

namespace vq3::files {

// Makes `link` a symbolic link to `target`: a new link under a private name is renamed over
// the old one, so the name never goes missing. Replaces a symbolic link, never a file or a
// folder. Returns 0, or the errno of the step that failed (EEXIST: something other than a
// symbolic link is in the way); nothing is left behind on failure.
int PointLinkAtomically(const QString& link, const QString& target);

// What a symbolic link holds, as written; empty when `link` is not one.
QByteArray LinkTarget(const QString& link);

} // namespace vq3::files
