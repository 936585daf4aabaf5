"""The blocking flavour: each call waits for its reply on a jeepney blocking connection."""

from __future__ import annotations

import contextlib
import time
from collections import deque
from typing import Any, Iterator

from jeepney.io.blocking import open_dbus_connection

from .calls import Api, Call, bus_call, get_all
from .errors import NO_BUS, NoController, NoReply, Vq3Error, no_session_bus
from .events import BUS_RULES, LOCAL_RULES, Event, events_from, now_us
from .names import LINK, NAME, UNIT


@contextlib.contextmanager
def translated_errors(timeout: float | None, waiting_for: str = "The controller did not reply"):
    """The connection's own failures as the module's exceptions."""
    try:
        yield
    except TimeoutError:
        raise NoReply(f"{waiting_for} within {timeout:g} s.") from None
    except (OSError, EOFError) as error:
        raise NoController(f"The session bus connection is gone: {error}.") from None


class Controller(Api):
    """A connection to the running vq3-controller on the session bus; NoController at once
    when none runs. Methods block until the controller replies. Use one Controller per
    thread (jeepney's blocking connections are not shared between threads); close() or a
    `with` block ends it, and with it any claim it holds."""

    def __init__(self, bus: str = "SESSION"):
        try:
            self._conn = open_dbus_connection(bus)
        except NO_BUS as error:
            raise no_session_bus(error) from None
        try:
            self._run(bus_call("GetNameOwner", "s", NAME))
        except Vq3Error:
            self._conn.close()
            raise

    def _run(self, call: Call) -> Any:
        with translated_errors(call.timeout):
            reply = self._conn.send_and_get_reply(call.message(), timeout=call.timeout)
        return call.result(reply)

    def close(self) -> None:
        """Leaves the bus: the controller ends this connection's calls and claim."""
        self._conn.close()

    def __enter__(self) -> Controller:
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    @property
    def unique_name(self) -> str:
        """This connection's name on the bus, as Owner names a holder of the claim."""
        return self._conn.unique_name

    def claim(self) -> Claim:
        """Holds the unit for this connection: other callers' methods that send to the unit
        get Busy until release(), the end of a `with controller.claim():` block, or close().
        Busy when another caller holds it."""
        self._run(Call(UNIT, "Claim"))
        return Claim(self)

    def all_properties(self) -> dict[str, Any]:
        """Every property of the link and the unit, by bus name (GetAll of each)."""
        return {**self._run(get_all(LINK)), **self._run(get_all(UNIT))}

    def subscribe(self) -> Subscription:
        """Events from now on, in the order they came: iterate over the Subscription (or
        call its get()). Signals that arrive during other calls of this Controller are
        kept for it."""
        return Subscription(self)


class Claim:
    """The claim held by claim(); its `with` block releases it."""

    def __init__(self, controller: Controller):
        self._controller = controller

    def __enter__(self) -> Controller:
        return self._controller

    def __exit__(self, exc_type, *exc) -> None:
        if exc_type is None:
            self._controller.release()
            return
        # The block's own exception tells more than a release that fails after it.
        with contextlib.suppress(Vq3Error):
            self._controller.release()


class _StampedDeque(deque):
    """Keeps each message with the moment it was received."""

    def append(self, message) -> None:
        super().append((message, now_us()))


class Subscription:
    """Property changes, Traffic, ExposureEnded and ProgramEnded of one Controller, from the
    moment subscribe() returned; NoController once the controller leaves the bus."""

    def __init__(self, controller: Controller):
        self._controller = controller
        self._queue = _StampedDeque()
        self._ready: deque[Event] = deque()
        # Filters first: a signal that comes before AddMatch is answered is kept.
        conn = controller._conn
        self._filters = [conn.filter(rule, queue=self._queue) for rule in LOCAL_RULES]
        for rule in BUS_RULES:
            controller._run(bus_call("AddMatch", "s", rule.serialise()))

    def get(self, timeout: float | None = None) -> Event:
        """The next event; NoReply (a TimeoutError) when none comes within `timeout` s."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while not self._ready:
            left = None if deadline is None else max(deadline - time.monotonic(), 0)
            with translated_errors(timeout, "No event came"):
                message, received = self._controller._conn.recv_until_filtered(
                    self._queue, timeout=left)
            self._ready.extend(events_from(message, received))
        return self._ready.popleft()

    def __iter__(self) -> Iterator[Event]:
        return self

    def __next__(self) -> Event:
        return self.get()

    def close(self) -> None:
        """Stops the events (the bus stops sending them once the connection asks)."""
        for handle in self._filters:
            handle.close()
        with contextlib.suppress(Vq3Error):
            for rule in BUS_RULES:
                self._controller._run(bus_call("RemoveMatch", "s", rule.serialise()))

    def __enter__(self) -> Subscription:
        return self

    def __exit__(self, *exc) -> None:
        self.close()
