"""The real controller and simulator for the module's tests and benchmark: the controller
copied into a scratch folder with COM1 linked to the simulator, started offscreen in the
current session bus (run under dbus-run-session), without the automation socket."""

import os
import shutil
import subprocess
import tempfile

from jeepney import DBusAddress, MatchRule, new_method_call
from jeepney.io.blocking import open_dbus_connection

NAME = "org.vq3_controller.VQ3Controller1"


def bin_dir():
    return os.path.abspath(os.environ.get("VQ3_BIN", "build/bin"))


class Rig:
    """sim_options go to vq3-simulator (a 0.8 s warm-up and a ramp of 50 %/s unless given)."""

    def __init__(self, *sim_options):
        self.dir = tempfile.mkdtemp(prefix="vq3-py-")
        shutil.copy2(os.path.join(bin_dir(), "vq3-controller"), self.dir)
        with open(os.path.join(self.dir, "VQ3_CNT.ini"), "w", newline="") as f:
            f.write("[INIT]\r\nPORT=1\r\n")
        options = sim_options or ("--warmup", "800", "--ramp", "50")
        self.sim = subprocess.Popen(
            [os.path.join(bin_dir(), "vq3-simulator"), "--link", self.path("COM1"), "--quiet",
             *options], stdout=subprocess.PIPE, text=True)
        self.sim.stdout.readline()  # the terminal's path: the link is there
        os.mkdir(self.path("run"), 0o700)  # the single-instance guard's own folder
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=self.path("run"))
        with owner_watch() as owned:
            self.controller = subprocess.Popen([self.path("vq3-controller")], env=env)
            owned(True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def close(self):
        with owner_watch() as owned:
            self.controller.terminate()
            owned(False)  # the next rig on this bus may start
        self.controller.wait(10)
        self.sim.terminate()
        self.sim.wait(10)
        self.sim.stdout.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class owner_watch:
    """Within the block, owned(wanted) returns once whether the controller's name has an owner
    is `wanted` (at once when it is already); the watch starts before the block so no change
    is lost. TimeoutError after 10 s."""

    def __enter__(self):
        self.conn = open_dbus_connection()
        bus = DBusAddress("/org/freedesktop/DBus", "org.freedesktop.DBus", "org.freedesktop.DBus")
        rule = MatchRule(type="signal", interface="org.freedesktop.DBus",
                         member="NameOwnerChanged")
        rule.add_arg_condition(0, NAME)
        self.conn.send_and_get_reply(new_method_call(bus, "AddMatch", "s", (rule.serialise(),)))
        self.changes = self.conn.filter(rule, bufsize=16).__enter__()
        self.has_owner = bool(self.conn.send_and_get_reply(
            new_method_call(bus, "NameHasOwner", "s", (NAME,))).body[0])
        return self.owned

    def owned(self, wanted):
        while self.has_owner != wanted:
            self.has_owner = bool(self.conn.recv_until_filtered(self.changes, timeout=10).body[2])

    def __exit__(self, *exc):
        self.conn.close()
