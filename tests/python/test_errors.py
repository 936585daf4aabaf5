"""Each of the module's exceptions, provoked for real against the controller and simulator:
its class, its D-Bus name and the controller's sentence."""

import re
import threading

import pytest

import vq3controller as vq3
from conftest import until
from vq3controller import Controller


def busy(controller, request):
    with Controller() as other:
        other.start_exposure(2.0)  # its timed opening holds the shutter
        try:
            controller.set_shutter(True)
        finally:
            other.stop_exposure()


def interrupted(controller, request):
    with Controller() as other, other.subscribe() as events:
        def stop_once_open():
            until(events, lambda e: getattr(e, "line", "") == ">ATS", 10)
            other.stop_exposure()
        stopper = threading.Thread(target=stop_once_open)
        stopper.start()
        try:
            controller.expose(3.0)
        finally:
            stopper.join()


ROWS = [
    ("normal", vq3.NotConnected, lambda c, r: (c.disconnect(), c.read_intensity()),
     r"^No port is connected\.$"),
    ("normal", vq3.Busy, busy, r"^The shutter is in use by a timed opening"),
    ("normal", vq3.InvalidArgs, lambda c, r: c.set_intensity(101), r"^The intensity is 0 to 100 %"),
    ("silent", vq3.Timeout, lambda c, r: c.read_status(), r"^The unit did not report .* 2 s"),
    ("normal", vq3.DeviceError, lambda c, r: c.send("XYZ"), r"^ERR : Command Error\.\.\.$"),
    ("normal", vq3.PortError, lambda c, r: c.connect("COM9"), r"^Cannot open COM9"),
    ("normal", vq3.Interrupted, interrupted, r"^The shutter closed after 0\.\d+ s of 3\.0 s"),
    ("normal", vq3.NoController, lambda c, r: Controller(r.getfixturevalue("spare_bus")),
     r"^vq3-controller is not running"),
]


@pytest.mark.parametrize("rig, error, provoke, message", ROWS, indirect=["rig"],
                         ids=[row[1].__name__ for row in ROWS])
def test_each_error_is_its_own_class(rig, controller, error, provoke, message, request):
    with pytest.raises(vq3.Vq3Error) as caught:
        provoke(controller, request)
    assert type(caught.value) is error
    assert re.search(message, str(caught.value)), str(caught.value)
    if error is not vq3.NoController:
        assert caught.value.name == "org.vq3_controller.VQ3Controller1.Error." + error.__name__


def test_wrong_types_are_invalid_args_before_the_bus(controller):
    for wrong in (lambda: controller.set_intensity(50.5), lambda: controller.expose("2"),
                  lambda: controller.step_intensity(1, -5), lambda: controller.send(b"INP")):
        with pytest.raises(vq3.InvalidArgs):
            wrong()
    assert controller.read_intensity() >= 0  # the connection is still good
