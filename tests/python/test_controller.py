"""The blocking Controller against the real controller: the claim and its holder, events in
order, the status command beside vq3ctl's, and the names beside the interfaces' XML."""

import os
import subprocess
import xml.etree.ElementTree as ET

import pytest

import vq3controller as vq3
from conftest import source, until
from rig import bin_dir
from vq3controller.names import PROPERTIES, snake_case


def test_a_claim_is_held_for_the_block_and_lost_with_its_holder(controller):
    with controller.claim():
        assert controller.owner == controller.unique_name
    assert controller.owner == ""
    holder = vq3.Controller()
    holder.claim()
    with pytest.raises(vq3.Busy, match=holder.unique_name):
        controller.read_intensity()
    with controller.subscribe() as events:
        holder.close()
        until(events, lambda e: (getattr(e, "name", ""), e.value) == ("Owner", ""))
    assert controller.read_intensity() >= 0


def test_events_come_in_order_with_their_times(stable):
    with stable.subscribe() as events:
        stable.expose(0.3)  # every event of the exposure comes before the first is read
        seen = until(events, lambda e: isinstance(e, vq3.ExposureEnded))
    lines = [e.line for e in seen if isinstance(e, vq3.Traffic)]
    assert lines.index(">AT000.3") < lines.index(">ATS")
    shutter = [e.value for e in seen if getattr(e, "name", "") == "ShutterOpen"]
    assert shutter == [True, False]
    for kind in (vq3.Traffic, vq3.PropertyChanged):
        times = [e.time for e in seen if isinstance(e, kind)]
        assert times == sorted(times)
    start = next(e.time for e in seen if getattr(e, "line", "") == ">ATS")
    end = seen[-1]
    assert end.complete and end.seconds_open == 0.3 and end.time > start


def test_status_prints_what_vq3ctl_prints(controller):
    controller.read_status()  # nothing more is on its way to the properties
    vq3ctl = subprocess.run([os.path.join(bin_dir(), "vq3ctl"), "status"], capture_output=True,
                            text=True, timeout=10)
    module = subprocess.run(["/usr/bin/python3", "-m", "vq3controller", "status"],
                            capture_output=True, text=True, timeout=10)
    assert (module.returncode, module.stdout) == (0, vq3ctl.stdout)
    assert "State: connected\n" in module.stdout and module.stdout.count("\n") == 17


def test_status_without_a_controller_says_so(spare_bus):
    run = subprocess.run(["/usr/bin/python3", "-m", "vq3controller", "status"],
                         capture_output=True, text=True, timeout=10,
                         env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=spare_bus))
    assert run.returncode == 8 and "vq3-controller is not running" in run.stderr


def test_names_follow_the_interfaces_xml():
    properties, methods = [], []
    for interface in ("Link", "Unit"):
        xml = source("src", "bus", f"org.vq3_controller.VQ3Controller1.{interface}.xml")
        root = ET.parse(xml).getroot()
        properties += [(p.get("name"), p.get("type")) for p in root.iter("property")]
        methods += [m.get("name") for m in root.iter("method")]
    signature = {str: "s", bool: "b", int: "i", float: "d"}
    assert [(name, signature[kind]) for _, name, kind, _ in PROPERTIES] == properties
    for name in [snake_case(p) for p, _ in properties] + [snake_case(m) for m in methods]:
        assert callable(getattr(vq3.AsyncController, name, None)) or \
            isinstance(getattr(vq3.Controller, name), property), name
