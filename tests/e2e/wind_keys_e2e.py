#!/usr/bin/env python3
"""The wind preset keys on the real window, read back from the overlay's wind line:
- '5' (storm) eases the magnitude up over several frames, then it holds;
- '4' (strong gale, 400) eases back to the start's very text "... 400.00";
- 'p' then ends the schedule and acts as always (the line leaves 400.00).

Arguments: the arborvane executable and the generated data dir."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail  # noqa: E402
from interaction_view import OVERLAY_LINE3, Workdir, check_arguments, frames, start, white_mask  # noqa: E402


def line(s, win):
    return frozenset(white_mask(frames(s, win, 1), OVERLAY_LINE3))


def settle(s, win, limit):
    """The wind line each frame until it holds for three frames; all distinct lines seen."""
    seen, last, same = [], None, 0
    for _ in range(limit):
        mask = line(s, win)
        same = same + 1 if mask == last else 0
        if mask not in seen:
            seen.append(mask)
        if same == 2:
            return mask, seen
        last = mask
    fail("the wind line did not settle within %d frames" % limit)


def main():
    exe, data = check_arguments(sys.argv, "wind_keys_e2e.py")
    with Workdir(data) as work, Session() as s:
        p, win = start(s, exe, work)
        start_line = line(s, win)
        if len(start_line) < 100:
            fail("no overlay text in the wind line (%d white pixels)" % len(start_line))
        s.key(win, "5")
        storm, seen = settle(s, win, 200)
        if len(storm ^ start_line) < 30 or len(seen) < 4:
            fail("'5': %d lines on the way, the last differing by %d pixels from the start"
                 % (len(seen), len(storm ^ start_line)))
        print("'5': %d distinct wind lines on the way to the storm" % len(seen))
        s.key(win, "4")
        back, _ = settle(s, win, 200)
        if len(back ^ start_line) > 4:
            fail("'4' did not come back to the start's 400.00 (%d pixels differ)" % len(back ^ start_line))
        s.key(win, "p")
        after_p, _ = settle(s, win, 60)
        if len(after_p ^ start_line) < 30:
            fail("'p' after a preset left the wind line as it was")
        s.key(win, "Escape")
        if p.wait(60) != 0:
            fail("exit status after Esc\nstderr:\n%s" % p.stderr_text())
    print("preset keys ease the overlay's magnitude; p ends the schedule: ok")


if __name__ == "__main__":
    main()
