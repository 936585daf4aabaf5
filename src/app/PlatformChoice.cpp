#include "app/PlatformChoice.h"

#include <cstring>

namespace vq3::app {

namespace {

// Qt reads "-platform NAME" and "--platform NAME"; without a name the argument is ignored.
bool PlatformArgumentGiven(int argc, const char* const* argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        const char* argument = argv[i];
        if (argument == nullptr)
            continue;
        if (std::strncmp(argument, "--", 2) == 0)
            ++argument;
        if (std::strcmp(argument, "-platform") == 0)
            return true;
    }
    return false;
}

} // namespace

DisplaySession CurrentDisplaySession() {
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
            qgetenv("DISPLAY")};
}

bool ShouldUseXWayland(const DisplaySession& session, int argc, const char* const* argv) {
    const bool wayland = !session.waylandDisplay.isEmpty() || session.sessionType == "wayland";
    return wayland && !session.x11Display.isEmpty() && session.qpaPlatform.isEmpty() &&
           !PlatformArgumentGiven(argc, argv);
}

void PreferXWayland(int argc, const char* const* argv) {
    if (ShouldUseXWayland(CurrentDisplaySession(), argc, argv))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace vq3::app
