#!/usr/bin/python3
"""What the Python module vq3controller adds to a call: 200 read_intensity() calls through the
module beside 200 of the same ReadIntensity made with jeepney directly (a blocking connection
each, the calls taken in turns), the wire and the simulated unit included; then the same for
a property read (Intensity), which no unit answers, to show the module's own share alone.
Runs in a session bus of its own (dbus-run-session), with the controller and simulator of
VQ3_BIN (default build/bin); needs no automation socket:

    VQ3_BIN=build/bin /usr/bin/python3 bench/module_latency.py [calls, default 200]
"""

import json
import os
import sys
import time

if os.environ.get("VQ3_BENCH_BUS") != "own":
    os.environ["VQ3_BENCH_BUS"] = "own"
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "python"), os.path.join(HERE, "..", "tests", "python")]

from jeepney import DBusAddress, new_method_call  # noqa: E402
from jeepney.io.blocking import open_dbus_connection  # noqa: E402

from rig import Rig  # noqa: E402
from vq3controller import Controller  # noqa: E402
from vq3controller.names import NAME, PATH, PROPERTIES_INTERFACE, UNIT  # noqa: E402

GOAL_MS = 1.0  # the most the module may add at p50


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def timed_ms(call):
    # As a script that does something between calls: back to back, the echo of a read waits
    # for the tick after the one that handled the previous answer, which doubles the time.
    time.sleep(0.05)
    began = time.perf_counter()
    call()
    return (time.perf_counter() - began) * 1000


def figures(times):
    return {"p50": round(percentile(times, 0.5), 3), "p95": round(percentile(times, 0.95), 3)}


def compare(module_call, raw_call, calls):
    """Both calls in turns, so that a slow spell of the machine hits both alike."""
    module, raw = [], []
    for _ in range(calls):
        module.append(timed_ms(module_call))
        raw.append(timed_ms(raw_call))
    return {"module_ms": figures(module), "raw_jeepney_ms": figures(raw),
            "added_p50_ms": round(percentile(module, 0.5) - percentile(raw, 0.5), 3)}


def raw_calls():
    """ReadIntensity and Get(Intensity) by hand, as a script without the module makes them."""
    conn = open_dbus_connection()
    unit = DBusAddress(PATH, NAME, UNIT)
    properties = DBusAddress(PATH, NAME, PROPERTIES_INTERFACE)

    def read_intensity():
        return conn.send_and_get_reply(new_method_call(unit, "ReadIntensity"),
                                       timeout=25).body[0]

    def get_intensity():
        return conn.send_and_get_reply(new_method_call(properties, "Get", "ss",
                                                       (UNIT, "Intensity")), timeout=25).body[0][1]
    return read_intensity, get_intensity


def main():
    calls = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    rig = Rig()
    try:
        controller = Controller()
        raw_read, raw_get = raw_calls()
        controller.read_intensity()  # warmed up: the first reply after start-up is slower
        result = {
            "calls": calls,
            "read_intensity": compare(controller.read_intensity, raw_read, calls),
            "intensity_property": compare(lambda: controller.intensity, raw_get, calls),
        }
    finally:
        rig.close()
    print(json.dumps(result, indent=2))
    added = result["read_intensity"]["added_p50_ms"]
    print("targets met" if added <= GOAL_MS else
          f"TARGETS MISSED: the module adds {added} ms at p50 (at most {GOAL_MS} ms)")
    return 0 if added <= GOAL_MS else 1


if __name__ == "__main__":
    sys.exit(main())
