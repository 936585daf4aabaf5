"""Helpers shared by the benchmarks: run the real controller and simulator in a scratch
folder, drive the controller through its automation socket, read figures from /proc."""

import json
import os
import shutil
import socket
import subprocess
import tempfile
import time

CLK_TCK = os.sysconf("SC_CLK_TCK")


def bin_dir(default="build/bin"):
    return os.path.abspath(os.environ.get("VQ3_BIN", default))


def require_test_hooks(controller):
    """Stops with the reason when the controller was built without its automation socket."""
    with open(controller, "rb") as f:
        if b"VQ3_AUTOMATION" not in f.read():
            raise SystemExit(f"{controller} has no automation socket: build it with "
                             "cmake -DVQ3_TEST_HOOKS=ON (see bench/README.md)")


class Process:
    """CPU ticks, context switches (wake-ups) and peak memory of a process, all threads."""

    def __init__(self, pid):
        self.pid = pid

    def cpu_ticks(self):
        with open(f"/proc/{self.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

    def wakeups(self):
        total = 0
        for task in os.listdir(f"/proc/{self.pid}/task"):
            with open(f"/proc/{self.pid}/task/{task}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        return total

    def status_kb(self, key):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        return 0

    def measure(self, seconds):
        """CPU share in percent of one core, wake-ups per second, peak RSS in MB."""
        t0, c0, w0 = time.monotonic(), self.cpu_ticks(), self.wakeups()
        time.sleep(seconds)
        t1, c1, w1 = time.monotonic(), self.cpu_ticks(), self.wakeups()
        wall = t1 - t0
        return {
            "cpu_percent": round(100.0 * (c1 - c0) / CLK_TCK / wall, 2),
            "wakeups_per_s": round((w1 - w0) / wall, 1),
            "peak_rss_mb": round(self.status_kb("VmHWM") / 1024.0, 1),
            "rss_mb": round(self.status_kb("VmRSS") / 1024.0, 1),
        }


class Rig:
    """A scratch folder with the controller copied in and the simulator linked as COM1."""

    def __init__(self, sim_options=(), profile="[INIT]\r\nPORT=1\r\n"):
        self.dir = tempfile.mkdtemp(prefix="vq3-bench-")
        bins = bin_dir()
        require_test_hooks(os.path.join(bins, "vq3-controller"))
        self.controller_path = os.path.join(self.dir, "vq3-controller")
        shutil.copy2(os.path.join(bins, "vq3-controller"), self.controller_path)
        with open(os.path.join(self.dir, "VQ3_CNT.ini"), "w", newline="") as f:
            f.write(profile)
        link = os.path.join(self.dir, "COM1")
        self.sim = subprocess.Popen(
            [os.path.join(bins, "vq3-simulator"), "--link", link, "--quiet", *sim_options])
        for _ in range(100):
            if os.path.islink(link):
                break
            time.sleep(0.05)
        run = os.path.join(self.dir, "run")
        os.makedirs(run, mode=0o700, exist_ok=True)
        self.socket_path = os.path.join(self.dir, "auto.sock")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=run,
                   VQ3_AUTOMATION=self.socket_path)
        self.controller = subprocess.Popen([self.controller_path], env=env)
        self.sock = None
        for _ in range(200):
            try:
                self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.sock.connect(self.socket_path)
                break
            except OSError:
                self.sock = None
                time.sleep(0.05)
        if self.sock is None:
            raise RuntimeError("controller did not start")
        self.reader = self.sock.makefile("r")

    def request(self, **request):
        self.sock.sendall((json.dumps(request) + "\n").encode())
        return json.loads(self.reader.readline())

    def click(self, path):
        return self.request(cmd="click", path=path)

    def menu(self, command_id):
        return self.click(f"CControllerDlg/idm_{command_id}")

    def close(self):
        try:
            self.request(cmd="close", path="CControllerDlg")
            self.controller.wait(10)
        except Exception:
            self.controller.kill()
        self.sim.terminate()
        self.sim.wait(5)
        shutil.rmtree(self.dir, ignore_errors=True)
