"""What the end-to-end tests of the bus interface share: vq3ctl runs, checks that are counted,
the controller's bus name awaited, the Terminal's text. Each test runs in a session bus of
its own (dbus-run-session) with the real controller and simulator (bench/common.py's Rig)."""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "bench"))
from common import Rig, bin_dir  # noqa: E402,F401

VQ3CTL = os.path.join(bin_dir(), "vq3ctl")
NAME = "org.vq3_controller.VQ3Controller1"
PATH = "/org/vq3_controller/VQ3Controller1"
PROFILE = "[INIT]\r\nPORT=1\r\nOPENPARAM=KORVANTIS\r\n"
VIEW = "CTerminalDlg/idc_1000"
failures = []


def ctl(*args, timeout=30):
    run = subprocess.run([VQ3CTL, *args], capture_output=True, text=True, timeout=timeout)
    return run.returncode, run.stdout + run.stderr


def check(what, condition, detail=""):
    print(("ok   " if condition else "FAIL ") + what + ("" if condition else f": {detail}"))
    if not condition:
        failures.append(what)
    return condition


def expect(args, status, pattern="", within=None):
    """vq3ctl with args ends with status and prints pattern (within `within` seconds)."""
    start = time.monotonic()
    code, out = ctl(*args)
    took = time.monotonic() - start
    check(f"vq3ctl {' '.join(args)} -> {status}" + (f" within {within} s" if within else ""),
          code == status and re.search(pattern, out) is not None and
          (within is None or took <= within), f"{code} {took:.2f} s {out!r}")
    return out


def start_ctl(*args):
    return subprocess.Popen([VQ3CTL, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True)


def traffic(rig):
    return rig.request(cmd="get", path=VIEW, prop="plainText")["value"]


def boxes(rig):
    return rig.request(cmd="boxes")["value"]


def wait_until(condition, seconds=5.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


def controller(sim_options=(), env=None):
    """The controller on COM1 with the simulator, once it owns its bus name."""
    rig = Rig(sim_options=["--warmup", "1500", *sim_options], profile=PROFILE, env=env)
    import dbus
    bus = dbus.SessionBus()
    owned = wait_until(lambda: bool(bus.name_has_owner(NAME)), 10)
    check("the controller owns its bus name", owned)
    return rig


def finish():
    print(f"{len(failures)} failed")
    sys.exit(1 if failures else 0)
