#!/usr/bin/python3
"""Soak with scripts: two script processes, each with its own bus connection, make random calls
on the controller's bus interface for a long stretch (default 10 minutes) while the operator
presses buttons through the automation socket, as bench/soak.py does. The simulator refuses
every 7th starting command on purpose (--refuse), so the error paths run too. Records every
call's outcome and duration and the controller's resident memory; PASS when every call ended
with an answer of the controller, none with Timeout or without a reply, and memory grew by at
most 2 MB after the first minute. Needs a session bus; without one it starts its own:

    VQ3_BIN=build/bin python3 bench/soak_scripts.py [minutes, default 10] [seed] [--refuse N]

"""

import argparse
import collections
import json
import os
import random
import subprocess
import sys
import time

try:
    import dbus
except ImportError:
    # python3 may be another interpreter than the system's, which has python3-dbus.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    raise

from common import Process, Rig, bin_dir, operator_action, terminal  # noqa: E402

NAME = "org.vq3_controller.VQ3Controller1"
PATH = "/org/vq3_controller/VQ3Controller1"
# What the controller answers with; anything else (the bus's ServiceUnknown after a crash, a
# mistake in this script) is an unexpected outcome.
CONTROLLER_ERRORS = {"NotConnected", "Busy", "InvalidArgs", "Timeout", "DeviceError",
                     "PortError", "Interrupted"}
NO_REPLY = "NoReply"  # the bus gave up waiting: the call never ended
LONGEST_CALL_S = 70  # SetIntensity's own 60 s and a margin


# --- a script process ---------------------------------------------------------------------

class Script:
    """One script: its own bus connection, random calls, one JSON line per call to a file; a
    "began" line before each call shows which call never ended if the process is killed."""

    def __init__(self, seed, records):
        self.rng = random.Random(seed)
        self.records = records
        bus = dbus.SessionBus()
        remote = bus.get_object(NAME, PATH, introspect=False)
        self.unit = dbus.Interface(remote, NAME + ".Unit")
        self.link = dbus.Interface(remote, NAME + ".Link")

    def write(self, record):
        self.records.write(json.dumps(record) + "\n")
        self.records.flush()

    def call(self, method, member, args, timeout):
        """Makes one call; timeout is the bus's wait, longer than the method's own limit."""
        self.write({"began": method})
        began = time.monotonic()
        try:
            member(*args, timeout=timeout)
            outcome = "done"
        except dbus.exceptions.DBusException as error:
            outcome = (error.get_dbus_name() or "DBusException").rsplit(".", 1)[-1]
        except Exception as error:  # a fault of this script, counted as unexpected
            outcome = "Python" + type(error).__name__
        self.write({"method": method, "outcome": outcome,
                    "seconds": round(time.monotonic() - began, 3)})

    def random_call(self):
        rng, unit, link = self.rng, self.unit, self.link
        seconds = round(rng.uniform(0.1, 1.0), 1)
        wait = round(rng.uniform(0.5, 4.0), 1)
        step_ms = rng.randint(50, 1500)
        # (weight, method, member, arguments, bus timeout in seconds)
        calls = [
            (3, "ReadStatus", unit.ReadStatus, (), 12),
            (3, "ReadIntensity", unit.ReadIntensity, (), 12),
            (3, "ReadLampHours", unit.ReadLampHours, (), 12),
            (3, "ReadRestTime", unit.ReadRestTime, (), 12),
            (3, "ReadStep", unit.ReadStep, (), 12),
            (2, "SetLamp", unit.SetLamp, (dbus.Boolean(rng.random() < 0.7),), 25),
            (1, "WaitLampStable", unit.WaitLampStable, (dbus.Double(wait),), wait + 15),
            (2, "SetShutter", unit.SetShutter, (dbus.Boolean(rng.random() < 0.5),), 20),
            (2, "Expose", unit.Expose, (dbus.Double(seconds),), seconds + 15),
            (2, "StartExposure", unit.StartExposure, (dbus.Double(seconds),), 15),
            (1, "StopExposure", unit.StopExposure, (), 15),
            (1, "SetIntensity", unit.SetIntensity, (dbus.Int32(rng.randint(0, 100)),),
             LONGEST_CALL_S),
            (2, "StepIntensity", unit.StepIntensity,
             (dbus.Int32(rng.choice((1, -1))), dbus.UInt32(step_ms)), step_ms / 1000 + 15),
            (1, "ReadProgram", unit.ReadProgram, (dbus.UInt32(rng.randint(1, 9)),), 15),
            (1, "StartProgram", unit.StartProgram, (dbus.UInt32(rng.choice((1, 1, 2))),), 15),
            (1, "StopProgram", unit.StopProgram, (), 15),
            (1, "Send(INP)", link.Send, (dbus.String("INP"),), 12),
            (1, "Send(XYZ)", link.Send, (dbus.String("XYZ"),), 12),
        ]
        _, method, member, args, timeout = rng.choices(calls, [c[0] for c in calls])[0]
        self.call(method, member, args, timeout)

    def run(self, seconds, stop):
        """Until the time is up, or earlier when the file `stop` appears."""
        end = time.monotonic() + seconds
        while time.monotonic() < end and not os.path.exists(stop):
            if self.rng.random() < 0.04:
                self.call("Claim", self.unit.Claim, (), 15)
                for _ in range(self.rng.randint(1, 4)):
                    self.random_call()
                self.call("Release", self.unit.Release, (), 15)
            else:
                self.random_call()
            time.sleep(self.rng.uniform(0.0, 0.3))


