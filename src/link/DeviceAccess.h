#pragma once

#include <QString>

namespace vq3::link {

// Why a serial device cannot be used the way the controller uses it (opened for reading and
// writing, with an exclusive advisory lock), in words an operator can act on. The texts
// start with the kind of problem ("permission denied: ...", "busy: ...", "no such device").

// Empty when this process can open and lock `device`, else the reason. Opens the device
// briefly, as the controller would; on most adapters that raises DTR and RTS for a moment.
QString AccessProblem(const QString& device);

// The reason for an open(2) of `device` that failed with `error` (an errno value), with a
// hint for the common cases: the device's group (usually dialout) and who holds it.
QString ExplainOpenError(const QString& device, int error);

// The English text of an errno value, whatever the locale.
QString SystemErrorText(int error);

// The reason when another process holds the advisory lock on `device`, naming it if known.
QString ExplainLockRefused(const QString& device);

} // namespace vq3::link
