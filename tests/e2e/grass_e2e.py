#!/usr/bin/env python3
"""The lawn: grass blades stand around the trunk and move from frame to frame;
without the grass file the same view shows only the still ground.

Arguments: the arborvane executable and the generated data dir."""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail  # noqa: E402
from ground_view import LIGHT_SIDE, changed_fraction, check_arguments, close_up, mean, next_frame, start  # noqa: E402

# Lawn left of the trunk base and in front of it: no tree, no tree shadow.
BESIDE_TRUNK = (250, 470, 120, 110)
REGIONS = {"lit side": LIGHT_SIDE, "beside the trunk": BESIDE_TRUNK}


def view_lawn(s, exe, data, name):
    """Close-up of the trunk base; returns two consecutive frames."""
    p, win = start(s, exe, data)
    close_up(s, win)
    first = s.screenshot(win)
    second = next_frame(s, win, first)
    second = next_frame(s, win, second)
    second.save_png(s.artifact(name))
    s.key(win, "Escape")
    status = p.wait(30)
    if status != 0:
        fail("exit status %d after Esc\nstderr:\n%s" % (status, p.stderr_text()))
    return first, second, p.stdout_text()


def main():
    exe, data = check_arguments(sys.argv, "grass_e2e.py")
    work = tempfile.mkdtemp(prefix="arborvane_grass_")
    try:
        # One X server per run: a server whose last client has just left
        # resets and may refuse the next connection.
        with Session() as s:
            lawn = view_lawn(s, exe, data, "grass_close_up.png")
        bare_data = os.path.join(work, "data")
        shutil.copytree(data, bare_data)
        os.remove(os.path.join(bare_data, "grass", "grass1_5000_50x50_4_len4.txt"))
        with Session() as s:
            bare = view_lawn(s, exe, bare_data, "grass_absent.png")

        if "File loading error!" not in bare[2].splitlines():
            fail("the run without the grass file did not report it:\n" + bare[2])
        for name, box in REGIONS.items():
            moving = changed_fraction(lawn[0], lawn[1], box)
            still = changed_fraction(bare[0], bare[1], box)
            differs = changed_fraction(lawn[1], bare[1], box)
            print("%s: %.1f%% of pixels move with grass, %.1f%% without; %.1f%% differ from bare ground"
                  % (name, 100 * moving, 100 * still, 100 * differs))
            print("   mean colour with grass %s, without %s" % (
                tuple(round(v) for v in mean(lawn[1], box)), tuple(round(v) for v in mean(bare[1], box))))
            if moving < 0.03:
                fail("grass %s does not move between frames (%.1f%%)" % (name, 100 * moving))
            if still > 0.01:
                fail("the bare ground %s changes between frames (%.1f%%)" % (name, 100 * still))
            # Narrow blades over a green ground: about one pixel in eight differs clearly.
            if differs < 0.05:
                fail("no grass blades %s: only %.1f%% of pixels differ from bare ground" % (name, 100 * differs))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("grass field: ok")


if __name__ == "__main__":
    main()
