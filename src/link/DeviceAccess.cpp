#include "link/DeviceAccess.h"

#include "link/LockHolders.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace vq3::link {

namespace {

QString UserName() {
    const passwd* user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::geteuid());
}

bool ProcessHasGroup(gid_t group) {
    if (::getegid() == group)
        return true;
    gid_t groups[NGROUPS_MAX];
    const int count = ::getgroups(NGROUPS_MAX, groups);
    return std::find(groups, groups + std::max(count, 0), group) != groups + std::max(count, 0);
}

// Membership as the group database has it now; a login session keeps the groups it began with.
bool AccountHasGroup(gid_t group) {
    const passwd* user = ::getpwuid(::geteuid());
    if (!user)
        return false;
    int count = NGROUPS_MAX;
    gid_t groups[NGROUPS_MAX];
    if (::getgrouplist(user->pw_name, user->pw_gid, groups, &count) < 0)
        return false;
    return std::find(groups, groups + count, group) != groups + count;
}

QString ExplainPermission(const QString& device, const struct stat& info) {
    const group* owningGroup = ::getgrgid(info.st_gid);
    const QString groupName =
        owningGroup ? QString::fromLocal8Bit(owningGroup->gr_name) : QString::number(info.st_gid);
    const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!groupMayUse || ProcessHasGroup(info.st_gid))
        return QStringLiteral("permission denied: %1 is not open to this account").arg(device);
    if (AccountHasGroup(info.st_gid))
        return QStringLiteral("permission denied: %1 joined group %2 after this session began; "
                              "log out and in again")
            .arg(UserName(), groupName);
    return QStringLiteral("permission denied: only group %1 may use %2, and %3 is not in it "
                          "(sudo adduser %3 %1, then log out and in again)")
        .arg(groupName, device, UserName());
}

QString LockHolders(const QString& device) {
    struct stat info {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (::stat(QFile::encodeName(device).constData(), &info) != 0 ||
        !locks.open(QIODevice::ReadOnly))
        return {};
    QStringList holders;
    for (qint64 pid :
         LockingProcesses(locks.readAll(), major(info.st_dev), minor(info.st_dev), info.st_ino))
        holders.append(DescribeProcess(pid));
    return holders.join(QStringLiteral(", "));
}

bool ProcessAlive(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The UUCP-style lock file that programs such as minicom leave, when a live process owns it.
QString LockFileProblem(const QString& device) {
    const QString path = QStringLiteral("/run/lock/LCK..") + QFileInfo(device).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 pid = LockFileProcess(file.read(64));
    if (pid <= 0 || pid == ::getpid() || !ProcessAlive(pid))
        return {};
    return QStringLiteral("busy: %1 holds the lock file %2").arg(DescribeProcess(pid), path);
}

} // namespace

QString SystemErrorText(int error) {
    const char* text = ::strerrordesc_np(error);
    return text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(error);
}

QString ExplainOpenError(const QString& device, int error) {
    struct stat info {};
    switch (error) {
    case ENOENT:
        return QStringLiteral("no such device");
    case EACCES:
    case EPERM:
        if (::stat(QFile::encodeName(device).constData(), &info) == 0)
            return ExplainPermission(device, info);
        break;
    case EBUSY: {
        const QString holders = LockHolders(device);
        return holders.isEmpty() ? QStringLiteral("busy: another program has it open exclusively")
                                 : QStringLiteral("busy: %1 has it open exclusively").arg(holders);
    }
    case EIO:
    case ENXIO:
    case ENODEV:
        return QStringLiteral("no hardware answers (%1)").arg(SystemErrorText(error));
    default:
        break;
    }
    return SystemErrorText(error);
}

QString ExplainLockRefused(const QString& device) {
    const QString holders = LockHolders(device);
    return holders.isEmpty() ? QStringLiteral("busy: another program holds its lock")
                             : QStringLiteral("busy: %1 holds its lock").arg(holders);
}

QString AccessProblem(const QString& device) {
    const QByteArray path = QFile::encodeName(device);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return ExplainOpenError(device, errno);
    if (!S_ISCHR(info.st_mode))
        return QStringLiteral("not a serial device");
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return ExplainOpenError(device, errno);
    QString problem;
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        problem = QStringLiteral("not a serial device (%1)").arg(SystemErrorText(errno));
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        problem = ExplainLockRefused(device);
    else
        problem = LockFileProblem(device);
    ::close(fd); // also gives up the lock
    return problem;
}

} // namespace vq3::link
