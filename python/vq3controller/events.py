"""What the controller announces: property changes, traffic lines and the ends of exposures and
programs, each with its time in microseconds since the Unix epoch (the controller's for
Traffic, ExposureEnded and ProgramEnded; the moment the module received it for a property
change, which the bus does not time)."""

from __future__ import annotations

import time
from dataclasses import dataclass
from typing import Any, Union

from jeepney import HeaderFields, MatchRule

from .errors import NoController
from .names import NAME, PATH, PROPERTIES_INTERFACE


@dataclass(frozen=True)
class PropertyChanged:
    """A property changed; `name` is its bus name ("LampOn")."""

    name: str
    value: Any
    time: int


@dataclass(frozen=True)
class Traffic:
    """A line through reply dispatch; echoes of sent commands start with ">"."""

    line: str
    time: int


@dataclass(frozen=True)
class ExposureEnded:
    """A timed opening started by a script has ended."""

    seconds_open: float
    complete: bool
    time: int


@dataclass(frozen=True)
class ProgramEnded:
    """A program started by a script has ended (run out, stopped or no longer followed)."""

    n: int
    time: int


Event = Union[PropertyChanged, Traffic, ExposureEnded, ProgramEnded]


def now_us() -> int:
    return time.time_ns() // 1000


def _owner_rule(**sender) -> MatchRule:
    rule = MatchRule(type="signal", interface="org.freedesktop.DBus",
                     member="NameOwnerChanged", **sender)
    rule.add_arg_condition(0, NAME)
    return rule


# What the bus is asked to send (by well-known sender), and what a connection keeps of what
# it receives (messages name their sender by its unique name, so not by sender here).
BUS_RULES = (MatchRule(type="signal", sender=NAME, path=PATH),
             _owner_rule(sender="org.freedesktop.DBus"))
LOCAL_RULES = (MatchRule(type="signal", path=PATH), _owner_rule())


def events_from(message, received: int) -> list[Event]:
    """The events in one signal received at `received`; NoController once the controller
    has left the bus."""
    header, body = message.header.fields, message.body
    member = header.get(HeaderFields.member)
    if member == "PropertiesChanged" and header.get(HeaderFields.interface) == \
            PROPERTIES_INTERFACE:
        return [PropertyChanged(name, value, received) for name, (_, value) in body[1].items()]
    if member == "Traffic":
        return [Traffic(line, time) for line, time in body[0]]
    if member == "ExposureEnded":
        return [ExposureEnded(*body)]
    if member == "ProgramEnded":
        return [ProgramEnded(*body)]
    if member == "NameOwnerChanged" and not body[2]:
        raise NoController("vq3-controller has left the bus.")
    return []
