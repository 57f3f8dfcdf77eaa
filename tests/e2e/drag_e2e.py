#!/usr/bin/env python3
"""Left-button drags on the real window: a plain drag turns the tree and the
ground (the horizon tilts) while the overlay text stays put; 'r' undoes it;
Shift-drag brings the tree nearer along z (bigger crown, same horizon);
Ctrl-drag moves it right and up; after the menu entry "Control light" a drag
changes the bark shading but neither the unlit leaves nor the tree's place;
after "Control wind direction" a drag turns the red wind arrow.

Arguments: the arborvane executable and the generated data dir."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail  # noqa: E402
from interaction_view import (OVERLAY_LINE3, TRUNK_BASE, Workdir, check_arguments, choose_menu, crown,  # noqa: E402
                              frames, horizon, leaf_colour, luminance, start, white_mask)

LEFT, RIGHT = 15, 785  # horizon columns, clear of the tree at the start view


def horizons(image):
    return horizon(image, LEFT), horizon(image, RIGHT)


def red_pixels(image, box=(300, 500, 300, 100)):
    """The wind arrow's pure red pixels around the trunk base."""
    x0, y0, w, h = box
    out = set()
    # A window at (-1, -1) (no window manager) gives 799 x 599 screenshots.
    for y in range(y0, min(y0 + h, image.height)):
        for x in range(x0, min(x0 + w, image.width)):
            r, g, b = image.pixel(x, y)
            if r > 150 and g < 60 and b < 60:
                out.add((x, y))
    return out


def reset(s, win, rest):
    s.key(win, "r")
    image = frames(s, win, 2)
    if any(abs(a - b) > 1 for a, b in zip(horizons(image), rest)):
        image.save_png(s.artifact("drag_reset.png"))
        fail("after 'r' the horizon is at %r, at the start %r" % (horizons(image), rest))
    return image


