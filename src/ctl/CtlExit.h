#pragma once

#include <QString>

namespace vq3::ctl {

// Exit statuses of vq3ctl.
enum ExitStatus : int {
    kDone = 0,
    kFailed = 1,       // the unit refused or failed, the port failed, a file could not be written
    kBadUsage = 2,     // bad usage, a bad value or a bad file
    kTimedOut = 3,     // the controller's time-out, or no reply in time
    kNotConnected = 4, // no port open, or the device was lost
    kBusy = 5,         // a unit settings operation runs
    kInterrupted = 6,  // the operator or a lost device ended the call
    kNoController = 8, // no controller on the session bus (or no session bus)
};

// The exit status for a D-Bus error reply: the controller's own errors by their names, and
// the bus's own errors for a controller that is gone, a reply that did not come in time and
// arguments of the wrong type.
ExitStatus ExitStatusForError(const QString& errorName);

// What to tell the user when no controller owns the name.
QString NoControllerHint();

} // namespace vq3::ctl
