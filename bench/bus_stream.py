#!/usr/bin/python3
"""What the bus costs while the unit streams: short replies at the full 9600 baud with the
Terminal shown, the controller's wake-ups and CPU share measured three ways: started with
--no-scripting, with the bus registered and nobody listening, and with a listener
(`vq3ctl --json monitor`) that must get one Traffic signal for every line the controller
handled (counted from the controller's vq3.traffic log). Needs a session bus; without one it
starts its own:

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
        figures = Process(rig.controller.pid).measure(seconds)
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
ok = (result["bus_nobody_listening"]["wakeups_per_s"] <=
      result["no_scripting"]["wakeups_per_s"] * 1.05 and
      listener["traffic_signals_received"] >= listener["lines_handled"])
print("targets met" if ok else "TARGETS MISSED")
