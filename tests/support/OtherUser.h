#pragma once

// The real programs of this build, and running them as another user: root, who may write
// anywhere, meets an unwritable folder or a refused device only as someone else.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

namespace vq3::test {

inline QString BinaryPath(const QString& name) {
    return QDir(QStringLiteral(VQ3_BIN_DIR)).filePath(name);
}

// Makes the folder (and its parents), owned by `owner` when given, readable by everyone and
// writable by its owner only.
inline bool MakeFolder(const QString& path, const passwd* owner) {
    if (!QDir().mkpath(path))
        return false;
    if (owner && ::chown(QFile::encodeName(path).constData(), owner->pw_uid, owner->pw_gid) != 0)
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
}

// A program run as another user, through setpriv, with no supplementary groups.
inline void SetUpAs(QProcess& process, const passwd* user, const QString& program,
                    const QStringList& arguments, const QProcessEnvironment& env) {
    process.setProgram(QStringLiteral("setpriv"));
    process.setArguments(QStringList{QStringLiteral("--reuid=%1").arg(user->pw_uid),
                                     QStringLiteral("--regid=%1").arg(user->pw_gid),
                                     QStringLiteral("--clear-groups"), QStringLiteral("--"),
                                     program} +
                         arguments);
    process.setProcessEnvironment(env);
}

inline bool StartAs(QProcess& process, const passwd* user, const QString& program,
                    const QStringList& arguments, const QProcessEnvironment& env) {
    SetUpAs(process, user, program, arguments, env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    return process.waitForStarted(5000);
}

} // namespace vq3::test
