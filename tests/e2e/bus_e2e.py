#!/usr/bin/env python3
# needs: test hooks (the automation socket presses the operator's buttons)
"""The running controller driven over the session bus by vq3ctl and python3-dbus, with
the simulator behind it and the operator's buttons pressed through the automation socket.
Run inside its own session bus: dbus-run-session -- python3 tests/e2e/bus_e2e.py"""

import json
import os
import tempfile
import time

from buslib import (NAME, PATH, Monitor, check, controller, ctl, expect, finish, start_ctl,
                    traffic, wait_until)



def working_unit():
    rig = controller(["--ramp", "50"])
    try:
        rig.menu(32788)  # the Terminal, shown
        expect(["status"], 0, r"State: connected")
        out = expect(["--json", "status"], 0, r'"Port": ?"COM1"')
        check("status --json is one object", json.loads(out)["Intensity"] == -1, out)
        monitor = Monitor()
        expect(["lamp", "on"], 0)
        shown = wait_until(lambda: ">L1" in monitor.text() and "LampOn: true" in monitor.text())
        check("monitor shows the echo and PropertiesChanged", shown, monitor.stop())
        # Again during the warm-up: the status shows the lamp on, so no L1 (and no NG01).
        expect(["lamp", "on"], 0)
        check("a lamp that is on gets no second L1", traffic(rig).count(">L1") == 1,
              traffic(rig)[-200:])
        expect(["lamp", "wait-stable"], 0)
        expect(["intensity", "set", "30"], 0, r"^(29|30|31)\s*$")
        expect(["intensity", "set", "300"], 2)
        expect(["expose", "1000"], 2)
        expect(["expose", "0.5"], 0)
        expect(["hours"], 0, r"^\d+\s*$")
        expect(["settings", "read"], 0, r"ProgramMode: [17]")
        expect(["send", "INP"], 0)
        check("the Terminal shows a script's commands", ">INP" in traffic(rig), traffic(rig))

        # The operator's press of the lamp button (L1) ends a script's wait on the lamp, which
        # is off, so the wait cannot end by itself.
        expect(["lamp", "off"], 0)
        asked = traffic(rig).count(">INP")
        lamp_wait = start_ctl("lamp", "wait-stable")
        wait_until(lambda: traffic(rig).count(">INP") > asked)  # the wait has begun
        rig.click("CLightControlDlg/idc_1005")
        out = lamp_wait.communicate(timeout=10)[0]
        check("an operator's press interrupts (exit 6)", lamp_wait.returncode == 6, out)
        expect(["lamp", "wait-stable"], 0)

        # A caller that leaves mid-step still gets its INT0.
        stepping = start_ctl("intensity", "up", "5000")
        wait_until(lambda: traffic(rig).rfind(">INT1") > traffic(rig).rfind(">INT0"))
        stepping.kill()
        stepping.wait()
        check("INT0 follows INT1 when the caller vanishes",
              wait_until(lambda: traffic(rig).rfind(">INT0") > traffic(rig).rfind(">INT1") > 0),
              traffic(rig)[-200:])

        direct_calls(rig)
        files()

        expect(["port", "disconnect"], 0)
        expect(["intensity", "read"], 4)
        expect(["port", "COM1"], 0)
    finally:
        rig.close()


def direct_calls(rig):
    """The methods vq3ctl has no word for, straight from python3-dbus."""
    import dbus
    obj = dbus.SessionBus().get_object(NAME, PATH, introspect=False)
    unit = dbus.Interface(obj, NAME + ".Unit")
    props = dbus.Interface(obj, "org.freedesktop.DBus.Properties")
    check("ReadStatus: the lamp is on", unit.ReadStatus() & 0x03 == 0x03)
    unit.SetShutter(True)
    check("SetShutter(True) shows in ShutterOpen", props.Get(NAME + ".Unit", "ShutterOpen"))
    unit.SetShutter(False)
    unit.StartExposure(1.5)
    check("ReadAutoTime after StartExposure(1.5)", unit.ReadAutoTime() == 1.5)
    check("ReadRestTime while exposing", 0 < unit.ReadRestTime() <= 1.5)
    time.sleep(1.9)
    steps = [(25.0, 0.5), (75.0, 0.5)] + [(0.0, 0.0)] * 5
    unit.WriteProgram(dbus.UInt32(4), dbus.UInt32(1), dbus.UInt32(1),
                      dbus.Array(steps, signature="(dd)"))
    shutter, intensity, back = unit.ReadProgram(dbus.UInt32(4))
    check("WriteProgram then ReadProgram", (shutter, intensity, [tuple(s) for s in back]) ==
          (1, 1, steps), (shutter, intensity, back))
    unit.StartProgram(dbus.UInt32(4))
    time.sleep(0.2)
    check("ReadStep while the program runs", unit.ReadStep() >= 1)
    unit.StopProgram()
    settings = unit.ReadSettings()
    settings["ShutterOpenPulseTime"] = dbus.Int32(120)
    unit.WriteSettings(settings)
    check("WriteSettings then ReadSettings",
          unit.ReadSettings()["ShutterOpenPulseTime"] == 120)
    try:
        unit.WriteProgram(dbus.UInt32(4), dbus.UInt32(1), dbus.UInt32(1),
                          dbus.Array([(101.0, 1.0)] * 7, signature="(dd)"))
        check("an intensity of 101 % is refused", False)
    except dbus.exceptions.DBusException as error:
        check("an intensity of 101 % is refused with the editor's message",
              error.get_dbus_name() == NAME + ".Error.InvalidArgs", error)
    check("Traffic reaches the Terminal too", ">CUREQ4" in traffic(rig))


def files():
    """Program and settings files in the program's own formats, through vq3ctl."""
    folder = tempfile.mkdtemp(prefix="vq3-bus-")
    program, settings = os.path.join(folder, "p.txt"), os.path.join(folder, "s.txt")
    expect(["program", "read", "4", program], 0)
    expect(["program", "write", "5", program], 0)
    expect(["program", "read", "5"], 0, r"(?m)^25,0\.5\r?$")
    expect(["settings", "read", settings], 0)
    expect(["settings", "write", settings], 0)
    expect(["program", "write", "5", os.path.join(folder, "missing.txt")], 2)


def silent_unit():
    rig = controller(["--silent"])
    try:
        expect(["intensity", "read"], 3)
        rig.menu(32775)  # File Save As: waits 5 s for a unit that never answers
        time.sleep(0.3)
        expect(["intensity", "read"], 5)
    finally:
        rig.close()


working_unit()
silent_unit()
ctl_missing = ctl("status")
check("no controller: exit 8 with a hint", ctl_missing[0] == 8 and "vq3-controller" in
      ctl_missing[1], ctl_missing)
finish()
