"""Every method and property of the controller's two interfaces, described once as a Call
(what to send, how long to wait, what the reply means). A flavour (blocking or asyncio) runs
the calls: its _run returns the result, or an awaitable of it."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Callable

from jeepney import DBusAddress, HeaderFields, Message, MessageType, new_method_call

from .errors import error_for
from .names import LINK, NAME, PATH, PROPERTIES, PROPERTIES_INTERFACE, UNIT, snake_case
from .records import Program, Settings
from .values import flag, real, text, unsigned, whole

# QtDBus's own default wait, for calls whose time the unit's answer decides.
DEFAULT_TIMEOUT = 25.0
# Beyond a call's own limit: the controller's time-out reply comes first.
GRACE = 10.0


def _nothing(body: tuple) -> None:
    return None


def _first(body: tuple) -> Any:
    return body[0]


@dataclass(frozen=True)
class Call:
    """One method call: its message and the longest wait for its reply."""

    interface: str
    member: str
    signature: str | None = None
    args: tuple = ()
    timeout: float = DEFAULT_TIMEOUT
    unpack: Callable[[tuple], Any] = _nothing
    destination: str = NAME
    path: str = PATH

    def message(self) -> Message:
        address = DBusAddress(self.path, self.destination, self.interface)
        return new_method_call(address, self.member, self.signature, self.args)

    def result(self, reply: Message) -> Any:
        """The reply's value, or its error raised as the module's exception."""
        if reply.header.message_type == MessageType.error:
            body = reply.body
            message = body[0] if body and isinstance(body[0], str) else ""
            raise error_for(reply.header.fields.get(HeaderFields.error_name, ""), message)
        return self.unpack(reply.body)


def bus_call(member: str, signature: str, *args: Any, unpack=_nothing) -> Call:
    """A call to the message bus itself."""
    return Call("org.freedesktop.DBus", member, signature, args, DEFAULT_TIMEOUT, unpack,
                "org.freedesktop.DBus", "/org/freedesktop/DBus")


def get_all(interface: str) -> Call:
    """All properties of one interface, by bus name."""
    return Call(PROPERTIES_INTERFACE, "GetAll", "s", (interface,),
                unpack=lambda body: {name: value for name, (_, value) in body[0].items()})


def _property(interface: str, name: str, kind: type, doc: str) -> property:
    def get(self):
        return self._run(Call(PROPERTIES_INTERFACE, "Get", "ss", (interface, name),
                              unpack=lambda body: body[0][1]))
    get.__annotations__ = {"return": kind}
    return property(get, doc=f"{doc} (read-only; the bus property {name})")


def _unit(member: str, signature: str | None = None, *args: Any, **options: Any) -> Call:
    return Call(UNIT, member, signature, args, **options)


def _link(member: str, signature: str | None = None, *args: Any) -> Call:
    return Call(LINK, member, signature, args)


class Api:
    """The controller's methods and properties. In Controller each returns its result; in
    AsyncController each returns an awaitable of the same result."""

    def _run(self, call: Call) -> Any:
        raise NotImplementedError

    # The link.

    def connect(self, port: str) -> None:
        """Opens `port` ("COM1" to "COM9") as the COM port dialog does; PortError gives the
        reason it could not."""
        return self._run(_link("Connect", "s", text(port, "port")))

    def disconnect(self) -> None:
        """Closes the port ("Disconnect Port"); it stays closed."""
        return self._run(_link("Disconnect"))

    def send(self, line: str) -> None:
        """Sends one command line as the Terminal does. Done when the unit has taken it: a query
        when its answer came (Timeout after 2 s), another line when no refusal came
        (DeviceError when one did)."""
        return self._run(_link("Send", "s", text(line, "line")))

    # Reads: each sends its query and returns the unit's answer to it (Timeout after 2 s).

    def read_status(self) -> int:
        """The status word (INP)."""
        return self._run(_unit("ReadStatus", unpack=_first))

    def read_intensity(self) -> int:
        """The intensity in percent (INTQ)."""
        return self._run(_unit("ReadIntensity", unpack=_first))

    def read_lamp_hours(self) -> int:
        """The lamp hours (LIF)."""
        return self._run(_unit("ReadLampHours", unpack=_first))

    def read_auto_time(self) -> float:
        """The set exposure time in seconds (ATQ)."""
        return self._run(_unit("ReadAutoTime", unpack=_first))

    def read_rest_time(self) -> float:
        """What is left of the exposure in seconds (ATT)."""
        return self._run(_unit("ReadRestTime", unpack=_first))

    def read_step(self) -> int:
        """The step a running memory step program is at (STPQ)."""
        return self._run(_unit("ReadStep", unpack=_first))

    # The lamp and the shutter.

    def set_lamp(self, on: bool) -> None:
        """Turns the lamp on or off; done when the status shows it (Timeout after 10 s). Sends
        nothing when the status already shows it."""
        return self._run(_unit("SetLamp", "b", flag(on, "on"), timeout=10 + GRACE))

    def wait_lamp_stable(self, seconds: float) -> None:
        """Returns once "Lamp Stable" is lit (Timeout after `seconds`, more than 0 and at
        most 86400)."""
        seconds = real(seconds, "seconds")
        return self._run(_unit("WaitLampStable", "d", seconds, timeout=max(seconds, 0) + GRACE))

    def set_shutter(self, open: bool) -> None:
        """Opens or closes the shutter; done when the status shows it (Timeout after 5 s)."""
        return self._run(_unit("SetShutter", "b", flag(open, "open")))

    def expose(self, seconds: float) -> None:
        """Opens the shutter for `seconds` (0.0 to 999.9) and returns once it has closed.
        Interrupted when it closed early, saying how long it was open."""
        seconds = real(seconds, "seconds")
        return self._run(_unit("Expose", "d", seconds, timeout=max(seconds, 0) + 5 + GRACE))

    def start_exposure(self, seconds: float) -> None:
        """As expose(), but returns once the unit has taken the start; ExposureEnded tells
        when the opening has ended."""
        return self._run(_unit("StartExposure", "d", real(seconds, "seconds")))

    def stop_exposure(self) -> None:
        """Closes the shutter (S0); a running exposure ends early. Always taken."""
        return self._run(_unit("StopExposure"))

    # The intensity.

    def step_intensity(self, direction: int, ms: int) -> int:
        """Raises (+1) or lowers (-1) the intensity for `ms` (1 to 10000) milliseconds and
        returns the intensity then reported."""
        ms = unsigned(ms, "ms")
        return self._run(_unit("StepIntensity", "iu", whole(direction, "direction"), ms,
                               timeout=DEFAULT_TIMEOUT + ms / 1000, unpack=_first))

    def set_intensity(self, percent: int) -> int:
        """Raises or lowers the intensity until it is `percent` (0 to 100) and returns the
        intensity reached (Timeout after 60 s)."""
        return self._run(_unit("SetIntensity", "i", whole(percent, "percent"),
                               timeout=60 + GRACE, unpack=_first))

    # Memory step programs 1 to 9.

    def start_program(self, n: int) -> None:
        """Starts program `n`; ProgramEnded tells when it has ended."""
        return self._run(_unit("StartProgram", "u", unsigned(n, "n")))

    def stop_program(self) -> None:
        """Stops the running program."""
        return self._run(_unit("StopProgram"))

    def read_program(self, n: int) -> Program:
        """Program `n` as the unit holds it."""
        return self._run(_unit("ReadProgram", "u", unsigned(n, "n"), unpack=Program.from_bus))

    def write_program(self, n: int, program: Program) -> None:
        """Checks `program` as the editor does, sends it as program `n`, reads it back and
        compares (DeviceError when it differs)."""
        return self._run(_unit("WriteProgram", "uuua(dd)", unsigned(n, "n"), *program.to_bus()))

    # The unit settings, exchanged as File Save and File Open do (Busy meanwhile).

    def read_settings(self) -> Settings:
        """The seven unit settings."""
        return self._run(_unit("ReadSettings", unpack=lambda body: Settings.from_bus(body[0])))

    def write_settings(self, settings: Settings) -> None:
        """Sends the seven unit settings (each within its setting dialog's range)."""
        return self._run(_unit("WriteSettings", "a{sv}", settings.to_bus()))

    # The claim: claim() itself is the flavour's, as it makes a context manager.

    def release(self) -> None:
        """Gives the claim up; done when this connection holds none (Busy when another caller
        holds it)."""
        return self._run(_unit("Release"))


for _interface, _name, _kind, _doc in PROPERTIES:
    setattr(Api, snake_case(_name), _property(_interface, _name, _kind, _doc))
