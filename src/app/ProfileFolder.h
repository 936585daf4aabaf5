#pragma once

#include <QString>

namespace vq3::app {

// The folder that holds the profile and the "COMn" links and is the working directory.
// Run from a folder it can write (a build, an unpacked copy), the program keeps everything
// beside itself. Installed where it cannot write (/usr/bin), it uses the user's configuration
// folder instead (~/.config/vq3-controller).

// True when a file can actually be created in the folder and it is not one of the system's
// program folders (/bin, /usr/bin, /usr/local/bin and their sbin kin). The second rule
// matters when running as root, who may write anywhere.
bool FolderTakesFiles(const QString& folder);

// True for the system's program folders, after resolving links ("/bin" is "/usr/bin" on
// merged systems) and trailing separators.
bool IsSystemProgramFolder(const QString& folder);

// The executable's folder when canWrite says so, otherwise the configuration folder, created
// when missing. An empty configuration folder leaves the executable's folder.
QString ChooseProfileFolder(const QString& executableFolder, const QString& configFolder,
                            bool (*canWrite)(const QString&));

// The choice for this process: the executable's folder, or the application's configuration
// folder (QStandardPaths::AppConfigLocation, set by the application name).
QString ProfileFolder();

} // namespace vq3::app
