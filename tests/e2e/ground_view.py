"""Shared steps of the grass and shadow end-to-end tests: start the program
in the build dir, bring the trunk base and the lawn close, and measure
regions of window screenshots. Not a test by itself (no _e2e suffix)."""
import os
import time

from harness import HarnessError, fail, luminance, mean, skip  # noqa: F401 (mean and luminance are used by the tests that import this)

REQUIRED_DATA = ["tree/tulip_tree.txt", "tree/poplar_leaf.txt", "grass/grass1_5000_50x50_4_len4.txt",
                 "grass/grass01.bmp", "noise/n32_3Du_beta1dot67.txt"]
SKY = (60, 168, 248)

# Window regions (x, y, width, height) of the close-up view set by close_up():
# the light comes from the upper left in front, so the tree's shadow falls to
# the right of the trunk and away from the camera.
SHADOW_SIDE = (480, 420, 300, 100)
LIGHT_SIDE = (20, 440, 300, 150)


def check_arguments(argv, name):
    if len(argv) != 3:
        fail("usage: %s <arborvane> <data dir>" % name)
    exe, data = argv[1], argv[2]
    if not (os.path.isfile(exe) and os.access(exe, os.X_OK)):
        skip("no arborvane executable at " + exe)
    missing = [f for f in REQUIRED_DATA if not os.path.isfile(os.path.join(data, f))]
    if missing:
        skip("data not generated: " + ", ".join(missing))
    return exe, data


def changed_fraction(a, b, box, threshold=20):
    """Share of the region's pixels whose green channel differs by more than threshold."""
    x, y, w, h = box
    pa = a.crop(x, y, w, h).rgb
    pb = b.crop(x, y, w, h).rgb
    return sum(1 for i in range(1, len(pa), 3) if abs(pa[i] - pb[i]) > threshold) / (w * h)


def wait_until(session, win, predicate, timeout, what):
    """Screenshots until predicate(image) holds; returns (image, seconds waited)."""
    start = time.monotonic()
    while True:
        image = session.screenshot(win)
        if predicate(image):
            return image, time.monotonic() - start
        if time.monotonic() - start > timeout:
            image.save_png(session.artifact("timeout.png"))
            fail("%s not seen within %.0f s" % (what, timeout))
        time.sleep(0.2)


def next_frame(session, win, previous, timeout=30):
    """The first screenshot that differs from previous (the scene moves every frame)."""
    return wait_until(session, win, lambda im: im.rgb != previous.rgb, timeout, "a new frame")[0]


def settle(session, win, frames):
    """Waits for the given number of drawn frames; returns the last screenshot."""
    image = session.screenshot(win)
    for _ in range(frames):
        image = next_frame(session, win, image)
    return image


def start(session, exe, data, env=None):
    """Launches the program in the data dir's parent; returns (program, window)."""
    program = session.launch(exe, os.path.dirname(os.path.abspath(data)), env=env)
    try:
        win = session.find_window("^Arborvane$", timeout=90, program=program)
    except HarnessError as e:
        fail("%s\nstdout:\n%s\nstderr:\n%s" % (e, program.stdout_text(), program.stderr_text()))
    # The trunk stands in the middle of the lower half once the scene is drawn.
    wait_until(session, win, lambda im: im.pixel(400, 560) != SKY and im.pixel(400, 5) == SKY
               and im.pixel(400, 560) != (0, 0, 0), 90, "the first frame")
    return program, win


def close_up(session, win):
    """Light breeze (a calmer tree), then Shift-drag up (tree towards the camera)
    and Ctrl-drag up (tree raised): the trunk base and the lawn around it fill
    the lower part of the window."""
    session.key(win, "p")
    session.drag(win, (400, 300), (400, 150), modifiers=("shift",))
    session.drag(win, (400, 300), (400, 200), modifiers=("ctrl",))
    return settle(session, win, 3)
