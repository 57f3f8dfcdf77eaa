#!/usr/bin/env python3
"""Planar shadows on the lawn: with shadows on, the ground to the right of the
trunk (away from the light) is much darker than with 's' off, while the lit
side barely changes; the grass blades in the shadow turn darker green over a
few frames and recover after 's' switches the shadows off.

Arguments: the arborvane executable and the generated data dir."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail  # noqa: E402
from ground_view import (LIGHT_SIDE, SHADOW_SIDE, check_arguments, close_up, luminance, mean, settle,  # noqa: E402
                         start, wait_until)


def green(image, box):
    return mean(image, box)[1]


def main():
    exe, data = check_arguments(sys.argv, "shadows_e2e.py")
    with Session() as s:
        p, win = start(s, exe, data)
        close_up(s, win)
        # Shadows are on from the start; let the shaded blades settle.
        on = settle(s, win, 8)
        on.save_png(s.artifact("shadows_on.png"))
        shade_on, lit_on = luminance(on, SHADOW_SIDE), luminance(on, LIGHT_SIDE)

        s.key(win, "s")
        # The first frame without shadow polygons: a clear jump on the shadow side.
        first_off, _ = wait_until(s, win, lambda im: luminance(im, SHADOW_SIDE) > shade_on + 8, 60,
                                  "the shadow side brightening after 's'")
        first_off.save_png(s.artifact("shadows_first_off.png"))
        off = settle(s, win, 10)
        off.save_png(s.artifact("shadows_off.png"))
        shade_off, lit_off = luminance(off, SHADOW_SIDE), luminance(off, LIGHT_SIDE)
        print("luminance shadow side on %.1f off %.1f, lit side on %.1f off %.1f"
              % (shade_on, shade_off, lit_on, lit_off))
        if shade_off - shade_on < 12:
            fail("shadows darken the ground beside the tree by only %.1f" % (shade_off - shade_on))
        if shade_off - shade_on < 3 * abs(lit_off - lit_on):
            fail("the lit side changes as much as the shadow side (%.1f vs %.1f)"
                 % (lit_off - lit_on, shade_off - shade_on))

        # Blades that stood in the shadow were still dark in the first frame
        # without it and ease back to the light green in the following frames.
        recovered = green(off, SHADOW_SIDE) - green(first_off, SHADOW_SIDE)
        lit_drift = green(off, LIGHT_SIDE) - green(first_off, LIGHT_SIDE)
        print("green after 's' off: shadow side +%.1f, lit side %+.1f" % (recovered, lit_drift))
        if recovered < 2 or recovered < 2 * abs(lit_drift):
            fail("the shaded blades do not recover their light green (+%.1f, lit side %+.1f)"
                 % (recovered, lit_drift))

        s.key(win, "s")
        first_on, _ = wait_until(s, win, lambda im: luminance(im, SHADOW_SIDE) < shade_off - 8, 60,
                                 "the shadow returning after 's'")
        again = settle(s, win, 8)
        again.save_png(s.artifact("shadows_on_again.png"))
        darkened = green(first_on, SHADOW_SIDE) - green(again, SHADOW_SIDE)
        print("green after 's' on: shadow side -%.1f" % darkened)
        if darkened < 2:
            fail("the blades under the returning shadow do not darken (%.1f)" % darkened)

        s.key(win, "Escape")
        status = p.wait(30)
        if status != 0:
            fail("exit status %d after Esc\nstderr:\n%s" % (status, p.stderr_text()))
    print("shadows and shaded grass: ok")


if __name__ == "__main__":
    main()
