"""End-to-end harness: a private Xvfb, the program under test, xdotool input
and window screenshots, all torn down on exit. Standard library only.

    from harness import Session, skip
    with Session() as s:
        p = s.launch(exe, cwd)
        win = s.find_window()            # title "Arborvane"
        s.key(win, "Escape")
        img = s.screenshot(win)
        img.pixel(x, y)                  # (r, g, b)
        img.save_png(s.artifact("shot.png"))
        code = p.wait(10)
        p.stdout_text()

Exit code 77 (SKIP) tells CTest the test could not run here.
"""

import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77


def skip(reason):
    """Ends the test as skipped (CTest SKIP_RETURN_CODE)."""
    print("SKIPPED: " + reason, flush=True)
    sys.exit(SKIP)


def fail(reason):
    print("FAILED: " + reason, flush=True)
    sys.exit(1)


class HarnessError(RuntimeError):
    pass


class Image:
    """RGB pixels, row-major from the top-left corner."""

    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)  # 3 bytes per pixel

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside %dx%d" % (x, y, self.width, self.height))
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def crop(self, x, y, width, height):
        rows = []
        for row in range(y, y + height):
            start = 3 * (row * self.width + x)
            rows.append(self.rgb[start:start + 3 * width])
        return Image(width, height, b"".join(rows))

    def placed(self, width, height, left, top):
        """A width x height image with this one at (left, top), black elsewhere."""
        out = bytearray(3 * width * height)
        w = min(self.width, width - left)
        for row in range(min(self.height, height - top)):
            src = 3 * row * self.width
            dst = 3 * ((row + top) * width + left)
            out[dst:dst + 3 * w] = self.rgb[src:src + 3 * w]
        return Image(width, height, out)

    def count(self, predicate):
        """Number of pixels whose (r, g, b) satisfies predicate."""
        rgb = self.rgb
        return sum(1 for i in range(0, len(rgb), 3) if predicate(rgb[i], rgb[i + 1], rgb[i + 2]))

    def save_png(self, path):
        stride = 3 * self.width
        raw = b"".join(b"\x00" + self.rgb[r * stride:(r + 1) * stride] for r in range(self.height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) +
                    chunk(b"IEND", b""))
        return path


def mean(image, box):
    """Mean (r, g, b) over the region box = (x, y, w, h)."""
    x, y, w, h = box
    rgb = image.crop(x, y, w, h).rgb
    n = w * h
    return tuple(sum(rgb[k::3]) / n for k in range(3))


def luminance(image, box):
    r, g, b = mean(image, box)
    return 0.299 * r + 0.587 * g + 0.114 * b


def near(colour, expected, tolerance=2):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def parse_xwd(data):
    """XWD (ZPixmap, 24 or 32 bits per pixel, TrueColor masks) into an Image."""
    if len(data) < 100:
        raise HarnessError("xwd output too short")
    fields = struct.unpack(">25I", data[:100])
    (header_size, version, pixmap_format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order, _pad,
     bits_per_pixel, bytes_per_line, _visual_class, red_mask, green_mask, blue_mask, _bits_per_rgb, _cmap_entries,
     ncolors) = fields[:20]
    if version != 7 or pixmap_format != 2:
        raise HarnessError("unsupported xwd: version %d, format %d" % (version, pixmap_format))
    if bits_per_pixel not in (24, 32):
        raise HarnessError("unsupported xwd: %d bits per pixel" % bits_per_pixel)
    offset = header_size + 12 * ncolors
    if len(data) < offset + bytes_per_line * height:
        raise HarnessError("xwd image data truncated")
    step = bits_per_pixel // 8
    endian = "little" if byte_order == 0 else "big"
    pixels = b"".join(data[offset + row * bytes_per_line:offset + row * bytes_per_line + width * step]
                      for row in range(height))
    out = bytearray(3 * width * height)
    byte_masks = [0xFF << (8 * k) for k in range(step)]
    if all(m in byte_masks for m in (red_mask, green_mask, blue_mask)):
        # Whole-byte channels (the usual TrueColor layouts): slice instead of looping.
        for channel, mask in enumerate((red_mask, green_mask, blue_mask)):
            k = byte_masks.index(mask)
            index = k if endian == "little" else step - 1 - k
            out[channel::3] = pixels[index::step]
        return Image(width, height, out)

    def shift_of(mask):
        return (mask & -mask).bit_length() - 1

    masks = [(m, shift_of(m), 255.0 / (m >> shift_of(m))) for m in (red_mask, green_mask, blue_mask)]
    o = 0
    for start in range(0, len(pixels), step):
        value = int.from_bytes(pixels[start:start + step], endian)
        for mask, shift, factor in masks:
            out[o] = int(round(((value & mask) >> shift) * factor))
            o += 1
    return Image(width, height, out)


