"""The asyncio flavour: every method returns an awaitable, every property is awaited
(`await controller.intensity`), and events come from an async iterator."""

from __future__ import annotations

import asyncio
from collections import deque
from typing import Any, AsyncIterator

from jeepney.io.asyncio import DBusRouter, open_dbus_connection
from jeepney.io.common import RouterClosed

from .calls import Api, Call, bus_call, get_all
from .errors import NO_BUS, NoController, NoReply, Vq3Error, no_session_bus
from .events import BUS_RULES, LOCAL_RULES, Event, events_from, now_us
from .names import LINK, NAME, UNIT


class AsyncController(Api):
    """Controller for asyncio: `async with AsyncController() as controller:` (or
    `controller = await AsyncController().open()`, then `await controller.close()`). Calls
    may run side by side on one AsyncController; each waits for its own reply."""

    def __init__(self, bus: str = "SESSION"):
        self._bus = bus
        self._conn = None
        self._router = None

    async def open(self) -> AsyncController:
        """Connects; NoController at once when no controller runs."""
        try:
            self._conn = await open_dbus_connection(self._bus)
        except NO_BUS as error:
            raise no_session_bus(error) from None
        self._router = DBusRouter(self._conn)
        try:
            await self._run(bus_call("GetNameOwner", "s", NAME))
        except Vq3Error:
            await self.close()
            raise
        return self

    async def close(self) -> None:
        """Leaves the bus: the controller ends this connection's calls and claim."""
        if self._router is not None:
            await self._router.__aexit__(None, None, None)
            await self._conn.close()
            self._router = None

    async def __aenter__(self) -> AsyncController:
        return await self.open()

    async def __aexit__(self, *exc) -> None:
        await self.close()

    @property
    def unique_name(self) -> str:
        """This connection's name on the bus, as Owner names a holder of the claim."""
        return self._conn.unique_name

    async def _run(self, call: Call) -> Any:
        if self._router is None:
            raise NoController("This AsyncController is not open.")
        try:
            reply = await asyncio.wait_for(self._router.send_and_get_reply(call.message()),
                                           call.timeout)
        except asyncio.TimeoutError:
            raise NoReply(f"The controller did not reply within {call.timeout:g} s.") from None
        except (RouterClosed, OSError, EOFError) as error:
            raise NoController(f"The session bus connection is gone: {error}.") from None
        return call.result(reply)

    def claim(self) -> AsyncClaim:
        """`await controller.claim()` holds the unit for this connection, `async with
        controller.claim():` for the block (see Controller.claim)."""
        return AsyncClaim(self)

    async def all_properties(self) -> dict[str, Any]:
        """Every property of the link and the unit, by bus name."""
        return {**await self._run(get_all(LINK)), **await self._run(get_all(UNIT))}

    def subscribe(self) -> AsyncSubscription:
        """Events from the moment the subscription is awaited or entered: `async with
        controller.subscribe() as events: async for event in events: ...`."""
        return AsyncSubscription(self)


class AsyncClaim:
    """Claims when awaited or entered; the `async with` block releases it."""

    def __init__(self, controller: AsyncController):
        self._controller = controller

    def __await__(self):
        return self._controller._run(Call(UNIT, "Claim")).__await__()

    async def __aenter__(self) -> AsyncController:
        await self
        return self._controller

    async def __aexit__(self, exc_type, *exc) -> None:
        try:
            await self._controller.release()
        except Vq3Error:
            if exc_type is None:
                raise


class _StampedQueue(asyncio.Queue):
    """Keeps each message with the moment it was received."""

    def put_nowait(self, message) -> None:
        super().put_nowait((message, now_us()))


class AsyncSubscription:
    """Property changes, Traffic, ExposureEnded and ProgramEnded of one AsyncController;
    NoController once the controller leaves the bus."""

    def __init__(self, controller: AsyncController):
        self._controller = controller
        self._queue = _StampedQueue()
        self._ready: deque[Event] = deque()
        self._filters = []

    async def start(self) -> AsyncSubscription:
        # Filters first: a signal that comes before AddMatch is answered is kept.
        router = self._controller._router
        self._filters = [router.filter(rule, queue=self._queue) for rule in LOCAL_RULES]
        for rule in BUS_RULES:
            await self._controller._run(bus_call("AddMatch", "s", rule.serialise()))
        return self

    def __await__(self):
        return self.start().__await__()

    async def get(self, timeout: float | None = None) -> Event:
        """The next event; NoReply (a TimeoutError) when none comes within `timeout` s."""
        loop = asyncio.get_running_loop()
        deadline = None if timeout is None else loop.time() + timeout
        while not self._ready:
            left = None if deadline is None else max(deadline - loop.time(), 0)
            try:
                message, received = await asyncio.wait_for(self._queue.get(), left)
            except asyncio.TimeoutError:
                raise NoReply(f"No event came within {timeout:g} s.") from None
            self._ready.extend(events_from(message, received))
        return self._ready.popleft()

    def __aiter__(self) -> AsyncIterator[Event]:
        return self

    async def __anext__(self) -> Event:
        return await self.get()

    async def close(self) -> None:
        for handle in self._filters:
            handle.close()
        self._filters = []
        for rule in BUS_RULES:
            try:
                await self._controller._run(bus_call("RemoveMatch", "s", rule.serialise()))
            except Vq3Error:
                return

    async def __aenter__(self) -> AsyncSubscription:
        return await self.start()

    async def __aexit__(self, *exc) -> None:
        await self.close()
