#pragma once

#include <QByteArray>

namespace vq3::app {

// Under a Wayland compositor a program cannot place its own windows, so the remembered places
// of the main, Light Control and Terminal windows would be lost. In a Wayland session that
// also offers X11 through XWayland, the program therefore asks Qt for its X11 platform ("xcb"),
// unless the user chose a platform (QT_QPA_PLATFORM, or the -platform argument).

// The environment that decides it.
struct DisplaySession {
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray x11Display;     // DISPLAY
};

DisplaySession CurrentDisplaySession();

// True when the program should run through XWayland. Qt itself takes Wayland when
// WAYLAND_DISPLAY is set or XDG_SESSION_TYPE is "wayland"; both count here too.
bool ShouldUseXWayland(const DisplaySession& session, int argc, const char* const* argv);

// Sets QT_QPA_PLATFORM to "xcb" when ShouldUseXWayland says so; call before the
// application object is made.
void PreferXWayland(int argc, const char* const* argv);

} // namespace vq3::app
