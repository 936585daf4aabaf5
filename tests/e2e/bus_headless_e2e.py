#!/usr/bin/env python3
"""The controller on a lab PC with no display: `vq3-controller --headless` without DISPLAY or
WAYLAND_DISPLAY, driven by vq3ctl; a second instance, headless or windowed, is refused; SIGTERM
ends it cleanly: a hold still gets its INT0 and the profile is written.
Run inside its own session bus: dbus-run-session -- python3 tests/e2e/bus_headless_e2e.py"""

import os
import shutil
import signal
import subprocess
import tempfile

import dbus

from buslib import NAME, bin_dir, check, expect, finish, start_ctl, wait_until


def headless_env(folder):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env["XDG_RUNTIME_DIR"] = os.path.join(folder, "run")  # the single-instance guard
    return env


def has_automation(program):
    with open(program, "rb") as f:
        return b"VQ3_AUTOMATION" in f.read()


def received_now():
    with open(log, "rb") as f:
        return f.read()


folder = tempfile.mkdtemp(prefix="vq3-headless-")
os.makedirs(os.path.join(folder, "run"), mode=0o700)
program = os.path.join(folder, "vq3-controller")
shutil.copy2(os.path.join(bin_dir(), "vq3-controller"), program)
with open(os.path.join(folder, "VQ3_CNT.ini"), "w", newline="") as f:
    f.write("[INIT]\r\nPORT=1\r\nMAIN_X=40\r\n")
log = os.path.join(folder, "received.log")
sim = subprocess.Popen([os.path.join(bin_dir(), "vq3-simulator"), "--link",
                        os.path.join(folder, "COM1"), "--quiet", "--warmup", "300", "--log", log])
wait_until(lambda: os.path.islink(os.path.join(folder, "COM1")))
env = headless_env(folder)
controller = subprocess.Popen([program, "--headless"], env=env, stderr=subprocess.PIPE, text=True)
try:
    bus = dbus.SessionBus()
    check("the headless controller owns its bus name",
          wait_until(lambda: bool(bus.name_has_owner(NAME)), 10))
    expect(["status"], 0, r"State: connected")
    expect(["lamp", "on"], 0)
    expect(["expose", "0.3"], 0)

    second = subprocess.run([program, "--headless"], env=env, capture_output=True, text=True,
                            timeout=10)
    check("a second headless instance is refused",
          second.returncode == 1 and "Application is already running" in second.stderr,
          (second.returncode, second.stderr))
    if has_automation(program):  # its box is answered by the test socket
        socket = os.path.join(folder, "auto.sock")
        windowed = subprocess.run([program], env=dict(env, QT_QPA_PLATFORM="offscreen",
                                                      VQ3_AUTOMATION=socket),
                                  capture_output=True, text=True, timeout=10)
        with open(socket + ".prompts") as prompts:
            shown = prompts.read()
        check("a windowed instance beside it is refused with its box",
              "Application is already running" in shown, shown)

    stepping = start_ctl("intensity", "up", "5000")
    wait_until(lambda: b"INT1\r" in received_now())
    controller.send_signal(signal.SIGTERM)
    check("SIGTERM ends it normally", controller.wait(5) == 0, controller.returncode)
    out = stepping.communicate(timeout=5)[0]
    check("a call cut off by the end says the controller left", stepping.returncode == 8, out)
    received = received_now()
    check("the hold got its INT0 before the end", received.endswith(b"INT1\rINT0\r"),
          received[-30:])
    with open(os.path.join(folder, "VQ3_CNT.ini"), newline="") as f:
        profile = f.read()
    check("the profile keeps its port and the rest", profile == "[INIT]\r\nPORT=1\r\nMAIN_X=40\r\n",
          repr(profile))
finally:
    if controller.poll() is None:
        controller.kill()
    sim.terminate()
    sim.wait(5)
    shutil.rmtree(folder, ignore_errors=True)
finish()
