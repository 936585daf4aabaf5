"""Fixtures: the controller with the simulator on COM1 (one per test file), a Controller
connected to it for each test, and a spare session bus where no controller runs."""

import os
import subprocess

import pytest

from rig import Rig
from vq3controller import Controller


@pytest.fixture(scope="module")
def rig(request):
    """Parametrized "silent" (indirectly), the simulator never answers."""
    rig = Rig(*(["--silent"] if getattr(request, "param", "") == "silent" else []))
    yield rig
    rig.close()


@pytest.fixture
def controller(rig):
    with Controller() as controller:
        if controller.state != "connected":
            controller.connect("COM1")  # a test before this one closed the port
        yield controller


@pytest.fixture
def stable(controller):
    """The controller with the lamp on and stable."""
    controller.set_lamp(True)
    controller.wait_lamp_stable(10)
    return controller


@pytest.fixture(scope="module")
def spare_bus():
    """The address of a session bus of its own, with no controller on it."""
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                              stdout=subprocess.PIPE, text=True)
    yield daemon.stdout.readline().strip()
    daemon.terminate()
    daemon.wait(5)
    daemon.stdout.close()


def until(events, wanted, seconds=5):
    """The events of a subscription up to the first that wanted(event) accepts, inclusive."""
    seen = [events.get(seconds)]
    while not wanted(seen[-1]):
        seen.append(events.get(seconds))
    return seen


def source(*parts):
    return os.path.join(os.path.dirname(__file__), "..", "..", *parts)
