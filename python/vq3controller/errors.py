"""The controller's errors as exceptions: one class per D-Bus error name, all under Vq3Error;
str(error) is the controller's sentence for the operator."""

from .names import ERROR_PREFIX

NO_CONTROLLER_HINT = ("vq3-controller is not running: start it (vq3-controller &) and try "
                      "again.")


class Vq3Error(Exception):
    """A call to the controller failed; `name` is the D-Bus error name."""

    name = ""

    def __init__(self, message: str, name: str = ""):
        super().__init__(message)
        if name:
            self.name = name


class NoController(Vq3Error):
    """No controller owns its name on the session bus (or there is no session bus)."""


def no_session_bus(reason: Exception) -> NoController:
    why = "DBUS_SESSION_BUS_ADDRESS is not set" if isinstance(reason, KeyError) else reason
    return NoController(f"There is no session bus here ({why}), so no vq3-controller can be "
                        "reached: run the script in the desktop session of the user who runs "
                        "vq3-controller.")


# What opening a bus connection raises when there is no session bus to open.
NO_BUS = (KeyError, OSError, RuntimeError, ValueError, EOFError)


class NoReply(Vq3Error, TimeoutError):
    """The controller did not reply within the call's time limit."""


class NotConnected(Vq3Error):
    """No port is open, or the device was lost."""

    name = ERROR_PREFIX + "NotConnected"


class Busy(Vq3Error):
    """Another call uses the same function, another caller holds the claim, or a unit
    settings operation runs; the message names what runs."""

    name = ERROR_PREFIX + "Busy"


class InvalidArgs(Vq3Error):
    """A value out of range, with the program's own message."""

    name = ERROR_PREFIX + "InvalidArgs"


class Timeout(Vq3Error):
    """The unit did not answer in time."""

    name = ERROR_PREFIX + "Timeout"


class DeviceError(Vq3Error):
    """The unit refused the call's own command (ERR, ERR05 or NG): the window's text."""

    name = ERROR_PREFIX + "DeviceError"


class PortError(Vq3Error):
    """The port could not be opened: the reason."""

    name = ERROR_PREFIX + "PortError"


class Interrupted(Vq3Error):
    """The shutter closed early (StopExposure, the operator, a lost device) or the
    operator acted on the same function; the message says how long the shutter was open."""

    name = ERROR_PREFIX + "Interrupted"


CONTROLLER_ERRORS = (NotConnected, Busy, InvalidArgs, Timeout, DeviceError, PortError,
                     Interrupted)
_BY_NAME = {error.name: error for error in CONTROLLER_ERRORS}
_CONTROLLER_GONE = {"org.freedesktop.DBus.Error." + word
                    for word in ("ServiceUnknown", "NameHasNoOwner", "Disconnected")}


def error_for(name: str, message: str) -> Vq3Error:
    """The exception for an error reply named `name`."""
    if name in _BY_NAME:
        return _BY_NAME[name](message)
    if name in _CONTROLLER_GONE:
        return NoController(NO_CONTROLLER_HINT, name)
    if name == "org.freedesktop.DBus.Error.NoReply":
        return NoReply(message, name)
    return Vq3Error(message, name)
