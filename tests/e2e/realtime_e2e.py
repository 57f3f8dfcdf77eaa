#!/usr/bin/env python3
"""Real-time pacing on the real window: 't' adds the fourth overlay line
("Real time", under the wind line) and a second 't' takes it away; the
motion goes on in both modes; Esc still ends the program with status 0.

Arguments: the arborvane executable and the generated data dir."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail  # noqa: E402
from interaction_view import OVERLAY_LINE3, Workdir, check_arguments, frames, start, white_mask  # noqa: E402

# The line under the wind line: same left edge and height, 30 pixels lower.
OVERLAY_LINE4 = (OVERLAY_LINE3[0], OVERLAY_LINE3[1] + 30, 200, OVERLAY_LINE3[3])


def fourth_line(s, win, what):
    image = frames(s, win, 2)
    text = len(white_mask(image, OVERLAY_LINE4))
    print("%s: %d white pixels in the fourth line" % (what, text))
    return image, text


def main():
    exe, data = check_arguments(sys.argv, "realtime_e2e.py")
    with Workdir(data) as work, Session() as s:
        p, win = start(s, exe, work)
        image, before = fourth_line(s, win, "start")
        if before > 4:
            image.save_png(s.artifact("realtime_start.png"))
            fail("a fourth overlay line before 't' (%d white pixels)" % before)
        s.key(win, "t")
        image, on = fourth_line(s, win, "after 't'")
        if on < 40:
            image.save_png(s.artifact("realtime_on.png"))
            fail("no \"Real time\" line after 't' (%d white pixels)" % on)
        s.key(win, "t")
        image, off = fourth_line(s, win, "after a second 't'")
        if off > 4:
            image.save_png(s.artifact("realtime_off.png"))
            fail("the fourth line stayed after the second 't' (%d white pixels)" % off)
        s.key(win, "Escape")
        deadline = time.monotonic() + 30
        while p.poll() is None and time.monotonic() < deadline:
            time.sleep(0.2)
        if p.poll() != 0:
            fail("exit status %s after Esc\nstderr:\n%s" % (p.poll(), p.stderr_text()))
    print("real-time key: fourth line on and off, Esc: ok")


if __name__ == "__main__":
    main()
