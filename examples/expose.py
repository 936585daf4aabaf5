#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Takes one exposure through the running vq3-controller (session bus, module vq3controller).

Claims the unit (other scripts get Busy meanwhile; the operator's buttons still work), turns
the lamp on, waits until it is stable, sets the intensity to 50 %, opens the shutter for
2.5 s and prints the lamp hours for the maintenance log. The controller's windows show every
step as if the operator had pressed the buttons. The claim ends with the script.

    python3 expose.py [--intensity P] [--seconds S]
"""

import argparse
import sys

from vq3controller import Controller, Interrupted, NoController, Vq3Error


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--intensity", type=int, default=50, help="percent (default 50)")
    parser.add_argument("--seconds", type=float, default=2.5, help="exposure (default 2.5)")
    args = parser.parse_args()

    try:
        with Controller() as controller, controller.claim():
            controller.set_lamp(True)
            controller.wait_lamp_stable(600)
            print(f"intensity {controller.set_intensity(args.intensity)} %")
            try:
                controller.expose(args.seconds)
                print(f"exposed {args.seconds} s")
            except Interrupted as error:
                # Closed early: the message says how long the shutter was open.
                print(f"exposure cut short: {error}")
            print(f"lamp hours {controller.read_lamp_hours()}")
    except NoController as error:
        print(f"expose.py: {error}", file=sys.stderr)
        return 8
    except Vq3Error as error:
        # The controller's errors carry a sentence for the operator.
        print(f"expose.py: {type(error).__name__}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
