#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Takes one exposure through the running vq3-controller (session bus, python3-dbus).

Claims the unit (other scripts get Busy meanwhile; the operator's buttons still work), turns
the lamp on, waits until it is stable, sets the intensity to 50 %, opens the shutter for
2.5 s and prints the lamp hours for the maintenance log. The controller's windows show every
step as if the operator had pressed the buttons. The claim ends with the script.

    python3 expose.py [--intensity P] [--seconds S]
"""

import argparse
import sys

import dbus

NAME = "org.vq3_controller.VQ3Controller1"
PATH = "/org/vq3_controller/VQ3Controller1"
UNIT = NAME + ".Unit"
ERROR = NAME + ".Error."


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--intensity", type=int, default=50, help="percent (default 50)")
    parser.add_argument("--seconds", type=float, default=2.5, help="exposure (default 2.5)")
    args = parser.parse_args()

    try:
        bus = dbus.SessionBus()
    except dbus.exceptions.DBusException as error:
        sys.exit(f"expose.py: no session bus ({error.get_dbus_message()})")
    try:
        controller = bus.get_object(NAME, PATH, introspect=False)
        unit = dbus.Interface(controller, UNIT)
        unit.Claim()
        unit.SetLamp(True, timeout=20)
        unit.WaitLampStable(600.0, timeout=610)
        reached = unit.SetIntensity(args.intensity, timeout=70)
        print(f"intensity {reached} %")
        try:
            unit.Expose(args.seconds, timeout=args.seconds + 15)
            print(f"exposed {args.seconds} s")
        except dbus.exceptions.DBusException as error:
            if error.get_dbus_name() != ERROR + "Interrupted":
                raise
            # Closed early: the message says how long the shutter was open.
            print(f"exposure cut short: {error.get_dbus_message()}")
        print(f"lamp hours {unit.ReadLampHours()}")
        unit.Release()
    except dbus.exceptions.DBusException as error:
        name = error.get_dbus_name() or ""
        if name in ("org.freedesktop.DBus.Error.ServiceUnknown",
                    "org.freedesktop.DBus.Error.NameHasNoOwner"):
            print("expose.py: vq3-controller is not running: start it (vq3-controller &) "
                  "and try again", file=sys.stderr)
            return 8
        # The controller's errors carry a sentence for the operator.
        kind = name[len(ERROR):] if name.startswith(ERROR) else name
        print(f"expose.py: {kind}: {error.get_dbus_message()}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
