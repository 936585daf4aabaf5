#pragma once

namespace vq3::app {

class Profile;

// The controller without windows, for a lab PC nobody sits at: the unit's object on the
// profile's port and its session-bus interface, in a QCoreApplication, until SIGTERM or
// SIGINT. Then a hold still gets its INT0 and the port is written back to the profile, as
// at the end of a windowed run. Returns the exit status: 0, or 2 when the bus cannot be
// reached (it says why in one vq3.bus line).
int RunHeadless(Profile& profile);

} // namespace vq3::app
