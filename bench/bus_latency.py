#!/usr/bin/python3
"""What a script pays for the bus: 100 ReadIntensity calls from Python (python3-dbus), the
wire and the unit included, and the wall time of `vq3ctl status` beside `busctl --user
get-property` of the same property. Also the controller's idle wake-ups with the bus
registered and no script calling. Needs a session bus; without one it starts its own:

    VQ3_BIN=build/bin bench/bus_latency.py
"""

import json
import os
import statistics
import subprocess
import sys
import time

if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])

import dbus  # noqa: E402

from common import Process, Rig, bin_dir  # noqa: E402

NAME = "org.vq3_controller.VQ3Controller1"
PATH = "/org/vq3_controller/VQ3Controller1"


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def wall_ms(command, runs=20):
    times = []
    for _ in range(runs):
        began = time.monotonic()
        subprocess.run(command, check=True, capture_output=True)
        times.append((time.monotonic() - began) * 1000)
    return round(statistics.median(times), 2)


rig = Rig()
try:
    time.sleep(1.5)
    idle = Process(rig.controller.pid).measure(10)
    unit = dbus.Interface(dbus.SessionBus().get_object(NAME, PATH, introspect=False),
                          NAME + ".Unit")
    reads = []
    for _ in range(100):
        time.sleep(0.05)
        began = time.monotonic()
        unit.ReadIntensity()
        reads.append((time.monotonic() - began) * 1000)
    vq3ctl = wall_ms([os.path.join(bin_dir(), "vq3ctl"), "status"])
    busctl = wall_ms(["busctl", "--user", "get-property", NAME, PATH, NAME + ".Unit", "Status"])
    result = {
        "read_intensity_ms": {"p50": round(percentile(reads, 0.5), 2),
                              "p95": round(percentile(reads, 0.95), 2),
                              "max": round(max(reads), 2)},
        "vq3ctl_status_ms": vq3ctl,
        "busctl_get_property_ms": busctl,
        "idle_with_bus": idle,
    }
    print(json.dumps(result, indent=2))
    # A read: the wire plus at most one 20 ms tick; vq3ctl status at most twice busctl.
    ok = result["read_intensity_ms"]["p95"] <= 35 and vq3ctl <= 2 * busctl
    print("targets met" if ok else "TARGETS MISSED")
finally:
    rig.close()