def run_script(seed, seconds, records_path, stop):
    with open(records_path, "w") as records:
        Script(seed, records).run(seconds, stop)


# --- the operator, as in bench/soak.py ----------------------------------------------------

# Program 1 runs 1.5 s, so StartProgram has something to follow and shutter calls meet it.
PROGRAM_1 = "CURE111:050,001.0,080,000.5" + ",000,000.0" * 5




# --- the run ------------------------------------------------------------------------------

def require_refuse_option():
    simulator = os.path.join(bin_dir(), "vq3-simulator")
    usage = subprocess.run([simulator, "--help"], capture_output=True, text=True).stdout
    if "--refuse" not in usage:
        raise SystemExit(f"{simulator} has no --refuse option: build a newer one")


def wait_for_name(seconds=20):
    bus = dbus.SessionBus()
    end = time.monotonic() + seconds
    while not bus.name_has_owner(NAME):
        if time.monotonic() > end:
            raise RuntimeError(f"{NAME} did not appear on the bus")
        time.sleep(0.1)


def read_records(path):
    """The script's finished calls, and the call it began but never finished, if any."""
    calls, pending = [], None
    with open(path) as f:
        for line in f:
            record = json.loads(line)
            if "began" in record:
                pending = record["began"]
            else:
                calls.append(record)
                pending = None
    return calls, pending


def summarize_calls(calls, never_ended):
    outcomes = collections.Counter(c["outcome"] for c in calls)
    by_method = {}
    for method in sorted({c["method"] for c in calls}):
        mine = [c for c in calls if c["method"] == method]
        by_method[method] = {
            "calls": len(mine),
            "outcomes": dict(collections.Counter(c["outcome"] for c in mine).most_common()),
            "mean_s": round(sum(c["seconds"] for c in mine) / len(mine), 3),
            "max_s": max(c["seconds"] for c in mine),
        }
    # WaitLampStable answers Timeout when the lamp is not stable within the time it was given
    # (off, or warming up): its own answer, not a silent unit.
    timeouts = sum(1 for c in calls if c["outcome"] == "Timeout"
                   and c["method"] != "WaitLampStable")
    unexpected = {k: v for k, v in outcomes.items()
                  if k != "done" and k not in CONTROLLER_ERRORS and k != NO_REPLY}
    return {
        "calls": len(calls) + len(never_ended),
        "outcomes": dict(outcomes.most_common()),
        "by_method": by_method,
        "timeouts": timeouts,
        "wait_lamp_stable_timeouts": outcomes["Timeout"] - timeouts,
        "never_ended": outcomes[NO_REPLY] + len(never_ended),
        "killed_during": never_ended,
        "unexpected_outcomes": unexpected,
    }


def memory_sample(process, minute):
    return {"minute": round(minute, 2),
            "rss_mb": round(process.status_kb("VmRSS") / 1024.0, 2),
            "peak_rss_mb": round(process.status_kb("VmHWM") / 1024.0, 2)}


def start_scripts(rig, seconds, seed):
    """The two script processes, each with its records file, and the file that stops them."""
    stop = os.path.join(rig.dir, "stop")
    scripts = []
    for index in range(2):
        records = os.path.join(rig.dir, f"script{index}.jsonl")
        command = [sys.executable, os.path.abspath(__file__), "--script", records,
                   "--seconds", str(seconds), "--script-seed", str(seed * 10 + index + 1),
                   "--stop", stop]
        scripts.append((subprocess.Popen(command), records))
    return scripts, stop


