"""What the end-to-end tests of the bus interface share: vq3ctl runs, checks that are counted,
the controller's bus name awaited, the Terminal's text. Each test runs in a session bus of
its own (dbus-run-session) with the real controller and simulator (bench/common.py's Rig)."""

import os
import re
import signal
import subprocess
import sys
import threading
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


def expect(args, status, pattern=""):
    """vq3ctl with args ends with status and prints pattern."""
    code, out = ctl(*args)
    check(f"vq3ctl {' '.join(args)} -> {status}",
          code == status and re.search(pattern, out) is not None, f"{code} {out!r}")
    return out


def start_ctl(*args):
    return subprocess.Popen([VQ3CTL, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True)


class Monitor:
    """`vq3ctl [options] monitor`, its lines read as they come. It counts as listening once it
    has printed the answer to a read of ours: a fixed pause is too short on a loaded machine."""

    def __init__(self, *options):
        self.process = start_ctl(*options, "monitor")
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        check(f"vq3ctl {' '.join(options)} monitor listens",
              wait_until(lambda: ctl("intensity", "read")[0] == 0 and
                         wait_until(lambda: self.lines, 0.5), 10))

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.rstrip("\n"))

    def text(self):
        return "\n".join(self.lines)

    def stop(self, how=signal.SIGTERM):
        self.process.send_signal(how)
        self.process.wait(5)
        self.reader.join(5)
        return self.text()


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
