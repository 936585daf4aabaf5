#!/usr/bin/env python3
# needs: test hooks (the automation socket presses the operator's buttons)
"""vq3ctl as shell scripts use it, against the real controller and simulator: waiting for a
property (with the unit asked meanwhile), monitor lines with their times, exposures and
programs ending, errors as JSON, and Ctrl-C or SIGTERM leaving the bus so the call ends.
Run inside its own session bus: dbus-run-session -- python3 tests/e2e/bus_ctl_e2e.py"""

import json
import re
import signal
import time

from buslib import (Monitor, check, controller, ctl, expect, finish, start_ctl, traffic,
                    wait_until)

STAMP = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z"


def waits(rig):
    expect(["--json", "port"], 0, r'"Owner": ?""')
    expect(["wait", "State", "connected", "--timeout", "5"], 0)
    asked = traffic(rig).count(">INP")
    waiting = start_ctl("wait", "LampOn", "true", "--timeout", "10")
    wait_until(lambda: traffic(rig).count(">INP") >= asked + 2)  # asked twice while it waits
    rig.click("CLightControlDlg/idc_1005")  # the operator's lamp button: L1
    out = waiting.communicate(timeout=12)[0]
    check("wait LampOn true asks for the status until it holds",
          waiting.returncode == 0 and traffic(rig).count(">INP") >= 3, (out, traffic(rig)))
    expect(["intensity", "set", "50"], 0)
    expect(["wait", "Intensity", ">=45", "--timeout", "5"], 0)
    expect(["wait", "Intensity", "101", "--timeout", "1.5"], 3, "not 101 within 1.5 s")
    out = expect(["wait", "Intensity", "101", "--timeout", "1", "--json"], 3)
    check("a JSON error is one object", json.loads(out).get("error") == "Timeout", out)
    expect(["wait", "LampOn", "maybe"], 2)
    expect(["wait", "Nope", "1"], 2)


def events(rig):
    monitor, json_monitor = Monitor(), Monitor("--json")
    started = time.time()
    expect(["expose", "0.5"], 0)
    expect(["expose", "30", "--no-wait"], 0)
    expect(["--json", "expose", "2"], 5, r'"error": ?"Busy"')
    expect(["expose", "stop"], 0)
    expect(["program", "start", "1"], 0)
    wait_until(lambda: "ProgramEnded" in json_monitor.text())
    plain = monitor.stop(signal.SIGINT)
    lines = json_monitor.stop(signal.SIGINT).splitlines()
    check("monitor ends with 130 on Ctrl-C", monitor.process.returncode == 130,
          monitor.process.returncode)
    check("each monitor line starts with its time",
          all(re.match(STAMP + r" \w+: ", line) for line in plain.splitlines()), plain[:300])
    check("the full exposure and the stopped one", "ExposureEnded: 0.5,true" in plain and
          re.search(r"ExposureEnded: [0-9.]+,false", plain) is not None, plain)
    check("the program's end", "ProgramEnded: 1" in plain, plain[-300:])
    stamps = [json.loads(line)["t"] for line in lines if '"Traffic"' in line]
    check("traffic times are microseconds since the epoch, in order",
          stamps == sorted(stamps) and stamps and abs(stamps[0] / 1e6 - started) < 5,
          stamps[:3])


def signals(rig):
    expect(["lamp", "off"], 0)
    asked = traffic(rig).count(">INP")
    waiting = start_ctl("lamp", "wait-stable")
    wait_until(lambda: traffic(rig).count(">INP") > asked)  # the wait has begun
    waiting.send_signal(signal.SIGINT)
    check("Ctrl-C ends a waiting vq3ctl with 130", waiting.wait(5) == 130, waiting.returncode)
    # Busy until the controller hears that the caller has gone, then the first call has ended.
    check("a caller that left ends its call", wait_until(
        lambda: ctl("lamp", "wait-stable", "--timeout", "0.5")[0] == 3))
    stepping = start_ctl("intensity", "up", "5000")
    wait_until(lambda: traffic(rig).rfind(">INT1") > traffic(rig).rfind(">INT0"))
    stepping.send_signal(signal.SIGTERM)
    check("SIGTERM ends vq3ctl with 143", stepping.wait(5) == 143, stepping.returncode)
    check("the hold it started still gets its INT0",
          wait_until(lambda: traffic(rig).rfind(">INT0") > traffic(rig).rfind(">INT1") > 0),
          traffic(rig)[-100:])
    expect(["send", "--", "-X"], 1, r"ERR : Command Error")
    expect(["port", "disconnect"], 0)
    expect(["--json", "lamp", "on"], 4, r'"error": ?"NotConnected"')


rig = controller(["--ramp", "50"])
try:
    rig.menu(32788)  # the Terminal, shown
    waits(rig)
    events(rig)
    signals(rig)
    leftover = start_ctl("wait", "State", "connected")
    time.sleep(0.3)
finally:
    rig.close()
out = leftover.communicate(timeout=5)[0]
check("a wait ends with 8 when the controller leaves the bus", leftover.returncode == 8, out)
expect(["status"], 8, "vq3-controller")
finish()
