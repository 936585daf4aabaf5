"""python3 -m vq3controller status: the link's and the unit's properties as the controller
last reported them, one "Name: value" line each, exactly as `vq3ctl status` prints them.
Exit status 0 done, 1 failed, 2 bad usage, 3 no reply, 8 no controller (as vq3ctl)."""

import sys

from .blocking import Controller
from .errors import NoController, NoReply, Vq3Error
from .names import PROPERTIES

USAGE = "Usage: python3 -m vq3controller status"


def plain(value) -> str:
    """A value as vq3ctl prints it: true/false, doubles in %g (Qt's shortest form)."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, float):
        return "%g" % value
    return str(value)


def status_lines(properties: dict) -> str:
    """In the XML's order, then any other property by name (as vq3ctl does)."""
    order = [name for _, name, _, _ in PROPERTIES if name in properties]
    order += sorted(set(properties) - set(order))
    return "".join(f"{name}: {plain(properties[name])}\n" for name in order)


def main(argv: list) -> int:
    if argv != ["status"]:
        print(USAGE, file=sys.stderr)
        return 2
    try:
        with Controller() as controller:
            sys.stdout.write(status_lines(controller.all_properties()))
    except Vq3Error as error:
        print(f"vq3controller: {error}", file=sys.stderr)
        return 8 if isinstance(error, NoController) else 3 if isinstance(error, NoReply) else 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
