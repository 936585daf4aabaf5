#!/bin/bash
# Processor share of the controller while File > Save waits for a unit that never answers.
#
# The real vq3-controller runs offscreen in a scratch folder with COM1 linked to a
# pseudo-terminal whose other end reads everything and answers nothing, so the reception
# tick runs every 20 ms all through the 5-second wait. The menu item is pressed through the
# automation socket; user + system time comes from /proc/<pid>/stat. An idle stretch of the
# same length is measured first for comparison.
#
# Usage: bench/settings_wait_cpu.sh [build folder]      (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
binary=$build/bin/vq3-controller
if [[ ! -x $binary ]]; then
    echo "no controller at $binary; build the vq3-controller target first" >&2
    exit 2
fi
if ! grep -q VQ3_AUTOMATION "$binary"; then
    echo "$binary has no automation socket: build it with cmake -DVQ3_TEST_HOOKS=ON" >&2
    exit 2
fi

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
cp "$binary" "$work/"
printf '[INIT]\r\nPORT=1\r\nOPENPARAM=KORVANTIS\r\n' >"$work/VQ3_CNT.ini"
# A runtime folder of our own, so the single-instance guard of another run does not refuse us.
mkdir -m 700 "$work/run"

python3 - "$work" <<'EOF'
import json, os, pty, socket, subprocess, sys, threading, time

work = sys.argv[1]
clock_ticks = os.sysconf("SC_CLK_TCK")

# The silent unit: keep the master end open and drain it.
master, slave = pty.openpty()
os.symlink(os.ttyname(slave), os.path.join(work, "COM1"))
def drain():
    while True:
        try:
            if not os.read(master, 4096):
                return
        except OSError:
            return
threading.Thread(target=drain, daemon=True).start()

sock_path = os.path.join(work, "automation.sock")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=os.path.join(work, "run"),
           VQ3_AUTOMATION=sock_path, LC_ALL="C.UTF-8")
controller = subprocess.Popen([os.path.join(work, "vq3-controller")], cwd=work, env=env)

def cpu_seconds():
    with open(f"/proc/{controller.pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / clock_ticks  # utime, stime

def request(message):
    with socket.socket(socket.AF_UNIX) as s:
        s.connect(sock_path)
        s.sendall((json.dumps(message) + "\n").encode())
        reply = b""
        while not reply.endswith(b"\n"):
            chunk = s.recv(4096)
            if not chunk:
                break
            reply += chunk
    return json.loads(reply)

def prompts():
    try:
        with open(sock_path + ".prompts") as f:
            return f.read()
    except FileNotFoundError:
        return ""

try:
    deadline = time.monotonic() + 10
    while True:
        try:
            if request({"cmd": "exists", "path": "CControllerDlg"}).get("value"):
                break
        except OSError:
            pass
        if time.monotonic() > deadline or controller.poll() is not None:
            sys.exit("the controller did not come up")
        time.sleep(0.1)
    time.sleep(0.5)

    def measure(seconds=None, until=None):
        c0, t0 = cpu_seconds(), time.monotonic()
        if until:
            end = time.monotonic() + 15
            while until not in prompts() and time.monotonic() < end:
                time.sleep(0.05)
        else:
            time.sleep(seconds)
        return cpu_seconds() - c0, time.monotonic() - t0

    idle_cpu, idle_wall = measure(seconds=5)
    request({"cmd": "click", "path": "CControllerDlg/idm_32774"})  # File > Save
    wait_cpu, wait_wall = measure(until="Failed to connect.")
    if "Failed to connect." not in prompts():
        sys.exit("the wait did not end with \"Failed to connect.\"")

    print(f"idle, connected:     {idle_wall:5.2f} s wall, {idle_cpu * 1000:6.0f} ms CPU, "
          f"{100 * idle_cpu / idle_wall:5.1f} % of one core")
    print(f"Save, silent unit:   {wait_wall:5.2f} s wall, {wait_cpu * 1000:6.0f} ms CPU, "
          f"{100 * wait_cpu / wait_wall:5.1f} % of one core")
    print(f"(CPU time resolution {1000 / clock_ticks:.0f} ms)")
finally:
    controller.terminate()
    try:
        controller.wait(5)
    except subprocess.TimeoutExpired:
        controller.kill()
    os.close(master)
EOF
