"""Memory step programs and the unit settings as the bus exchanges them."""

from __future__ import annotations

from dataclasses import dataclass, field, fields

from .errors import InvalidArgs, Vq3Error
from .names import camel_case
from .values import flag, real, text, unsigned, whole


@dataclass
class Program:
    """A memory step program: shutter mode, intensity mode (1 percent, 2 watts) and seven
    steps of (intensity, shutter time in seconds)."""

    shutter_mode: int
    intensity_mode: int
    steps: list[tuple[float, float]] = field(default_factory=list)

    def to_bus(self) -> tuple:
        """The arguments after n of Unit.WriteProgram: (u, u, a(dd))."""
        try:
            steps = [(real(i, "a step's intensity"), real(s, "a step's time"))
                     for i, s in self.steps]
        except (TypeError, ValueError):
            raise InvalidArgs("Each step is a pair (intensity, seconds).") from None
        return (unsigned(self.shutter_mode, "shutter_mode"),
                unsigned(self.intensity_mode, "intensity_mode"), steps)

    @classmethod
    def from_bus(cls, body: tuple) -> Program:
        shutter_mode, intensity_mode, steps = body
        return cls(shutter_mode, intensity_mode, [tuple(step) for step in steps])


# How each field type travels: its D-Bus signature and the check of a script's value.
_WIRE = {"int": ("i", whole), "bool": ("b", flag), "str": ("s", text)}


@dataclass
class Settings:
    """The seven unit settings; each field is the bus key in snake case (program_mode is
    ProgramMode). Hours, milliseconds and "LOW"/"HIGH" as the setting dialogs show them."""

    program_mode: int  # 1 or 7
    lamp_alarm_time: int  # hours
    forced_lamp_off_time: int  # hours
    instantaneous_recovery: bool
    shutter_response: str  # "LOW" or "HIGH"
    shutter_open_pulse_time: int  # ms
    shutter_close_pulse_time: int  # ms

    def to_bus(self) -> dict:
        """The a{sv} of Unit.WriteSettings."""
        values = {}
        for f in fields(self):
            signature, check = _WIRE[f.type]
            values[camel_case(f.name)] = (signature, check(getattr(self, f.name), f.name))
        return values

    @classmethod
    def from_bus(cls, values: dict) -> Settings:
        """From the a{sv} of Unit.ReadSettings (variants as (signature, value))."""
        missing = [camel_case(f.name) for f in fields(cls) if camel_case(f.name) not in values]
        if missing:
            raise Vq3Error(f"The controller sent no {', '.join(missing)}.")
        return cls(**{f.name: values[camel_case(f.name)][1] for f in fields(cls)})
