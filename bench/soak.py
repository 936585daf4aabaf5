#!/usr/bin/env python3
"""Soak: the controller runs against the simulator for a long stretch (default 10 minutes)
while a random mix of operator actions goes through the automation socket: Light Control
buttons (lamp, status, intensity and lamp time reads, holding Up and Down, shutter, exposure
and rest time reads), raw Terminal commands, and the memory step Read and Step buttons.
Setting dialogs are modal and left out. Reports the resident memory at 1, 5 and 10 minutes
(and at the end), the peak (VmHWM), the growth after the first minute, and the CPU share.

    VQ3_BIN=build/bin bench/soak.py [minutes, default 10] [seed]
"""

import json
import os
import random
import sys
import time

from common import CLK_TCK, Process, Rig, operator_action

minutes = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
seed = int(sys.argv[2]) if len(sys.argv) > 2 else int(time.time())
rng = random.Random(seed)


checkpoints = [m for m in (1, 5, 10) if m < minutes] + [minutes]
duration = minutes * 60.0

rig = Rig()
actions = {"click": 0, "hold": 0, "terminal": 0, "failed": 0}
samples = []
try:
    rig.menu(32787)  # show Light Control
    rig.menu(32788)  # show the Terminal
    time.sleep(1)
    process = Process(rig.controller.pid)
    sim = Process(rig.sim.pid)
    t0 = time.monotonic()
    cpu0, sim_cpu0 = process.cpu_ticks(), sim.cpu_ticks()
    pending = list(checkpoints)
    while pending:
        elapsed = time.monotonic() - t0
        if elapsed >= pending[0] * 60.0:
            samples.append({
                "minute": pending.pop(0),
                "rss_mb": round(process.status_kb("VmRSS") / 1024.0, 2),
                "peak_rss_mb": round(process.status_kb("VmHWM") / 1024.0, 2),
                "cpu_percent_so_far": round(
                    100.0 * (process.cpu_ticks() - cpu0) / CLK_TCK / elapsed, 2),
            })
            print(json.dumps(samples[-1]), flush=True)
            continue
        operator_action(rig, rng, actions)
        time.sleep(rng.uniform(0.05, 0.4))
    wall = time.monotonic() - t0
    prompts = rig.request(cmd="prompts")["value"]
    first, last = samples[0], samples[-1]
    result = {
        "minutes": minutes,
        "seed": seed,
        "actions": actions,
        "message_boxes": {text: [p["text"] for p in prompts].count(text)
                          for text in sorted({p["text"] for p in prompts})},
        "samples": samples,
        "rss_growth_after_first_minute_mb": round(last["rss_mb"] - first["rss_mb"], 2),
        "peak_rss_mb": last["peak_rss_mb"],
        "controller_cpu_percent": round(100.0 * (process.cpu_ticks() - cpu0) / CLK_TCK / wall, 2),
        "simulator_cpu_percent": round(100.0 * (sim.cpu_ticks() - sim_cpu0) / CLK_TCK / wall, 2),
    }
    profile = os.path.join(rig.dir, "VQ3_CNT.ini")
    rig.request(cmd="close", path="CControllerDlg")
    code = rig.controller.wait(10)
    with open(profile) as f:
        result["ended_normally"] = code == 0 and "OPENPARAM=" in f.read()
    print(json.dumps(result, indent=2))
    # A few hundred kilobytes of allocator settling is noise; a leak per action is not.
    ok = (result["rss_growth_after_first_minute_mb"] <= 1.0 and actions["failed"] == 0
          and result["ended_normally"])
    print("PASS" if ok else "FAIL")
    sys.exit(0 if ok else 1)
finally:
    rig.close()
