#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Exposes at five intensities through the running vq3-controller and writes a CSV file.

Claims the unit, turns the lamp on and waits until it is stable; then for each intensity
sets it, opens the shutter for 0.5 s and records when the controller says the opening ended
(ExposureEnded). Each row of the CSV file: intensity requested, intensity reached, seconds the
shutter was open, whether that was the full time, and the end time (UTC, microseconds). An
exposure cut short (the operator, StopExposure) is recorded as incomplete and the series goes
on.

    python3 exposure_series.py [--intensities 20,40,60,80,100] [--seconds 0.5] [--output FILE]
"""

import argparse
import csv
import datetime
import os
import sys
import tempfile

from vq3controller import Controller, ExposureEnded, Interrupted, NoController, Vq3Error

COLUMNS = ("intensity_requested", "intensity_reached", "seconds_open", "complete", "end_time")


def utc(microseconds):
    """The controller's time stamp as 2024-05-01T12:00:00.123456Z."""
    moment = datetime.datetime.fromtimestamp(microseconds / 1e6, datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%S.%fZ")


def exposure_end(events):
    """The next ExposureEnded of the subscription (the Traffic and property changes before it
    are of no interest here)."""
    while True:
        event = events.get(timeout=10)
        if isinstance(event, ExposureEnded):
            return event


def series(controller, intensities, seconds):
    rows = []
    controller.set_lamp(True)
    controller.wait_lamp_stable(600)
    with controller.subscribe() as events:
        for percent in intensities:
            reached = controller.set_intensity(percent)
            try:
                controller.expose(seconds)
            except Interrupted as error:
                print(f"{percent} %: {error}", file=sys.stderr)
            end = exposure_end(events)
            rows.append((percent, reached, end.seconds_open, end.complete, utc(end.time)))
            print(f"{percent} %: reached {reached} %, open {end.seconds_open} s")
    return rows


def write_atomically(path, rows):
    """Replaces `path` only once the whole file is written."""
    folder = os.path.dirname(os.path.abspath(path))
    with tempfile.NamedTemporaryFile("w", newline="", dir=folder, delete=False) as f:
        try:
            writer = csv.writer(f)
            writer.writerow(COLUMNS)
            writer.writerows(rows)
            f.flush()
            os.fsync(f.fileno())
        except BaseException:
            os.unlink(f.name)
            raise
    os.replace(f.name, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--intensities", default="20,40,60,80,100",
                        help="percentages, comma-separated (default 20,40,60,80,100)")
    parser.add_argument("--seconds", type=float, default=0.5, help="each exposure (default 0.5)")
    parser.add_argument("--output", default="exposure_series.csv", help="the CSV file")
    args = parser.parse_args()
    try:
        intensities = [int(p) for p in args.intensities.split(",")]
    except ValueError:
        parser.error(f"--intensities needs whole percentages, not {args.intensities!r}")

    try:
        with Controller() as controller, controller.claim():
            rows = series(controller, intensities, args.seconds)
    except NoController as error:
        print(f"exposure_series.py: {error}", file=sys.stderr)
        return 8
    except Vq3Error as error:
        print(f"exposure_series.py: {type(error).__name__}: {error}", file=sys.stderr)
        return 1
    write_atomically(args.output, rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
