#!/usr/bin/env python3
"""The wind schedule flags and the trace, in arborvane-record and arborvane-export:
- a schedule file run twice gives the same frames and the same trace, and a
  one-key file the same frames as the plain flags it spells out;
- a bad schedule file, or --wind with a constant-wind flag, exits 2 and
  leaves an earlier run's frames and trace as they were;
- the trace has the header and one row per frame, row k at k x 0.05 s, row 0
  at rest; the exporter's trace equals the recorder's for the same flags.

Arguments: the recorder and the exporter. Run from the build directory (./data)."""
import csv
import hashlib
import json
import os
import subprocess
import sys
import tempfile

HEADER = "frame,time,regime,magnitude,dir_x,dir_y,dir_z,tip_x,tip_y,tip_z,tip_offset"
FRAMES = 40
SMALL = ["--frames", str(FRAMES), "--width", "64", "--height", "48"]
SCHEDULE = {"keys": [{"time": 0, "preset": "breeze"},
                     {"time": 1, "regime": "gale", "magnitude": 600, "direction": [0, 0, 1]}],
            "gusts": {"every": 0.5, "strength": 1.0, "rise": 0.2, "fall": 0.3}, "seed": 3}


def fail(message):
    sys.exit("FAIL: " + message)


def run(program, args, status=0):
    r = subprocess.run([program] + args, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    if r.returncode != status:
        fail("%s %s exited %d, expected %d\n%s%s" % (os.path.basename(program), " ".join(args), r.returncode,
                                                     status, r.stdout, r.stderr))
    return r


def digests(folder):
    return {name: hashlib.sha256(open(os.path.join(folder, name), "rb").read()).hexdigest()
            for name in sorted(os.listdir(folder)) if name.startswith("snap")}


def write_json(path, value):
    with open(path, "w") as f:
        json.dump(value, f)
    return path


def check_rows(path):
    text = open(path).read()
    if text.splitlines()[0] != HEADER:
        fail("%s: header %r" % (path, text.splitlines()[0]))
    rows = list(csv.DictReader(text.splitlines()))
    if [int(r["frame"]) for r in rows] != list(range(FRAMES)):
        fail("%s: %d rows, frames %s..., expected one per frame" % (path, len(rows), [r["frame"] for r in rows[:3]]))
    for k, r in enumerate(rows):
        if abs(float(r["time"]) - 0.05 * k) > 1e-9:
            fail("%s: row %d at time %s" % (path, k, r["time"]))
    first = rows[0]
    if (first["regime"], float(first["magnitude"]), float(first["tip_offset"])) != ("breeze", 10.0, 0.0):
        fail("%s: row 0 is not the first key at rest: %s" % (path, first))
    late = rows[-1]  # after the second key, gusts only ever add
    if late["regime"] != "gale" or float(late["magnitude"]) < 600 or float(late["dir_z"]) != 1.0:
        fail("%s: the last row is not the second key: %s" % (path, late))
    if max(float(r["tip_offset"]) for r in rows) <= 0.0:
        fail("%s: the tree top never moved" % path)
    return text


def main():
    recorder, exporter = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as tmp:
        path = lambda *p: os.path.join(tmp, *p)  # noqa: E731
        schedule = write_json(path("wind.json"), SCHEDULE)
        run(recorder, SMALL + ["--wind", schedule, "--trace", path("a.csv"), "--out", path("a")])
        run(recorder, SMALL + ["--wind", schedule, "--trace", path("b.csv"), "--out", path("b")])
        frames = digests(path("a"))
        if len(frames) != FRAMES or frames != digests(path("b")):
            fail("two runs of one schedule gave different frames")
        trace = check_rows(path("a.csv"))
        if open(path("b.csv")).read() != trace:
            fail("two runs of one schedule gave different traces")
        run(exporter, ["--frames", str(FRAMES), "--quiet", "--wind", schedule, "--trace", path("e.csv"),
                       "--out", path("e.glb")])
        if open(path("e.csv")).read() != trace:
            fail("the exporter's trace differs from the recorder's")

        # The plain flags are a one-key schedule.
        one_key = write_json(path("one.json"), {"keys": [{"time": 0, "regime": "gale", "magnitude": 250,
                                                          "direction": [0, 0, -1]}]})
        run(recorder, SMALL + ["--wind", one_key, "--out", path("c")])
        run(recorder, SMALL + ["--gale", "--magnitude", "250", "--wind-dir", "0,0,-1", "--out", path("d")])
        if digests(path("c")) != digests(path("d")):
            fail("a one-key schedule draws other frames than the same plain flags")

        # Refused before any output: the earlier frames and trace stay.
        bad = write_json(path("bad.json"), {"keys": [{"time": 0, "preset": "storm"}],
                                            "gusts": {"every": 6, "strength": 9, "rise": 1, "fall": 2}})
        for args, said in ((["--wind", bad], "gusts.strength"), (["--wind", schedule, "--magnitude", "5"], "excludes")):
            r = run(recorder, SMALL + args + ["--trace", path("a.csv"), "--out", path("a")], status=2)
            if said not in r.stderr or len(r.stderr.strip().splitlines()) > 2:
                fail("%s: the message does not say %r:\n%s" % (args, said, r.stderr))
            if digests(path("a")) != frames or open(path("a.csv")).read() != trace:
                fail("%s: the refused run touched the earlier frames or trace" % args)
        run(exporter, ["--wind", bad, "--trace", path("e.csv"), "--out", path("e.glb")], status=2)
        if open(path("e.csv")).read() != trace:
            fail("the refused export touched the earlier trace")
    print("schedule runs repeat, the traces agree, bad schedules are refused before any output")


if __name__ == "__main__":
    main()
