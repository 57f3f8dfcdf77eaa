#!/usr/bin/env python3
"""Keys and the regime menu entry on the real window:
- 'p', 'p', then sixty Right presses bring the overlay's wind line back to
  the gale at 400.00; the menu entry "Breeze/gale" changes the line and a
  second choice restores it;
- F1 prints "Starting capture...", creates the missing ./image/ and writes
  snap000.bmp onward (1,440,054 bytes each, no overlay text in them); a
  second F1 prints "Stoping capture..." and the files stop;
- a capture that cannot write its files says so once, naming the file;
- F10 goes full screen and back to 800 x 600 at (4, 35);
- Esc ends the program with status 0.

Arguments: the arborvane executable and the generated data dir."""
import os
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail  # noqa: E402
from interaction_view import (CAPTURE_FILE_SIZE, OVERLAY_ALL, OVERLAY_LINE3, Workdir, check_arguments,  # noqa: E402
                              choose_menu, frames, is_sky, read_bmp, start, wait_until, white_mask)

SNAP = re.compile(r"^snap(\d{3})\.bmp$")


def wait_for_line(p, line, timeout):
    deadline = time.monotonic() + timeout
    while line not in p.stdout_text().splitlines():
        if time.monotonic() > deadline or p.poll() is not None:
            fail("no line %r on standard output:\n%s" % (line, p.stdout_text()))
        time.sleep(0.2)


def snaps(directory):
    if not os.path.isdir(directory):
        return []
    return sorted(name for name in os.listdir(directory) if SNAP.match(name))


def check_text(s, win, reference, same, what):
    image = frames(s, win, 2)
    diff = len(white_mask(image, OVERLAY_LINE3) ^ reference)
    print("%s: %d text pixels differ" % (what, diff))
    if same and diff > 4:
        image.save_png(s.artifact("keys_text.png"))
        fail("%s: the wind line should read as at the start, %d pixels differ" % (what, diff))
    if not same and diff < 30:
        image.save_png(s.artifact("keys_text.png"))
        fail("%s: the wind line did not change (%d pixels differ)" % (what, diff))


def main():
    exe, data = check_arguments(sys.argv, "keys_e2e.py")
    with Workdir(data) as work, Session() as s:
        p, win = start(s, exe, work)
        start_view = frames(s, win, 1)
        gale400 = white_mask(start_view, OVERLAY_LINE3)
        if len(gale400) < 100:
            fail("no overlay text in the wind line (%d white pixels)" % len(gale400))

        # Regime and magnitude, read back from the overlay's wind line.
        s.key(win, "p")
        check_text(s, win, gale400, False, "'p' (light breeze, 10.00)")
        s.key(win, "p")
        check_text(s, win, gale400, False, "second 'p' (moderate gale, 100.00)")
        s.key(win, *(["Right"] * 60), delay_ms=20)
        check_text(s, win, gale400, True, "sixty Right presses (moderate gale, 400.00)")
        choose_menu(s, win, "Breeze/gale")
        check_text(s, win, gale400, False, "menu Breeze/gale (light breeze, 400.00)")
        choose_menu(s, win, "Breeze/gale")
        check_text(s, win, gale400, True, "menu Breeze/gale again (moderate gale, 400.00)")

        # Capture into a directory that does not exist yet.
        image_dir = work.image_dir()
        if os.path.exists(image_dir):
            fail("./image exists before the first capture")
        s.key(win, "F1")
        wait_for_line(p, "Starting capture...", 30)
        deadline = time.monotonic() + 120
        while len(snaps(image_dir)) < 3:
            if time.monotonic() > deadline:
                fail("capture wrote %r within 120 s" % snaps(image_dir))
            time.sleep(0.2)
        s.key(win, "F1")
        wait_for_line(p, "Stoping capture...", 30)
        frames(s, win, 2)
        written = snaps(image_dir)
        frames(s, win, 2)
        if snaps(image_dir) != written:
            fail("files still appear after the second F1: %r then %r" % (written, snaps(image_dir)))
        expected = ["snap%03d.bmp" % n for n in range(len(written))]
        if written != expected:
            fail("capture files %r, expected %r" % (written, expected))
        print("capture wrote %s ... %s" % (written[0], written[-1]))
        for name in written:
            path = os.path.join(image_dir, name)
            if os.path.getsize(path) != CAPTURE_FILE_SIZE:
                fail("%s is %d bytes, expected %d" % (name, os.path.getsize(path), CAPTURE_FILE_SIZE))
        for name in (written[0], written[-1]):
            picture, size_field = read_bmp(os.path.join(image_dir, name))
            picture.save_png(s.artifact("keys_" + name.replace(".bmp", ".png")))
            if (picture.width, picture.height, size_field) != (800, 600, CAPTURE_FILE_SIZE):
                fail("%s: %d x %d, size field %d" % (name, picture.width, picture.height, size_field))
            if not is_sky(*picture.pixel(400, 5)) or is_sky(*picture.pixel(400, 560)):
                fail("%s does not hold the scene (sky at the top, trunk at the bottom)" % name)
            text = len(white_mask(picture, OVERLAY_ALL))
            if text > 5:
                fail("%s holds overlay text (%d white pixels)" % (name, text))

        # A capture that cannot write: ./image is a plain file now.
        shutil.rmtree(image_dir)
        with open(image_dir, "w") as f:
            f.write("not a directory\n")
        s.key(win, "F1")
        wait_for_line(p, "Starting capture...", 30)
        frames(s, win, 3)
        s.key(win, "F1")
        deadline = time.monotonic() + 30
        while p.stdout_text().splitlines().count("Stoping capture...") < 2:
            if time.monotonic() > deadline:
                fail("no second \"Stoping capture...\":\n" + p.stdout_text())
            time.sleep(0.2)
        reports = [line for line in p.stdout_text().splitlines() if line.startswith("Cannot write capture file")]
        if reports != ["Cannot write capture file ./image/snap000.bmp: Not a directory"]:
            fail("expected one report naming ./image/snap000.bmp, got %r" % reports)
        os.remove(image_dir)

        # Full screen and back.
        screen_w, screen_h = (int(v) for v in s.screen.split("x")[:2])
        s.key(win, "F10")
        full = wait_until(s, win, lambda im: (im.width, im.height) == (screen_w, screen_h), 60, "full screen")
        full = frames(s, win, 2)
        full.save_png(s.artifact("keys_fullscreen.png"))
        if s.geometry(win) != (0, 0, screen_w, screen_h):
            fail("full screen geometry %r, expected (0, 0, %d, %d)" % (s.geometry(win), screen_w, screen_h))
        if not is_sky(*full.pixel(screen_w // 2, 5)) or full.pixel(screen_w - 5, screen_h - 5) in ((0, 0, 0), ):
            fail("the full-screen frame does not fill the screen")
        s.key(win, "F10")
        wait_until(s, win, lambda im: (im.width, im.height) == (800, 600), 60, "the 800 x 600 window again")
        back = frames(s, win, 2)
        back.save_png(s.artifact("keys_window_again.png"))
        if s.geometry(win) != (4, 35, 800, 600):
            fail("window geometry %r after the second F10, expected (4, 35, 800, 600)" % (s.geometry(win),))

        s.key(win, "Escape")
        status = p.wait(60)
        if status != 0:
            fail("exit status %d after Esc\nstderr:\n%s" % (status, p.stderr_text()))
        lines = [line for line in p.stdout_text().splitlines() if "capture" in line.lower()]
        print("\n".join(lines))
    print("keys, regime menu, capture start/stop, full screen, Esc: ok")


if __name__ == "__main__":
    main()
