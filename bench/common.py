"""Helpers shared by the benchmarks: run the real controller and simulator in a scratch
folder, drive the controller through its automation socket, read figures from /proc."""

import json
import os
import pty
import shutil
import socket
import subprocess
import tempfile
import time

CLK_TCK = os.sysconf("SC_CLK_TCK")

# What the soaks' operator presses: Light Control buttons, the memory step "Read" and "Step",
# the intensity buttons held, and Terminal lines (the last one the unit answers with ERR).
LC = "CLightControlDlg/"
CLICKS = [
    LC + "idc_1005",  # lamp on/off
    LC + "idc_1006",  # status read
    LC + "idc_1009",  # intensity read
    LC + "idc_1003",  # lamp time read
    LC + "idc_1010",  # manual shutter open/close
    LC + "idc_1012",  # exposure time read
    LC + "idc_1014",  # rest time read
    "CControllerDlg/idc_1016",  # memory step program Read
    "CControllerDlg/idc_1024",  # memory step Step
]
HOLDS = [LC + "idc_1007", LC + "idc_1008"]  # intensity Up, Down
TERMINAL = ["INP", "INTQ", "LIF", "ATQ", "ATT", "STPQ", "CNTQ", "PROG?", "LAMPERR?",
            "LAMPOFF?", "IB?", "SRESP?", "SETT1?", "SETT2?", "CUREQ1", "CUREQ5", "XYZZY"]


def bin_dir(default="build/bin"):
    return os.path.abspath(os.environ.get("VQ3_BIN", default))


def require_test_hooks(controller):
    """Stops with the reason when the controller was built without its automation socket."""
    with open(controller, "rb") as f:
        if b"VQ3_AUTOMATION" not in f.read():
            raise SystemExit(f"{controller} has no automation socket: build it with "
                             "cmake -DVQ3_TEST_HOOKS=ON (see bench/README.md)")


class Process:
    """CPU time, context switches (wake-ups) and peak memory of a process, all threads."""

    def __init__(self, pid):
        self.pid = pid

    def per_thread(self, read):
        """read(task folder) for each living thread, by thread id."""
        values = {}
        for task in os.listdir(f"/proc/{self.pid}/task"):
            try:
                values[task] = read(f"/proc/{self.pid}/task/{task}")
            except OSError:
                pass  # ended meanwhile
        return values

    def threads_ns(self):
        """CPU time of each thread in nanoseconds (scheduler statistics, not clock ticks)."""
        def ns(task):
            with open(f"{task}/schedstat") as f:
                return int(f.read().split()[0])
        return self.per_thread(ns)

    def threads_wakeups(self):
        """Context switches (voluntary and not) of each thread."""
        def switches(task):
            with open(f"{task}/status") as f:
                return sum(int(line.split()[1]) for line in f if line.startswith(
                    ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
        return self.per_thread(switches)

    @staticmethod
    def between(before, after):
        """What the threads counted between two per-thread readings; a thread that ended
        meanwhile loses only its last moments, instead of making the sum go down."""
        return sum(value - before.get(task, 0) for task, value in after.items())

    def cpu_ticks(self):
        with open(f"/proc/{self.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

    def status_kb(self, key):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        return 0

    def measure(self, seconds):
        """CPU share in percent of one core, wake-ups per second, peak RSS in MB."""
        t0, c0, w0 = time.monotonic(), self.threads_ns(), self.threads_wakeups()
        time.sleep(seconds)
        t1, c1, w1 = time.monotonic(), self.threads_ns(), self.threads_wakeups()
        wall = t1 - t0
        return {
            "cpu_percent": round(100.0 * self.between(c0, c1) / 1e9 / wall, 3),
            "wakeups_per_s": round(self.between(w0, w1) / wall, 2),
            "peak_rss_mb": round(self.status_kb("VmHWM") / 1024.0, 1),
            "rss_mb": round(self.status_kb("VmRSS") / 1024.0, 1),
        }


class Rig:
    """A scratch folder with the controller copied in and the simulator linked as COM1, or,
    with own_line, a pseudo-terminal whose unit side (self.unit, a file descriptor) the
    benchmark works itself. env adds to the controller's environment, args to its command line."""

    def __init__(self, sim_options=(), profile="[INIT]\r\nPORT=1\r\n", own_line=False, env=None,
                 stderr=None, args=()):
        self.dir = tempfile.mkdtemp(prefix="vq3-bench-")
        bins = bin_dir()
        require_test_hooks(os.path.join(bins, "vq3-controller"))
        self.controller_path = os.path.join(self.dir, "vq3-controller")
        shutil.copy2(os.path.join(bins, "vq3-controller"), self.controller_path)
        with open(os.path.join(self.dir, "VQ3_CNT.ini"), "w", newline="") as f:
            f.write(profile)
        link = os.path.join(self.dir, "COM1")
        self.sim = None
        self.unit = None
        if own_line:
            self.unit, line = pty.openpty()
            tty_raw(line)
            os.symlink(os.ttyname(line), link)
            self.line = line  # kept open: a pseudo-terminal without a holder hangs up
        else:
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
                   VQ3_AUTOMATION=self.socket_path, **(env or {}))
        self.controller = subprocess.Popen([self.controller_path, *args], env=env, stderr=stderr)
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
        if self.sim:
            self.sim.terminate()
            self.sim.wait(5)
        if self.unit is not None:
            os.close(self.unit)
            os.close(self.line)
        shutil.rmtree(self.dir, ignore_errors=True)


def tty_raw(fd):
    """Raw bytes both ways, as the unit's end of a serial line."""
    import termios
    import tty
    tty.setraw(fd)
    attrs = termios.tcgetattr(fd)
    attrs[4] = attrs[5] = termios.B9600
    termios.tcsetattr(fd, termios.TCSANOW, attrs)


def terminal(rig, line):
    ok = rig.request(cmd="set", path="CTerminalDlg/idc_1002", prop="text", value=line)["ok"]
    return rig.click("CTerminalDlg/idc_1001")["ok"] and ok


def operator_action(rig, rng, actions):
    kind = rng.choices(["click", "hold", "terminal"], weights=[6, 1, 3])[0]
    if kind == "click":
        ok = rig.click(rng.choice(CLICKS))["ok"]
    elif kind == "hold":
        button = rng.choice(HOLDS)
        ok = rig.request(cmd="press", path=button)["ok"]
        time.sleep(rng.uniform(0.2, 1.0))
        ok = rig.request(cmd="release", path=button)["ok"] and ok
    else:
        ok = terminal(rig, rng.choice(TERMINAL))
    actions[kind] += 1
    actions["failed"] += 0 if ok else 1
