#!/usr/bin/env python3
"""A unit at the wrong speed sends text that never ends a line, 10 kB a second: the
Terminal is hidden for the first half and shown for the second. Reports the controller's
resident memory growth, the slowest automation round trip (how long a window takes to
answer) and the most lines the traffic view held.

    VQ3_BIN=build/bin bench/endless_line.py [seconds per half, default 45]
"""

import json
import sys
import time

from common import Process, Rig

half_seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 45
VIEW = "CTerminalDlg/idc_1000"

rig = Rig(sim_options=["--stream", "0123456789", "--stream-no-cr", "--stream-rate", "10000",
                       "--stream-after", "3000"])
try:
    # Drawn once before the stream, so that what showing costs once is not counted.
    rig.menu(32788)
    time.sleep(0.3)
    rig.menu(32788)
    while rig.request(cmd="get", path=VIEW, prop="pendingLength")["value"] <= 1000:
        time.sleep(0.1)
    process = Process(rig.controller.pid)
    start_kb = process.status_kb("VmRSS")
    slowest_ms, most_lines = 0.0, 0
    for half in range(2):
        if half == 1:
            rig.menu(32788)  # shown for the second half
        for _ in range(half_seconds):
            time.sleep(1)
            began = time.monotonic()
            lines = rig.request(cmd="get", path=VIEW, prop="viewLines")["value"]
            slowest_ms = max(slowest_ms, (time.monotonic() - began) * 1000)
            most_lines = max(most_lines, lines)
    growth_kb = process.status_kb("VmRSS") - start_kb
    result = {"rss_growth_kb": growth_kb, "slowest_round_trip_ms": round(slowest_ms, 1),
              "most_view_lines": most_lines, "seconds": 2 * half_seconds}
    print(json.dumps(result, indent=2))
    ok = growth_kb <= 1024 and slowest_ms < 100 and most_lines <= 100
    print("targets met" if ok else "TARGETS MISSED")
finally:
    rig.close()
