#!/usr/bin/env python3
"""The harness itself, on a plain X client: its own Xvfb, window search,
geometry, XWD decoding, keys and teardown. Needs no Arborvane build."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import HarnessError, Session, fail, near, skip  # noqa: E402

SKY = (60, 168, 248)
RED = (255, 0, 0)


def main():
    xlogo = shutil.which("xlogo")
    if xlogo is None:
        skip("xlogo (x11-apps) is not installed")
    displays = []
    with Session() as s:
        displays.append(s.display)
        p = s.launch(xlogo, s.tmp, ["-bg", "#3ca8f8", "-fg", "#ff0000", "-geometry", "320x240+10+20"])
        win = s.find_window("^xlogo$", program=p)
        if s.window_name(win) != "xlogo":
            fail("window title %r" % s.window_name(win))
        geometry = s.geometry(win)
        if geometry[2:] != (320, 240):
            fail("geometry %r, expected 320 x 240" % (geometry,))
        image = s.screenshot(win)
        image.save_png(s.artifact("harness_xlogo.png"))
        if (image.width, image.height) != (320, 240):
            fail("screenshot is %d x %d" % (image.width, image.height))
        if not near(image.pixel(2, 2), SKY, 0) or not near(image.pixel(317, 237), SKY, 0):
            fail("corner pixels %r %r, expected %r" % (image.pixel(2, 2), image.pixel(317, 237), SKY))
        if image.count(lambda r, g, b: (r, g, b) == RED) < 5000:
            fail("too few logo pixels")
        # The whole screen: the window sits at (10, 20) on the server's black root.
        root = s.screenshot()
        if (root.width, root.height) != (1280, 1024) or not near(root.pixel(12, 22), SKY, 0):
            fail("root screenshot %dx%d, pixel %r" % (root.width, root.height, root.pixel(12, 22)))
        # A window partly off the screen comes back full size in window coordinates.
        q = s.launch(xlogo, s.tmp, ["-bg", "#3ca8f8", "-geometry", "100x80+-5+-7", "-name", "offscreen"])
        off = s.find_window("^offscreen$", program=q)
        shot = s.screenshot(off)
        if (shot.width, shot.height) != (100, 80):
            fail("off-screen window screenshot is %d x %d" % (shot.width, shot.height))
        if shot.pixel(4, 6) != (0, 0, 0) or not near(shot.pixel(5, 7), SKY, 0):
            fail("off-screen part %r, first visible pixel %r" % (shot.pixel(4, 6), shot.pixel(5, 7)))
        s.key(win, "q")  # any key: only exercises the input path
        xvfb_pid = s.xvfb.pid
        program_pid = p.pid
    # Teardown ended both processes.
    for pid in (xvfb_pid, program_pid):
        try:
            os.kill(pid, 0)
            with open("/proc/%d/stat" % pid) as f:
                if f.read().split()[2] != "Z":
                    fail("process %d still running after the session" % pid)
        except (ProcessLookupError, FileNotFoundError):
            pass
    # A failing body still tears down.
    try:
        with Session() as s:
            s.launch(xlogo, s.tmp)
            raise HarnessError("deliberate")
    except HarnessError:
        pass
    print("harness ok on display %s" % displays[0])


if __name__ == "__main__":
    main()
