#!/usr/bin/python3
"""What the bus costs while the unit streams: short replies at the full 9600 baud with the
Terminal shown, the controller's wake-ups and CPU share measured three ways: started with
--no-scripting, with the bus registered and nobody listening, and with a listener
(`vq3ctl --json monitor`) that must get one Traffic signal for every line the controller
handled (counted from the controller's vq3.traffic log). The wake-ups of the bus
connection's own thread (QDBusConnection) are reported apart: the other threads' figures vary
by tens from run to run. Needs a session bus; without one it starts its own:

    VQ3_BIN=build/bin bench/bus_stream.py [seconds per stretch, default 20]
"""

import json
import os
import subprocess
import sys
import time

if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])

from common import Process, Rig, bin_dir  # noqa: E402

seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 20.0


def thread_name(pid, task):
    try:
        with open(f"/proc/{pid}/task/{task}/comm") as f:
            return f.read().strip()
    except OSError:
        return ""


def stretch(scripting, listen):
    log = open(os.path.join("/tmp", f"vq3-bus-stream-{os.getpid()}.log"), "w+")
    rig = Rig(sim_options=["--stream", "INT050", "--stream-after", "3000"],
              env={"QT_LOGGING_RULES": "vq3.traffic.debug=true"}, stderr=log,
              args=[] if scripting else ["--no-scripting"])
    listener = None
    try:
        rig.menu(32788)  # show the Terminal
        time.sleep(4)
        log.seek(0, os.SEEK_END)
        handled_from = log.tell()
        if listen:
            listener = subprocess.Popen([os.path.join(bin_dir(), "vq3ctl"), "--json", "monitor"],
                                        stdout=subprocess.PIPE, text=True)
            time.sleep(1)
        process = Process(rig.controller.pid)
        before = process.threads_wakeups()
        figures = process.measure(seconds)
        after = process.threads_wakeups()
        figures["bus_thread_wakeups_per_s"] = round(sum(
            after[task] - before.get(task, 0) for task in after
            if thread_name(process.pid, task) == "QDBusConnection") / seconds, 2)
        if listener:
            log.seek(0, os.SEEK_END)
            handled_to = log.tell()
            time.sleep(0.5)  # what was handled by now reaches the listener
            listener.terminate()
            received = sum('"Traffic":"INT050"' in line
                           for line in listener.communicate()[0].splitlines())
            log.seek(handled_from)
            handled = sum(" dispatch INT050" in line for line in log.read(handled_to - handled_from)
                          .splitlines())
            figures.update({"lines_handled": handled, "traffic_signals_received": received})
        return figures
    finally:
        if listener and listener.poll() is None:
            listener.kill()
        rig.close()
        log.close()


result = {
    "no_scripting": stretch(False, False),
    "bus_nobody_listening": stretch(True, False),
    "bus_with_listener": stretch(True, True),
}
print(json.dumps(result, indent=2))
listener = result["bus_with_listener"]
# Traffic goes out in batches, every 200 ms at most: the bus thread wakes about five times a
# second (once a line, some 50 times a second, before), and no line is lost on the way.
ok = (result["bus_nobody_listening"]["bus_thread_wakeups_per_s"] <= 7 and
      listener["traffic_signals_received"] >= listener["lines_handled"])
print("targets met" if ok else "TARGETS MISSED")
