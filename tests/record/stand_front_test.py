#!/usr/bin/env python3
"""A wind front crossing a two-tree stand: the trees stand d = 20 apart along
the wind, the keys' front moves at 10 units per second, so the far tree's top
answers the change d / front_speed = 2 s after the near one's, within 20 %
(read from the stand's trace: the first frame each top's offset passes 40 %
of its own largest).

Arguments: the recorder. Run from the build directory (./data)."""
import csv
import json
import os
import subprocess
import sys
import tempfile

D, SPEED = 20.0, 10.0


def fail(message):
    sys.exit("FAIL: " + message)


def main():
    data = os.path.abspath("data")
    with tempfile.TemporaryDirectory() as tmp:
        stand = os.path.join(tmp, "stand.json")
        json.dump({"trees": [{"data": data}, {"data": data, "position": [D, 0]}]}, open(stand, "w"))
        wind = os.path.join(tmp, "wind.json")
        json.dump({"front_speed": SPEED,
                   "keys": [{"time": 0, "regime": "gale", "magnitude": 0, "direction": [1, 0, 0]},
                            {"time": 1, "magnitude": 0}, {"time": 1.2, "magnitude": 700}]}, open(wind, "w"))
        r = subprocess.run([sys.argv[1], "--stand", stand, "--wind", wind, "--frames", "120", "--width", "64",
                            "--height", "48", "--out", tmp + "/frames", "--trace", tmp + "/trace.csv"],
                           stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=280)
        if r.returncode != 0:
            fail("recorder exited %d\n%s%s" % (r.returncode, r.stdout, r.stderr))
        rows = list(csv.DictReader(open(tmp + "/trace.csv")))
    answers = []
    for k in (0, 1):
        offsets = [float(row["tip%d_offset" % k]) for row in rows]
        peak = max(offsets)
        if peak <= 0.05:
            fail("tree %d did not move (largest offset %.3f)" % (k, peak))
        answers.append(next(float(row["time"]) for row, o in zip(rows, offsets) if o > 0.4 * peak))
    lag, expected = answers[1] - answers[0], D / SPEED
    print("near top answers at %.2f s, far at %.2f s: lag %.2f s, expected %.2f s" % (answers[0], answers[1], lag,
                                                                                     expected))
    if abs(lag - expected) > 0.2 * expected:
        fail("the front's lag %.2f s is not within 20 %% of %.2f s" % (lag, expected))


main()
