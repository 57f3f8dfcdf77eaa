"""Shared steps of the interaction end-to-end tests: start the program in a
scratch working dir (data linked in, so captures land there), wait for
frames, pick menu entries, and measure the scene in window screenshots.
Not a test by itself (no _e2e suffix)."""
import os
import shutil
import tempfile
import time

from harness import HarnessError, Image, fail, luminance, mean, skip  # noqa: F401 (luminance is used by the tests that import this)

REQUIRED_DATA = ["tree/tulip_tree.txt", "tree/poplar_leaf.txt", "tree/tulip_trunk.bmp", "tree/ground.bmp",
                 "grass/grass1_5000_50x50_4_len4.txt", "grass/grass01.bmp", "noise/n32_3Du_beta1dot67.txt"]
SKY = (60, 168, 248)
MENU_ENTRIES = ["Breeze/gale", "Control wind direction", "Control tree", "Control light"]
CAPTURE_FILE_SIZE = 54 + 800 * 600 * 3

# Window regions (x, y, width, height) of the 800 x 600 window at the start view.
OVERLAY_LINE3 = (10, 68, 480, 28)     # "Motion in the ..., wind magnitude = ..."
OVERLAY_ALL = (10, 8, 480, 88)        # the three overlay lines
TRUNK_BASE = (394, 480, 12, 90)       # lower trunk, which the wind hardly moves
CROWN_ROWS = (100, 300)               # above the horizon, below the overlay


def check_arguments(argv, name):
    if len(argv) != 3:
        fail("usage: %s <arborvane> <data dir>" % name)
    exe, data = argv[1], argv[2]
    if not (os.path.isfile(exe) and os.access(exe, os.X_OK)):
        skip("no arborvane executable at " + exe)
    missing = [f for f in REQUIRED_DATA if not os.path.isfile(os.path.join(data, f))]
    if missing:
        skip("data not generated: " + ", ".join(missing))
    return exe, os.path.abspath(data)


class Workdir:
    """A scratch working dir with ./data linked to the generated data."""

    def __init__(self, data):
        self.path = tempfile.mkdtemp(prefix="arborvane_interact_")
        os.symlink(data, os.path.join(self.path, "data"))

    def image_dir(self):
        return os.path.join(self.path, "image")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.path, ignore_errors=True)
        return False


def is_sky(r, g, b, tolerance=6):
    return abs(r - SKY[0]) <= tolerance and abs(g - SKY[1]) <= tolerance and abs(b - SKY[2]) <= tolerance


def start(session, exe, workdir):
    """Launches the program in workdir; returns (program, window) once a frame is drawn."""
    program = session.launch(exe, workdir.path)
    try:
        win = session.find_window("^Arborvane$", timeout=120, program=program)
    except HarnessError as e:
        fail("%s\nstdout:\n%s\nstderr:\n%s" % (e, program.stdout_text(), program.stderr_text()))
    wait_until(session, win, lambda im: is_sky(*im.pixel(400, 5)) and im.pixel(400, 560) != SKY
               and im.pixel(400, 560) != (0, 0, 0) and horizon(im, 15) is not None, 120, "the first frame")
    return program, win


def screenshot(session, win, attempts=5):
    """session.screenshot, retried: GetImage on the window now and then fails
    with BadMatch while a GLUT menu closes."""
    for attempt in range(attempts):
        try:
            return session.screenshot(win)
        except HarnessError as e:
            if attempt == attempts - 1:
                raise
            print("screenshot retried: %s" % str(e).splitlines()[0])
            time.sleep(0.3)


def wait_until(session, win, predicate, timeout, what):
    """Screenshots until predicate(image) holds; returns the image."""
    deadline = time.monotonic() + timeout
    while True:
        image = screenshot(session, win)
        if predicate(image):
            return image
        if time.monotonic() > deadline:
            image.save_png(session.artifact("timeout.png"))
            fail("%s not seen within %.0f s" % (what, timeout))
        time.sleep(0.2)


