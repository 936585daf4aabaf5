#pragma once

#include "app/Profile.h"

#include <QLockFile>
#include <memory>

namespace vq3::app {

// The program's one application object: refuses a second instance, anchors the program in
// its folder, points the profile at "VQ3_CNT.ini" there and runs the main window.
class CControllerApp {
public:
    static constexpr const char* kInstanceGuardName = "VQ3_Cnt_Instance";
    static constexpr const char* kProfileName = "VQ3_CNT.ini";

    CControllerApp();
    ~CControllerApp();

    // Always false: the program ends when the main window has ended.
    bool StartUp();
    int ShutDown();

    // Where the guard lives: the user's runtime folder.
    static QString GuardPath();

private:
    // Held from start-up to the end: one instance at a time.
    std::unique_ptr<QLockFile> m_instanceLock;
    Profile m_profile;
};

} // namespace vq3::app
