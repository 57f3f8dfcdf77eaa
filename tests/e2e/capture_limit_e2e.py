#!/usr/bin/env python3
"""A capture left running stops by itself: F1, then nothing; after
snap799.bmp the program prints "Stop capturing...", writes no snap800.bmp
and draws the overlay again.

800 frames take a while under a software renderer. The test measures the
capture rate over the first frames and skips (status 77) when the whole run
would not fit in ARBORVANE_E2E_CAPTURE_BUDGET seconds (default 180, inside
CTest's timeout for e2e tests); raise it, and run the script directly, to
force the long run.

Arguments: the arborvane executable and the generated data dir."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail, skip  # noqa: E402
from interaction_view import (CAPTURE_FILE_SIZE, OVERLAY_ALL, Workdir, check_arguments, frames, start,  # noqa: E402
                              white_mask)

LIMIT = 800


def count(directory):
    return len([n for n in os.listdir(directory) if n.startswith("snap")]) if os.path.isdir(directory) else 0


def main():
    exe, data = check_arguments(sys.argv, "capture_limit_e2e.py")
    budget = float(os.environ.get("ARBORVANE_E2E_CAPTURE_BUDGET", "180"))
    began = time.monotonic()
    with Workdir(data) as work, Session() as s:
        p, win = start(s, exe, work)
        # Shadows off: the pass is not what is tested here and halves the frame time.
        s.key(win, "s")
        frames(s, win, 1)
        image_dir = work.image_dir()
        s.key(win, "F1")
        t0 = time.monotonic()
        while count(image_dir) < 10:
            if time.monotonic() - t0 > 120:
                fail("capture wrote %d files in 120 s" % count(image_dir))
            time.sleep(0.1)
        rate = 10 / (time.monotonic() - t0)
        projected = (time.monotonic() - began) + LIMIT / rate + 20
        print("capture runs at %.2f frames/s; 800 frames take about %.0f s in all" % (rate, projected))
        if projected > budget:
            s.key(win, "F1")
            skip("800 captured frames would take about %.0f s here (%.2f frames/s), over the %.0f s budget; "
                 "set ARBORVANE_E2E_CAPTURE_BUDGET to run it" % (projected, rate, budget))

        deadline = time.monotonic() + 2 * LIMIT / rate + 60
        while "Stop capturing..." not in p.stdout_text().splitlines():
            if time.monotonic() > deadline or p.poll() is not None:
                fail("no \"Stop capturing...\" after %d files:\n%s" % (count(image_dir), p.stdout_text()))
            time.sleep(0.5)
        after = frames(s, win, 3)
        after.save_png(s.artifact("capture_limit_after.png"))
        names = sorted(os.listdir(image_dir))
        if names != ["snap%03d.bmp" % n for n in range(LIMIT)]:
            fail("%d files from %s to %s, expected snap000.bmp ... snap799.bmp" % (len(names), names[0], names[-1]))
        wrong = [n for n in names if os.path.getsize(os.path.join(image_dir, n)) != CAPTURE_FILE_SIZE]
        if wrong:
            fail("files of the wrong size: %r" % wrong[:5])
        out = p.stdout_text().splitlines()
        if out.count("Stop capturing...") != 1 or "Stoping capture..." in out:
            fail("expected one \"Stop capturing...\" and no \"Stoping capture...\":\n" + "\n".join(out))
        if len(white_mask(after, OVERLAY_ALL)) < 100:
            fail("the overlay did not come back after the capture stopped")

        s.key(win, "Escape")
        status = p.wait(60)
        if status != 0:
            fail("exit status %d after Esc" % status)
    print("capture stops by itself after 800 frames: ok")


if __name__ == "__main__":
    main()
