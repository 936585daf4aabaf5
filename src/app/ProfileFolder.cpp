#include "app/ProfileFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vq3::app {

namespace {

// Where packages put programs; never a place for a user's files, whoever runs the program.
const char* const kSystemProgramFolders[] = {"/bin",      "/sbin",          "/usr/bin",
                                             "/usr/sbin", "/usr/local/bin", "/usr/local/sbin"};

QString Resolved(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

} // namespace

bool IsSystemProgramFolder(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString resolved = Resolved(folder);
    for (const char* system : kSystemProgramFolders)
        if (resolved == QLatin1String(system) || resolved == Resolved(QLatin1String(system)))
            return true;
    return false;
}

bool FolderTakesFiles(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || IsSystemProgramFolder(folder))
        return false;
    // Permission bits do not tell the truth for root or on a read-only mount: try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vq3-probe-XXXXXX")));
    return probe.open();
}

QString ChooseProfileFolder(const QString& executableFolder, const QString& configFolder,
                            bool (*canWrite)(const QString&)) {
    if (configFolder.isEmpty() || canWrite(executableFolder))
        return executableFolder;
    QDir().mkpath(configFolder);
    return configFolder;
}

QString ProfileFolder() {
    return ChooseProfileFolder(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                               &FolderTakesFiles);
}

} // namespace vq3::app
