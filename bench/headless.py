#!/usr/bin/python3
"""The controller without windows (--headless) beside the windowed one (offscreen): the time
from start until it owns its bus name, its CPU share and wake-ups while connected to the
simulator and left alone, and its peak memory. Needs no automation socket, so a release build
will do; needs a session bus, and starts its own without one:

    VQ3_BIN=build/bin bench/headless.py [idle seconds, default 20]
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])

import dbus  # noqa: E402

from common import Process, bin_dir  # noqa: E402

NAME = "org.vq3_controller.VQ3Controller1"
idle_seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 20.0


def run(headless):
    folder = tempfile.mkdtemp(prefix="vq3-headless-bench-")
    os.mkdir(os.path.join(folder, "run"), 0o700)
    program = os.path.join(folder, "vq3-controller")
    shutil.copy2(os.path.join(bin_dir(), "vq3-controller"), program)
    with open(os.path.join(folder, "VQ3_CNT.ini"), "w", newline="") as f:
        f.write("[INIT]\r\nPORT=1\r\n")
    sim = subprocess.Popen([os.path.join(bin_dir(), "vq3-simulator"), "--link",
                            os.path.join(folder, "COM1"), "--quiet"], stdout=subprocess.PIPE)
    sim.stdout.readline()
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env["XDG_RUNTIME_DIR"] = os.path.join(folder, "run")
    if not headless:
        env["QT_QPA_PLATFORM"] = "offscreen"
    bus = dbus.SessionBus()
    began = time.monotonic()
    controller = subprocess.Popen([program] + (["--headless"] if headless else []), env=env)
    try:
        while not bus.name_has_owner(NAME):
            time.sleep(0.002)
        owned_ms = (time.monotonic() - began) * 1000
        time.sleep(2)  # the status query of the connection answered
        figures = Process(controller.pid).measure(idle_seconds)
        figures["bus_name_owned_after_ms"] = round(owned_ms, 1)
        return figures
    finally:
        controller.terminate()
        controller.wait(10)
        sim.terminate()
        sim.wait(5)
        shutil.rmtree(folder, ignore_errors=True)


result = {"headless": run(True), "windowed_offscreen": run(False)}
print(json.dumps(result, indent=2))
headless = result["headless"]
ok = headless["wakeups_per_s"] < 0.5 and headless["peak_rss_mb"] < result[
    "windowed_offscreen"]["peak_rss_mb"]
print("targets met" if ok else "TARGETS MISSED")
