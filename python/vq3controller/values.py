"""Checks of the values a script passes, so that a wrong type is a named error (InvalidArgs)
before it reaches the bus; ranges are the controller's to check, with its own messages."""

import math
import numbers

from .errors import InvalidArgs

INT32 = (-2**31, 2**31 - 1)
UINT32 = (0, 2**32 - 1)


def whole(value, what: str, bounds=INT32) -> int:
    """An integer that fits the bus type with `bounds`."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise InvalidArgs(f"{what} must be a whole number, not {value!r}.")
    if not bounds[0] <= value <= bounds[1]:
        raise InvalidArgs(f"{what} must be {bounds[0]} to {bounds[1]}, not {value}.")
    return int(value)


def unsigned(value, what: str) -> int:
    return whole(value, what, UINT32)


def real(value, what: str) -> float:
    if isinstance(value, bool) or not isinstance(value, numbers.Real) or \
            not math.isfinite(value):
        raise InvalidArgs(f"{what} must be a number of seconds, not {value!r}.")
    return float(value)


def text(value, what: str) -> str:
    if not isinstance(value, str):
        raise InvalidArgs(f"{what} must be a string, not {value!r}.")
    return value


def flag(value, what: str) -> bool:
    if not isinstance(value, (bool, numbers.Integral)):
        raise InvalidArgs(f"{what} must be True or False, not {value!r}.")
    return bool(value)