class Program:
    """A launched program; its output goes to files so it can never block."""

    def __init__(self, popen, stdout_path, stderr_path):
        self.popen = popen
        self.pid = popen.pid
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path

    def poll(self):
        return self.popen.poll()

    def wait(self, timeout):
        """Exit status, or raises HarnessError if it is still running after timeout seconds."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("program %d still running after %.0f s" % (self.pid, timeout)) from None

    def stdout_text(self):
        with open(self.stdout_path, "r", errors="replace") as f:
            return f.read()

    def stderr_text(self):
        with open(self.stderr_path, "r", errors="replace") as f:
            return f.read()

    def kill(self):
        if self.popen.poll() is None:
            try:
                os.killpg(self.popen.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.popen.wait()


class Session:
    """Own Xvfb on a free display; every process started here ends on exit."""

    def __init__(self, screen="1280x1024x24", artifact_dir=None, startup_timeout=15):
        self.screen = screen
        self.startup_timeout = startup_timeout
        self.artifact_dir = artifact_dir or os.environ.get("ARBORVANE_E2E_OUT") or os.getcwd()
        self.display = None
        self.env = None
        self.xvfb = None
        self.programs = []
        self.tmp = None

    # --- lifecycle -------------------------------------------------------------------------
    def __enter__(self):
        try:
            for attempt in range(3):
                self._start_xvfb()
                if self._display_answers():
                    break
                # A display number that another server was just leaving: take a new one.
                self._stop_xvfb()
            else:
                raise HarnessError("Xvfb started three times but no client could connect")
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _display_answers(self):
        try:
            result = subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env, stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=10)
        except subprocess.TimeoutExpired:
            return False
        return result.returncode == 0

    def _start_xvfb(self):
        for tool in ("Xvfb", "xdotool", "xwd"):
            if shutil.which(tool) is None:
                raise HarnessError(tool + " is not installed")
        if self.tmp is None:
            self.tmp = tempfile.mkdtemp(prefix="arborvane_e2e_")
        read_fd, write_fd = os.pipe()
        log = open(os.path.join(self.tmp, "xvfb.log"), "wb")
        # -displayfd: the server takes a free display number and writes it once it accepts clients.
        # -noreset: otherwise the server resets whenever its last client leaves (the probe, xdotool),
        # and a program connecting during that reset gets "Can't open display".
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen, "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        os.close(write_fd)
        log.close()
        number = b""
        deadline = time.monotonic() + self.startup_timeout
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or self.xvfb.poll() is not None:
                os.close(read_fd)
                raise HarnessError("Xvfb did not start: " + self._xvfb_log())
            ready, _, _ = select.select([read_fd], [], [], left)
            if ready:
                chunk = os.read(read_fd, 16)
                if not chunk:
                    os.close(read_fd)
                    raise HarnessError("Xvfb closed the display pipe: " + self._xvfb_log())
                number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("XAUTHORITY", None)

    def xvfb_state(self):
        if self.xvfb is None:
            return "not running"
        code = self.xvfb.poll()
        return "running on %s" % self.display if code is None else "ended with status %d: %s" % (
            code, self._xvfb_log())

    def _xvfb_log(self):
        try:
            with open(os.path.join(self.tmp, "xvfb.log"), "r", errors="replace") as f:
                return f.read().strip()[-500:]
        except OSError:
            return ""

    def close(self):
        for program in reversed(self.programs):
            program.kill()
        self.programs = []
        self._stop_xvfb()
        if self.tmp:
            shutil.rmtree(self.tmp, ignore_errors=True)
            self.tmp = None

    def _stop_xvfb(self):
        if self.xvfb is not None and self.xvfb.poll() is None:
            try:
                os.killpg(self.xvfb.pid, signal.SIGTERM)
                self.xvfb.wait(5)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(self.xvfb.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.xvfb.wait()
        self.xvfb = None

    # --- programs --------------------------------------------------------------------------
    def launch(self, exe, cwd, args=(), env=None, stdin=None):
        """Starts exe in cwd on this display. stdin: bytes fed to the program (default: none)."""
        n = len(self.programs)
        out_path = os.path.join(self.tmp, "program%d.out" % n)
        err_path = os.path.join(self.tmp, "program%d.err" % n)
        full_env = dict(self.env)
        if env:
            full_env.update(env)
        stdin_file = subprocess.DEVNULL
        if stdin is not None:
            in_path = os.path.join(self.tmp, "program%d.in" % n)
            with open(in_path, "wb") as f:
                f.write(stdin)
            stdin_file = open(in_path, "rb")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            popen = subprocess.Popen([os.path.abspath(exe)] + list(args), cwd=cwd, env=full_env, stdin=stdin_file,
                                     stdout=out, stderr=err, start_new_session=True)
        if stdin is not None:
            stdin_file.close()
        program = Program(popen, out_path, err_path)
        self.programs.append(program)
        return program

    def run(self, argv, timeout=20):
        """Runs a helper command on this display and returns its stdout."""
        try:
            result = subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                                    timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("timed out: " + " ".join(argv)) from None
        if result.returncode != 0:
            raise HarnessError("%s failed (%d): %s" % (" ".join(argv), result.returncode,
                                                      result.stderr.decode(errors="replace").strip()))
        return result.stdout

    # --- windows ---------------------------------------------------------------------------
    def find_window(self, name="Arborvane", timeout=20, program=None):
        """Id of the first visible window whose title matches name (a regular expression)."""
        deadline = time.monotonic() + timeout
        while True:
            result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], env=self.env,
                                    stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
            ids = result.stdout.split()
            if ids:
                return int(ids[0])
            if program is not None and program.poll() is not None:
                raise HarnessError("program exited with status %d before a window '%s' appeared (Xvfb %s); "
                                   "stderr: %s" % (program.poll(), name, self.xvfb_state(),
                                                   program.stderr_text().strip()[-2000:]))
            if time.monotonic() > deadline:
                raise HarnessError("no window '%s' after %.0f s" % (name, timeout))
            time.sleep(0.1)

    def window_name(self, win):
        return self.run(["xdotool", "getwindowname", str(win)]).decode(errors="replace").strip()

    def geometry(self, win):
        """(x, y, width, height) of the window on the screen."""
        values = {}
        for line in self.run(["xdotool", "getwindowgeometry", "--shell", str(win)]).decode().splitlines():
            key, _, value = line.partition("=")
            values[key] = value
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def focus(self, win):
        self.run(["xdotool", "windowfocus", "--sync", str(win)])

    # --- input (real XTEST events, which GLUT accepts; synthetic ones it may not) ------------
    def key(self, win, *keys, delay_ms=30):
        """Presses and releases each key (xdotool names: Escape, p, space, F1, Left, ctrl+r ...)."""
        self.focus(win)
        self.run(["xdotool", "key", "--delay", str(delay_ms)] + list(keys))

    def key_down(self, win, key):
        self.focus(win)
        self.run(["xdotool", "keydown", key])

    def key_up(self, win, key):
        self.run(["xdotool", "keyup", key])

    def mouse_move(self, win, x, y):
        """Moves the pointer to (x, y) relative to the window's top-left corner."""
        self.run(["xdotool", "mousemove", "--window", str(win), str(x), str(y)])

    def mouse_down(self, button=1):
        self.run(["xdotool", "mousedown", str(button)])

    def mouse_up(self, button=1):
        self.run(["xdotool", "mouseup", str(button)])

    def click(self, win, x, y, button=1):
        self.mouse_move(win, x, y)
        self.run(["xdotool", "click", str(button)])

    def drag(self, win, start, end, button=1, modifiers=(), steps=10, step_delay=0.02):
        """Drags from start to end (window coordinates) holding button and modifiers
        (xdotool key names such as "shift", "ctrl")."""
        self.focus(win)
        for modifier in modifiers:
            self.run(["xdotool", "keydown", modifier])
        try:
            self.mouse_move(win, *start)
            self.mouse_down(button)
            for i in range(1, steps + 1):
                x = start[0] + (end[0] - start[0]) * i // steps
                y = start[1] + (end[1] - start[1]) * i // steps
                self.mouse_move(win, x, y)
                time.sleep(step_delay)
            self.mouse_up(button)
        finally:
            for modifier in reversed(modifiers):
                self.run(["xdotool", "keyup", modifier])

    # --- pictures --------------------------------------------------------------------------
    def screenshot(self, win=None, attempts=3):
        """The window's pixels in window coordinates (the whole screen when win is None).
        Parts off the screen cannot be read: with no window manager GLUT puts its window at
        (-1, -1), so xwd returns 799 x 599; they come back black at their place.
        Retried: GetImage can fail with BadMatch for a moment, e.g. while a GLUT menu closes."""
        target = ["-id", str(win)] if win is not None else ["-root"]
        for attempt in range(attempts):
            try:
                image = parse_xwd(self.run(["xwd", "-silent", "-nobdrs"] + target))
                break
            except HarnessError:
                if attempt == attempts - 1:
                    raise
                time.sleep(0.2)
        if win is None:
            return image
        x, y, width, height = self.geometry(win)
        if (image.width, image.height) == (width, height):
            return image
        return image.placed(width, height, max(0, -x), max(0, -y))

    def wait_for_pixel(self, win, x, y, expected, tolerance=2, timeout=10):
        """Screenshots until pixel (x, y) is within tolerance of expected; returns the last image."""
        deadline = time.monotonic() + timeout
        while True:
            image = self.screenshot(win)
            if near(image.pixel(x, y), expected, tolerance) or time.monotonic() > deadline:
                return image
            time.sleep(0.2)

    def artifact(self, name):
        """Path for a file kept for people to look at (PNGs), in the test's working dir."""
        os.makedirs(self.artifact_dir, exist_ok=True)
        return os.path.join(self.artifact_dir, name)
