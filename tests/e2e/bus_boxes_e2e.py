#!/usr/bin/env python3
# needs: test hooks (the automation socket presses the operator's buttons)
"""Scripts and the operator side by side, with the program's own message boxes (real boxes
that wait for OK): a refusal reaches whoever caused it, no box stops the link or a script,
two scripts do not fight over one function, a claim keeps other scripts out until its holder
leaves, and an exposure cut short says so.
Run inside its own session bus: dbus-run-session -- python3 tests/e2e/bus_boxes_e2e.py"""

import json
import re
import time

import dbus

from buslib import (NAME, PATH, boxes, check, controller, ctl, expect, finish, start_ctl,
                    traffic, wait_until)

TERMINAL_FIELD = "CTerminalDlg/idc_1002"
TERMINAL_SEND = "CTerminalDlg/idc_1001"


def operator_types(rig, line):
    rig.request(cmd="set", path=TERMINAL_FIELD, prop="text", value=line)
    rig.click(TERMINAL_SEND)


def refusals_and_boxes(rig):
    expect(["lamp", "on"], 0)
    # L0 during the warm-up: NG01 for the script, no box for the operator.
    expect(["send", "L0"], 1, r"NG01 : Lamp trigger is going on\.")
    time.sleep(0.2)
    check("a script's refusal opens no box", boxes(rig) == [], boxes(rig))
    expect(["intensity", "read"], 0, r"^\d+\s*$")

    # The operator's bad line: a box that waits, while scripts and the Terminal go on.
    rig.request(cmd="activate", path="CTerminalDlg")
    operator_types(rig, "XYZ")
    check("the operator's ERR opens its box",
          wait_until(lambda: any(b["text"] == "ERR : Command Error..." for b in boxes(rig))),
          boxes(rig))
    expect(["intensity", "read"], 0, r"^\d+\s*$")
    def after_typed():
        shown = traffic(rig)  # drawn a few times a second
        return shown[shown.rfind(">XYZ"):]
    check("the Terminal shows the script's read while the box is open",
          wait_until(lambda: "\nINT0" in after_typed(), 1.0), after_typed())
    # Its echo shows NG01 and the unit answers ERR: both wait for the first box, in order.
    operator_types(rig, "NG1")
    time.sleep(0.3)
    check("one box at a time", len(boxes(rig)) == 1, boxes(rig))
    for text in ("NG01 : Lamp trigger is going on.", "ERR : Command Error..."):
        rig.request(cmd="dismiss")
        check(f"then {text}", wait_until(lambda: [b["text"] for b in boxes(rig)] == [text]),
              boxes(rig))
    rig.request(cmd="dismiss")
    check("no box is left", wait_until(lambda: boxes(rig) == []), boxes(rig))


def one_call_per_function(rig):
    start = time.monotonic()
    first, second = start_ctl("intensity", "set", "30"), None
    time.sleep(0.1)
    second = start_ctl("intensity", "set", "70")
    out = second.communicate(timeout=10)[0] + first.communicate(timeout=10)[0]
    took = time.monotonic() - start
    # Sharing one hold, both ran to the 60 s limit and failed.
    check("two sets at once: one Busy, one done, long before the hold's limit",
          {first.returncode, second.returncode} == {0, 5} and took < 20.0, (out, took))

    exposure = start_ctl("expose", "3")
    wait_until(lambda: shutter_open())
    rig.click("CLightControlDlg/idc_1010")  # the operator's manual shutter button: S0
    out = exposure.communicate(timeout=10)[0]
    open_for = re.search(r"closed after ([0-9.]+) s of 3\.0 s", out)
    check("an exposure the operator cut short is Interrupted, with its time",
          exposure.returncode == 6 and open_for and float(open_for.group(1)) < 3.0, out)


def claim(rig):
    holder = dbus.SessionBus(private=True)
    unit = dbus.Interface(holder.get_object(NAME, PATH, introspect=False), NAME + ".Unit")
    unit.Claim()
    owner = holder.get_unique_name()
    expect(["intensity", "read"], 5, "claimed by " + owner)
    expect(["status"], 0, "Owner: " + owner)
    check("the status bar says a script holds the unit", owner in rig.request(
        cmd="get", path="CControllerDlg/statusSecond", prop="text")["value"])
    check("the holder's own calls work", unit.ReadIntensity() >= 0)
    before = traffic(rig).count(">INTQ")
    rig.click("CLightControlDlg/idc_1009")  # the operator's intensity Read still works
    check("the operator's button works during a claim",
          wait_until(lambda: traffic(rig).count(">INTQ") > before), traffic(rig)[-60:])
    holder.close()  # leaves the bus: the claim ends
    check("a claim ends when its holder leaves", wait_until(
        lambda: ctl_status_owner() == ""), ctl_status_owner())
    expect(["intensity", "read"], 0)


def shutter_open():
    obj = dbus.SessionBus().get_object(NAME, PATH, introspect=False)
    return bool(obj.Get(NAME + ".Unit", "ShutterOpen",
                        dbus_interface="org.freedesktop.DBus.Properties"))


def ctl_status_owner():
    out = ctl("--json", "port")[1]
    try:
        return json.loads(out).get("Owner")
    except ValueError:
        return out


rig = controller(["--ramp", "50"], env={"VQ3_REAL_BOXES": "1"})
try:
    rig.menu(32788)  # the Terminal, shown
    rig.menu(32787)  # Light Control, shown
    refusals_and_boxes(rig)
    one_call_per_function(rig)
    claim(rig)
finally:
    rig.close()
finish()
