#!/usr/bin/env python3
"""What the device link costs while nothing happens, and how soon a reply is handled after a
quiet spell.

1. Idle: the controller connected to the simulator, the same with no port open, and
   connected again with the focus on a button instead of the blinking cursor of the first
   step field, each left alone (no automation request) for the measured stretch: CPU share
   of one core from the scheduler's nanosecond counters, and wake-ups a second.
2. Latency: the benchmark is the unit itself, on a pseudo-terminal linked as COM1. After a
   quiet spell it writes one status reply and takes the moment; the controller logs the
   moment it dispatches the line (QT_LOGGING_RULES=vq3.traffic.debug=true, the monotonic
   clock both sides). The difference is from the unit's write to the read-out, which the
   dispatch writes at once.

    VQ3_BIN=build/bin python3 bench/link_latency.py [idle seconds, default 30] [replies, default 100]
"""

import json
import os
import re
import statistics
import sys
import tempfile
import time

from common import Process, Rig

idle_seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
replies = int(sys.argv[2]) if len(sys.argv) > 2 else 100
quiet_s = 0.3


def idle(profile, focus=None):
    rig = Rig(profile=profile)
    try:
        if focus:
            rig.request(cmd="key", path=focus, key="Shift")  # takes the focus, sends nothing
        time.sleep(3)  # start-up and the status query are over
        return Process(rig.controller.pid).measure(idle_seconds)
    finally:
        rig.close()


def latency():
    log = tempfile.TemporaryFile()
    rig = Rig(own_line=True, env={"QT_LOGGING_RULES": "vq3.traffic.debug=true"}, stderr=log)
    try:
        time.sleep(2)
        os.read(rig.unit, 4096)  # the status query of the connection
        written = []
        for i in range(replies):
            time.sleep(quiet_s)
            line = b"INP%02X\r" % (i % 256)
            written.append((time.monotonic() * 1000.0, line[:-1].decode()))
            os.write(rig.unit, line)
        time.sleep(1)
        log.seek(0)
        dispatched = {}
        for match in re.finditer(rb"vq3\.traffic: ([0-9.]+) dispatch (INP[0-9A-F]{2})\b",
                                 log.read()):
            dispatched.setdefault(match.group(2).decode(), []).append(float(match.group(1)))
        delays = []
        for at, text in written:
            times = [t for t in dispatched.get(text, []) if t >= at]
            if times:
                delays.append(min(times) - at)
        delays.sort()
        return {
            "replies": replies,
            "handled": len(delays),
            "p50_ms": round(statistics.median(delays), 2),
            "p95_ms": round(delays[int(0.95 * (len(delays) - 1))], 2),
            "max_ms": round(delays[-1], 2),
        }
    finally:
        rig.close()


result = {
    "idle_connected": idle("[INIT]\r\nPORT=1\r\n"),
    "idle_port_closed": idle("[INIT]\r\nPORT=0\r\n"),
    "idle_connected_no_cursor": idle("[INIT]\r\nPORT=1\r\n", "CControllerDlg/idc_1024"),
    "reply_latency": latency(),
}
print(json.dumps(result, indent=2))
connected, closed = result["idle_connected"], result["idle_port_closed"]
# The link costs nothing: connected wakes no more than closed, and without the blinking
# cursor (Qt's own, two repaints a second) the program uses at most 0.1 % of a core.
ok = (connected["wakeups_per_s"] <= closed["wakeups_per_s"] + 0.5
      and result["idle_connected_no_cursor"]["cpu_percent"] <= 0.1
      and result["reply_latency"]["handled"] == replies
      and result["reply_latency"]["p95_ms"] <= 21)
print("targets met" if ok else "TARGETS MISSED")