def frames(session, win, count, timeout=60):
    """Waits until count new frames were drawn (the tree moves every frame); returns the last."""
    image = screenshot(session, win)
    for _ in range(count):
        previous = image
        image = wait_until(session, win, lambda im: im.rgb != previous.rgb, timeout, "a new frame")
    return image


def choose_menu(session, win, entry, at=(100, 200)):
    """Opens the right-button menu at `at` and releases the button over the entry."""
    index = MENU_ENTRIES.index(entry)
    session.focus(win)
    session.mouse_move(win, *at)
    session.mouse_down(3)
    deadline = time.monotonic() + 60
    menu = None
    while menu is None:
        try:
            menu = session.find_window("^freeglut menu$", timeout=1)
        except HarnessError:
            if time.monotonic() > deadline:
                session.mouse_up(3)
                fail("the right-button menu did not open")
    mx, my, mw, mh = session.geometry(menu)
    wx, wy, _, _ = session.geometry(win)
    x = mx - wx + mw // 3
    y = my - wy + int(mh * (index + 0.5) / len(MENU_ENTRIES))
    # Move in steps so the menu sees the pointer enter and highlight the entry.
    for k in range(1, 6):
        session.mouse_move(win, at[0] + (x - at[0]) * k // 5, at[1] + (y - at[1]) * k // 5)
        time.sleep(0.05)
    frames(session, win, 2)
    session.mouse_up(3)
    frames(session, win, 1)


# --- measures ---------------------------------------------------------------------------------

def horizon(image, x):
    """Topmost row of ground in column x, scanning up from the bottom: the first
    row above which three sky pixels follow. None if the column has no sky."""
    for y in range(image.height - 4, 2, -1):
        if all(is_sky(*image.pixel(x, y - k)) for k in range(3)):
            return y + 1
    return None


def crown(image, rows=CROWN_ROWS):
    """(count, mean x) of the non-sky pixels in the rows above the horizon, every second pixel."""
    rgb, w = image.rgb, image.width
    n = sx = 0
    for y in range(rows[0], rows[1], 2):
        base = 3 * y * w
        for x in range(0, w, 2):
            i = base + 3 * x
            if not is_sky(rgb[i], rgb[i + 1], rgb[i + 2]):
                n += 1
                sx += x
    return n, (sx / n if n else None)


def leaf_colour(image, rows=CROWN_ROWS):
    """Mean (r, g, b) of the green pixels above the horizon (the unlit leaves)."""
    rgb, w = image.rgb, image.width
    n = 0
    s = [0, 0, 0]
    for y in range(rows[0], rows[1], 2):
        base = 3 * y * w
        for x in range(0, w, 2):
            i = base + 3 * x
            r, g, b = rgb[i], rgb[i + 1], rgb[i + 2]
            if g > r + 10 and g > b + 10 and not is_sky(r, g, b):
                n += 1
                s[0] += r
                s[1] += g
                s[2] += b
    return tuple(c / n for c in s) if n else (0.0, 0.0, 0.0)


def white_mask(image, box):
    """Set of (x, y) of the pure white pixels in box: the overlay text."""
    x0, y0, w, h = box
    out = set()
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            r, g, b = image.pixel(x, y)
            if r >= 250 and g >= 250 and b >= 250:
                out.add((x, y))
    return out


def read_bmp(path):
    """(Image read top-down, the file-size field) of a 24-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        fail("%s is not a BMP file" % path)
    size = int.from_bytes(data[2:6], "little")
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bits = int.from_bytes(data[28:30], "little")
    if bits != 24:
        fail("%s has %d bits per pixel" % (path, bits))
    stride = (3 * width + 3) & ~3
    rows = []
    for row in range(height - 1, -1, -1):
        line = data[offset + row * stride:offset + row * stride + 3 * width]
        rgb = bytearray(len(line))
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::3], line[1::3], line[0::3]
        rows.append(bytes(rgb))
    return Image(width, height, b"".join(rows)), size