def main():
    exe, data = check_arguments(sys.argv, "drag_e2e.py")
    with Workdir(data) as work, Session() as s:
        p, win = start(s, exe, work)
        first = frames(s, win, 1)
        rest = frames(s, win, 2)
        rest.save_png(s.artifact("drag_start.png"))
        if horizons(first) != horizons(rest) or None in horizons(rest):
            fail("the horizon moves without input: %r then %r" % (horizons(first), horizons(rest)))
        text = white_mask(rest, OVERLAY_LINE3)
        if len(text) < 100:
            fail("no overlay text found in the third line (%d white pixels)" % len(text))
        print("start: %d x %d screenshot, horizon %r, crown %r"
              % (rest.width, rest.height, horizons(rest), crown(rest)))

        # Plain drag to the right: the arcball turns tree and ground together.
        s.drag(win, (400, 450), (700, 450))
        turned = frames(s, win, 2)
        turned.save_png(s.artifact("drag_rotate.png"))
        print("plain drag: horizon %r" % (horizons(turned),))
        if max(abs(a - b) for a, b in zip(horizons(turned), horizons(rest))) < 8:
            fail("a plain drag did not turn the ground: horizon %r, before %r" % (horizons(turned), horizons(rest)))
        moved = len(white_mask(turned, OVERLAY_LINE3) ^ text)
        if moved > 4:
            fail("the overlay text changed under a tree drag (%d pixels)" % moved)

        # Shift-drag up: along z towards the camera.
        base = reset(s, win, horizons(rest))
        before = crown(base)
        s.drag(win, (400, 300), (400, 150), modifiers=("shift",))
        near = frames(s, win, 2)
        near.save_png(s.artifact("drag_zoom.png"))
        after = crown(near)
        print("shift-drag: crown %r -> %r, horizon %r" % (before, after, horizon(near, LEFT)))
        if after[0] < 1.4 * before[0]:
            fail("Shift-drag up did not bring the tree nearer: crown %d -> %d pixels" % (before[0], after[0]))
        if abs(horizon(near, LEFT) - horizon(base, LEFT)) > 3:
            fail("Shift-drag moved the ground up or down: horizon %d -> %d"
                 % (horizon(base, LEFT), horizon(near, LEFT)))

        # Ctrl-drag right and up: x and y.
        base = reset(s, win, horizons(rest))
        before = crown(base)
        s.drag(win, (400, 300), (550, 210), modifiers=("ctrl",))
        panned = frames(s, win, 2)
        panned.save_png(s.artifact("drag_pan.png"))
        after = crown(panned)
        print("ctrl-drag: crown centre x %.0f -> %.0f, horizon %d -> %d"
              % (before[1], after[1], horizon(base, LEFT), horizon(panned, LEFT)))
        if after[1] - before[1] < 80:
            fail("Ctrl-drag right did not move the tree right: centre x %.0f -> %.0f" % (before[1], after[1]))
        if horizon(base, LEFT) - horizon(panned, LEFT) < 6:
            fail("Ctrl-drag up did not raise the ground: horizon %d -> %d"
                 % (horizon(base, LEFT), horizon(panned, LEFT)))

        # The light: bark shading changes, the unlit leaves and the tree's place do not.
        reset(s, win, horizons(rest))
        choose_menu(s, win, "Control light")
        lit = frames(s, win, 2)
        lit.save_png(s.artifact("drag_light_before.png"))
        s.drag(win, (400, 590), (600, 10))
        relit = frames(s, win, 2)
        relit.save_png(s.artifact("drag_light_after.png"))
        bark = luminance(relit, TRUNK_BASE) - luminance(lit, TRUNK_BASE)
        leaves = [b - a for a, b in zip(leaf_colour(lit), leaf_colour(relit))]
        print("light drag: bark luminance %+.1f, leaf colour %s, horizon %r -> %r"
              % (bark, ["%+.1f" % d for d in leaves], horizons(lit), horizons(relit)))
        if any(abs(a - b) > 1 for a, b in zip(horizons(relit), horizons(lit))):
            fail("a drag in light mode moved the ground: horizon %r -> %r" % (horizons(lit), horizons(relit)))
        if abs(bark) < 15:
            fail("a light drag hardly changed the bark shading (%+.1f)" % bark)
        # Leaves turn in the wind and show either face, so their mean colour drifts a little.
        if max(abs(d) for d in leaves) > 8 or abs(bark) < 3 * max(abs(d) for d in leaves):
            fail("a light drag changed the unlit leaves' colour by %s (bark %+.1f)" % (leaves, bark))

        # The wind direction: the red arrow at the trunk base turns, the ground does not.
        choose_menu(s, win, "Control wind direction")
        calm = frames(s, win, 2)
        s.drag(win, (100, 590), (700, 590))
        blown = frames(s, win, 2)
        blown.save_png(s.artifact("drag_wind.png"))
        arrow_before, arrow_after = red_pixels(calm), red_pixels(blown)
        changed = len(arrow_before ^ arrow_after)
        print("wind drag: arrow %d -> %d red pixels, %d changed; horizon %r -> %r"
              % (len(arrow_before), len(arrow_after), changed, horizons(calm), horizons(blown)))
        if len(arrow_before) < 20:
            fail("no red wind arrow at the trunk base (%d red pixels)" % len(arrow_before))
        if changed < len(arrow_before) // 2:
            fail("a drag in wind mode did not turn the arrow (%d of %d red pixels changed)"
                 % (changed, len(arrow_before)))
        if any(abs(a - b) > 1 for a, b in zip(horizons(blown), horizons(calm))):
            fail("a drag in wind mode moved the ground: horizon %r -> %r" % (horizons(calm), horizons(blown)))

        s.key(win, "Escape")
        status = p.wait(60)
        if status != 0:
            fail("exit status %d after Esc\nstderr:\n%s" % (status, p.stderr_text()))
    print("drags of the tree, its placement and the light: ok")


if __name__ == "__main__":
    main()
