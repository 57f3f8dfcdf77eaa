#!/usr/bin/env python3
"""arborvane-record with another tree's data folder, offscreen.

  other_tree_test.py RECORDER GROW

Grows the tulip and columnar presets into folders of their own and records
frame 12 of each. The tulip folder must give the default data's frame byte
for byte (the folder really is what is read, and nothing else changes), the
columnar one a clearly different picture. Run from the build directory (./data)."""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from record_test import read_bmp  # noqa: E402

ARGS = ["--frames", "13", "--width", "200", "--height", "150", "--seed", "1", "--gale"]
FRAME = "snap012.bmp"


def frame(recorder, folder, out):
    args = list(ARGS) + ["--out", out]
    if folder:
        args += ["--data", folder]
    r = subprocess.run([recorder] + args, capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        sys.exit(f"FAIL: recorder exited {r.returncode} for {folder or './data'}\n{r.stdout}\n{r.stderr}")
    return read_bmp(os.path.join(out, FRAME))


def main():
    recorder, grow = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        for preset in ("tulip", "columnar"):
            r = subprocess.run([grow, "--preset", preset, "--out", os.path.join(tmp, preset)],
                               capture_output=True, text=True)
            if r.returncode != 0:
                sys.exit(f"FAIL: arborvane-grow --preset {preset} exited {r.returncode}\n{r.stderr}")
        default = frame(recorder, None, os.path.join(tmp, "default-frames"))
        tulip = frame(recorder, os.path.join(tmp, "tulip"), os.path.join(tmp, "tulip-frames"))
        columnar = frame(recorder, os.path.join(tmp, "columnar"), os.path.join(tmp, "columnar-frames"))
    if tulip != default:
        sys.exit("FAIL: the tulip preset's folder does not give the default data's frame")
    width, height, rows = default
    differing = sum(1 for a, b in zip(rows, columnar[2]) for x in range(0, len(a), 3)
                    if max(abs(a[x + k] - b[x + k]) for k in range(3)) > 24)
    share = differing / (width * height)
    print(f"other tree: {share:.1%} of the pixels differ from the default tree's frame")
    if share < 0.05:
        sys.exit("FAIL: the columnar tree's frame is hardly different from the default tree's")


if __name__ == "__main__":
    main()
