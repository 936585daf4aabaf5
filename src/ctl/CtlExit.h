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
    kBusy = 5,         // the function or the unit is in use by another call or caller
    kInterrupted = 6,  // the operator or a lost device ended the call
    kNoController = 8, // no controller on the session bus (or no session bus)
};

// The exit status for a D-Bus error reply: the controller's own errors by their names, and
// the bus's own errors for a controller that is gone, a reply that did not come in time and
// arguments of the wrong type.
ExitStatus ExitStatusForError(const QString& errorName);

// The name of an error as --json prints it: the last word of the controller's own error name
// ("Busy"), else vq3ctl's own name for the exit status (ErrorNameForStatus).
QString ErrorNameFor(const QString& errorName);

// vq3ctl's own error names: "NoController", "Timeout" (no reply in time), "Usage" and, for any
// other status, "Failed".
QString ErrorNameForStatus(int exitStatus);

// An error as vq3ctl reports it: its exit status, its name and one sentence.
struct Failure {
    int status = kFailed;
    QString name;
    QString message;
};

// A failure of vq3ctl's own, named after its exit status.
Failure OwnFailure(int exitStatus, const QString& message);

// The failure for a D-Bus error reply: the controller's own message, or one of vq3ctl's for a
// controller that is not there or a reply that did not come within `timeoutMs`.
Failure FailureForError(const QString& errorName, const QString& errorMessage, int timeoutMs);

// What to tell the user when no controller owns the name.
QString NoControllerHint();

} // namespace vq3::ctl
