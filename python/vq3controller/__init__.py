"""Scripts for the running vq3-controller over the session bus.

    from vq3controller import Controller, Interrupted

    with Controller() as controller, controller.claim():
        controller.set_lamp(True)
        controller.wait_lamp_stable(600)
        controller.set_intensity(50)
        controller.expose(2.5)

Controller blocks; AsyncController is the same for asyncio (awaitable methods and
properties). Every failure is a Vq3Error: NoController when no controller runs, NoReply when
it does not reply in time, and one class per error of the controller (NotConnected, Busy,
InvalidArgs, Timeout, DeviceError, PortError, Interrupted) whose str() is its sentence.
subscribe() gives property changes, Traffic, ExposureEnded and ProgramEnded with their times
(microseconds since the Unix epoch). `python3 -m vq3controller status` prints what
`vq3ctl status` prints. Needs python3-jeepney.
"""

from .aio import AsyncClaim, AsyncController, AsyncSubscription
from .blocking import Claim, Controller, Subscription
from .errors import (Busy, DeviceError, InvalidArgs, Interrupted, NoController, NoReply,
                     NotConnected, PortError, Timeout, Vq3Error)
from .events import Event, ExposureEnded, ProgramEnded, PropertyChanged, Traffic
from .records import Program, Settings

__all__ = [
    "AsyncClaim", "AsyncController", "AsyncSubscription", "Busy", "Claim", "Controller",
    "DeviceError", "Event", "ExposureEnded", "InvalidArgs", "Interrupted", "NoController",
    "NoReply", "NotConnected", "PortError", "Program", "ProgramEnded", "PropertyChanged",
    "Settings", "Subscription", "Timeout", "Traffic", "Vq3Error",
]
