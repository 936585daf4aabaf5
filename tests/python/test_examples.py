"""The examples, run as a user runs them, against the real controller."""

import csv
import datetime
import re
import subprocess

from conftest import source


def example(name, *args):
    return subprocess.run(["/usr/bin/python3", source("examples", name), *args],
                          capture_output=True, text=True, timeout=25)


def test_exposure_series_writes_one_row_per_intensity(rig, tmp_path):
    out = tmp_path / "series.csv"
    run = example("exposure_series.py", "--intensities", "46,48,50,52,54", "--output", str(out))
    assert run.returncode == 0, run.stderr
    with open(out, newline="") as f:
        rows = list(csv.reader(f))
    assert rows[0] == ["intensity_requested", "intensity_reached", "seconds_open", "complete",
                       "end_time"]
    assert [row[0] for row in rows[1:]] == ["46", "48", "50", "52", "54"]
    for requested, reached, seconds_open, complete, _ in rows[1:]:
        assert abs(int(reached) - int(requested)) <= 1
        assert (seconds_open, complete) == ("0.5", "True")
    ends = [datetime.datetime.strptime(row[4], "%Y-%m-%dT%H:%M:%S.%fZ") for row in rows[1:]]
    assert all((b - a).total_seconds() > 0.5 for a, b in zip(ends, ends[1:]))
    assert list(tmp_path.iterdir()) == [out]  # no temporary file left behind


def test_expose_takes_one_exposure(rig):
    run = example("expose.py", "--seconds", "0.5", "--intensity", "45")
    assert run.returncode == 0, run.stderr
    assert re.fullmatch(r"intensity (44|45|46) %\nexposed 0.5 s\nlamp hours \d+\n", run.stdout)