def operate(rig, rng, minutes):
    """Operator actions until the time is up or the controller has gone; memory samples at
    1, 5 and 10 minutes of a 10-minute run, in proportion for other lengths."""
    checkpoints = [minutes * share for share in (0.1, 0.5, 1.0)]
    process = Process(rig.controller.pid)
    actions = collections.Counter({"click": 0, "hold": 0, "terminal": 0, "failed": 0})
    samples = []
    t0 = time.monotonic()
    while checkpoints and rig.controller.poll() is None:
        if time.monotonic() - t0 >= checkpoints[0] * 60.0:
            samples.append(memory_sample(process, checkpoints.pop(0)))
            print(json.dumps(samples[-1]), flush=True)
            continue
        try:
            operator_action(rig, rng, actions)
        except (OSError, ValueError):  # the socket closed: the controller has gone
            actions["failed"] += 1
        time.sleep(rng.uniform(0.05, 0.4))
    return samples, actions


def collect(scripts):
    """Every call the scripts recorded, and the calls of scripts that had to be killed."""
    calls, never_ended = [], []
    for script, records in scripts:
        try:
            # A claim held at the end finishes its few calls first.
            script.wait(5 * LONGEST_CALL_S)
        except subprocess.TimeoutExpired:
            script.kill()
            script.wait()
        mine, pending = read_records(records)
        calls += mine
        if pending:
            never_ended.append(pending)
    return calls, never_ended


def close_controller(rig):
    """The message boxes shown, and whether the controller ended normally when closed."""
    if rig.controller.poll() is not None:
        return {}, False
    prompts = rig.request(cmd="prompts")["value"]
    rig.request(cmd="close", path="CControllerDlg")
    boxes = dict(collections.Counter(p["text"] for p in prompts).most_common())
    return boxes, rig.controller.wait(10) == 0


def soak(options):
    rig = None
    scripts = []
    try:
        require_refuse_option()
        rig = Rig(sim_options=("--refuse", str(options.refuse)))
        wait_for_name()
        rig.menu(32787)  # show Light Control
        rig.menu(32788)  # show the Terminal
        for _ in range(2):  # a refusal on purpose may take the first
            terminal(rig, PROGRAM_1)
        time.sleep(1)
        scripts, stop = start_scripts(rig, options.minutes * 60.0, options.seed)
        samples, actions = operate(rig, random.Random(options.seed), options.minutes)
        open(stop, "w").close()  # when the controller went early
        calls, never_ended = collect(scripts)
        result = {"minutes": options.minutes, "seed": options.seed, "refuse": options.refuse}
        result.update(summarize_calls(calls, never_ended))
        complete = len(samples) == 3
        growth = round(samples[-1]["rss_mb"] - samples[0]["rss_mb"], 2) if complete else None
        result.update({
            "memory": samples,
            "peak_rss_mb": samples[-1]["peak_rss_mb"] if samples else None,
            "rss_growth_after_first_minute_mb": growth,
            "operator_actions": dict(actions),
        })
        result["message_boxes"], result["ended_normally"] = close_controller(rig)
        ok = (complete and growth <= 2.0 and result["never_ended"] == 0
              and result["timeouts"] == 0 and not result["unexpected_outcomes"])
        result["verdict"] = "PASS" if ok else "FAIL"
        print(json.dumps(result, indent=2))
        print(result["verdict"])
        return 0 if ok else 1
    finally:
        for script, _ in scripts:
            if script.poll() is None:
                script.kill()
        if rig:
            rig.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("minutes", nargs="?", type=float, default=10.0)
    parser.add_argument("seed", nargs="?", type=int, default=int(time.time()))
    parser.add_argument("--refuse", type=int, default=7, metavar="N",
                        help="the simulator refuses every Nth starting command (0 never)")
    parser.add_argument("--script", metavar="RECORDS", help=argparse.SUPPRESS)
    parser.add_argument("--seconds", type=float, help=argparse.SUPPRESS)
    parser.add_argument("--script-seed", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--stop", help=argparse.SUPPRESS)
    options = parser.parse_args()
    if options.script:
        run_script(options.script_seed, options.seconds, options.script, options.stop)
        return 0
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])
    return soak(options)


if __name__ == "__main__":
    sys.exit(main())
