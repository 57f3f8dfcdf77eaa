#!/usr/bin/env python3
"""arborvane-record --stand:
- a stand of one tree at the origin gives exactly the plain run's trace rows
  (the motion hashes hold), under its own header;
- a two-tree stand's header is the wind columns, then tipK_x..tipK_offset for
  K = 0, 1, and it writes one frame per step;
- a refused stand file exits 2 with one line naming the file and the field,
  and writes nothing: no frame folder, no trace.

Arguments: the recorder. Run from the build directory (./data)."""
import os
import subprocess
import sys
import tempfile

FRAMES = 30
SMALL = ["--frames", str(FRAMES), "--width", "64", "--height", "48", "--gale", "--magnitude", "500"]
WIND = "frame,time,regime,magnitude,dir_x,dir_y,dir_z"


def fail(message):
    sys.exit("FAIL: " + message)


def run(args, status=0):
    r = subprocess.run([sys.argv[1]] + args, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=240)
    if r.returncode != status:
        fail("%s exited %d, expected %d\n%s%s" % (" ".join(args), r.returncode, status, r.stdout, r.stderr))
    return r


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
    return path


def main():
    data = os.path.abspath("data")
    with tempfile.TemporaryDirectory() as tmp:
        one = write(os.path.join(tmp, "one.json"), '{"trees": [{"data": "%s", "seed": 1}]}' % data)
        run(SMALL + ["--seed", "1", "--out", tmp + "/plain", "--trace", tmp + "/plain.csv"])
        run(SMALL + ["--stand", one, "--out", tmp + "/one", "--trace", tmp + "/one.csv"])
        plain, stand = open(tmp + "/plain.csv").read().split("\n", 1), open(tmp + "/one.csv").read().split("\n", 1)
        if stand[0] != WIND + ",tip0_x,tip0_y,tip0_z,tip0_offset":
            fail("one-tree header %r" % stand[0])
        if stand[1] != plain[1]:
            fail("a one-tree stand at the origin moves unlike the plain run")

        two = write(os.path.join(tmp, "two.json"),
                    '{"trees": [{"data": "%s"}, {"data": "%s", "position": [12, -4], "turn": 45, "seed": 2}],'
                    ' "grass": {"extent": [80, 60]}}' % (data, data))
        run(SMALL + ["--stand", two, "--out", tmp + "/two", "--trace", tmp + "/two.csv"])
        lines = open(tmp + "/two.csv").read().splitlines()
        tips = ",".join("tip%d_x,tip%d_y,tip%d_z,tip%d_offset" % (k, k, k, k) for k in (0, 1))
        if lines[0] != WIND + "," + tips or len(lines) != FRAMES + 1:
            fail("two-tree trace: header %r, %d lines" % (lines[0], len(lines)))
        frames = sorted(n for n in os.listdir(tmp + "/two") if n.startswith("snap"))
        if len(frames) != FRAMES:
            fail("two-tree stand wrote %d frames" % len(frames))

        for text, field in [('{"trees": []}', "trees"), ('{"trees": [{"data": "nowhere"}]}', "trees[0].data"),
                            ('{"trees": [{"preset": "no-such-preset"}]}', "trees[0].preset")]:
            bad = write(os.path.join(tmp, "bad.json"), text)
            r = run(SMALL + ["--stand", bad, "--out", tmp + "/bad", "--trace", tmp + "/bad.csv"], status=2)
            line = r.stderr.strip()
            if "\n" in line or not line.startswith("arborvane-record: %s: %s: " % (bad, field)):
                fail("refusal of %s: %r" % (text, r.stderr))
            if os.path.exists(tmp + "/bad") or os.path.exists(tmp + "/bad.csv"):
                fail("a refused stand file left output behind")
    print("ok")


main()
