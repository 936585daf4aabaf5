#pragma once

#include "app/Profile.h"

#include <QLockFile>
#include <memory>

namespace vq3::app {

// The program's one application object: refuses a second instance, anchors the program in
// its folder, points the profile at "VQ3_CNT.ini" there and runs the main window, or, on a
// machine without a display, the unit and its bus interface alone (--headless).
class CControllerApp {
public:
    static constexpr const char* kInstanceGuardName = "VQ3_Cnt_Instance";
    static constexpr const char* kProfileName = "VQ3_CNT.ini";

    enum class Mode { Windows, Headless };

    CControllerApp();
    ~CControllerApp();

    // Whether the command line asks for a run without windows (a QCoreApplication then).
    static bool HeadlessRequested(int argc, const char* const* argv);

    // Always false: the program ends when its run has ended.
    bool StartUp(Mode mode = Mode::Windows);
    // The exit status: 0; for a headless run 1 when another instance runs, 2 when it could
    // not be reached (no scripting, no session bus).
    int ShutDown();

    // Where the guard lives: the user's runtime folder.
    static QString GuardPath();

private:
    void RunWindows(bool scripting);

    int m_exitCode = 0;
    // Held from start-up to the end: one instance at a time.
    std::unique_ptr<QLockFile> m_instanceLock;
    Profile m_profile;
};

} // namespace vq3::app
