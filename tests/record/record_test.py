#!/usr/bin/env python3
"""Checks of arborvane-record, offscreen, no X server.

  record_test.py RECORDER golden      frame 20 of a fixed scene against tests/golden
  record_test.py RECORDER determinism two runs give identical BMP bytes
  record_test.py RECORDER errors      bad flags, missing and broken data, unwritable output
  record_test.py RECORDER video       --video: frame count and rate of the file, after an earlier longer run
  record_test.py RECORDER progress    a bar only on a terminal; tenths as lines into a pipe
  record_test.py RECORDER safety      bad data and refused outputs touch nothing; a video that
                                      cannot be written leaves the earlier one byte for byte
  record_test.py RECORDER fulldisk    frames on a full disk (a small tmpfs; root only, else skipped)
  record_test.py RECORDER interrupt   SIGINT while a 4096 x 4096 frame is written
  record_test.py RECORDER update      rewrites the golden PNG (after a deliberate change)
  record_test.py RECORDER fullsize    800 x 600 frames, shadows off and on, against the
                                      immediate-mode renderer's frames in tests/golden
  record_test.py RECORDER fullsize-update  writes those reference frames: run it with a
                                      recorder built from the immediate-mode renderer

Run from the build directory (./data)."""
import json
import os
import pty
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "..", "golden", "record_gale400_seed1_frame20_200x150.png")
GOLDEN_ARGS = ["--frames", "21", "--width", "200", "--height", "150", "--seed", "1",
               "--gale", "--magnitude", "400", "--shadows", "on"]
GOLDEN_FRAME = "snap020.bmp"
LEVEL_TOLERANCE = 8        # per channel, of 255
DIFFERING_LIMIT = 0.005    # share of pixels beyond the tolerance


def run(recorder, args, cwd=None, timeout=120):
    return subprocess.run([recorder] + args, cwd=cwd, stdin=subprocess.PIPE, capture_output=True,
                          text=True, timeout=timeout)


def record(recorder, args, out):
    r = run(recorder, args + ["--out", out])
    if r.returncode != 0:
        sys.exit(f"FAIL: recorder exited {r.returncode}\n{r.stdout}\n{r.stderr}")
    return r


def read_bmp(path):
    """Width, height and RGB rows top row first from a 24-bit bottom-up BMP."""
    data = open(path, "rb").read()
    assert data[:2] == b"BM", path
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bpp, = struct.unpack_from("<H", data, 28)
    assert bpp == 24 and height > 0, path
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row = data[offset + y * stride: offset + y * stride + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::3], row[1::3], row[0::3]
        rows.append(bytes(rgb))
    rows.reverse()
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + r for r in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


def read_png(path):
    """8-bit RGB, non-interlaced PNG (all five row filters)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8: pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour == 2 and interlace == 0, "golden PNG must be 8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride, rows, prev = width * 3, [], bytearray(width * 3)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1: (y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def frame_and_reference(recorder, args, path, update, what):
    """Records the golden frame with args; with update rewrites the reference at
    path and returns None, else returns (width, height, rows, reference rows)."""
    with tempfile.TemporaryDirectory() as out:
        record(recorder, args, out)
        width, height, rows = read_bmp(os.path.join(out, GOLDEN_FRAME))
    if update:
        write_png(path, width, height, rows)
        print(f"{what} rewritten: {path}")
        return None
    gw, gh, grows = read_png(path)
    if (gw, gh) != (width, height):
        sys.exit(f"FAIL: frame is {width}x{height}, {what} {gw}x{gh}")
    return width, height, rows, grows


def golden(recorder, update=False):
    frames = frame_and_reference(recorder, GOLDEN_ARGS, GOLDEN, update, "golden")
    if frames:
        width, height, rows, grows = frames
        differing, worst = 0, 0
        for row, grow in zip(rows, grows):
            for x in range(0, len(row), 3):
                d = max(abs(row[x + k] - grow[x + k]) for k in range(3))
                worst = max(worst, d)
                if d > LEVEL_TOLERANCE:
                    differing += 1
        share = differing / (width * height)
        print(f"golden: {differing} of {width * height} pixels differ by more than {LEVEL_TOLERANCE} "
              f"({share:.3%}), largest difference {worst}")
        if share > DIFFERING_LIMIT:
            # Keep the frame for a look.
            keep = os.path.join(os.getcwd(), "record_golden_actual.png")
            write_png(keep, width, height, rows)
            sys.exit(f"FAIL: more than {DIFFERING_LIMIT:.1%} of the pixels differ; frame kept as {keep}")


# 800 x 600 frames as the immediate-mode renderer drew them. Batched drawing
# must match them but for float rounding (the blades are placed on the CPU):
# at most FULLSIZE_LIMIT pixels may differ at all. With shadows on, the leaf
# outlines of one branch lie at one height and rounding picks which overlapping
# outline wins, so pixels that are leaf-shadow colour in both frames may also
# differ, up to FULLSIZE_SHADOW_FLIPS of them.
FULLSIZE = os.path.join(HERE, "..", "golden", "immediate_mode_gale400_seed1_frame20_800x600_shadows_{}.png")
FULLSIZE_ARGS = ["--frames", "21", "--seed", "1", "--gale", "--magnitude", "400"]
FULLSIZE_LIMIT = 100
FULLSIZE_SHADOW_FLIPS = 5000


def leaf_shadow_colour(p):
    """Between the outline's two colours (37, 48, 22) and (45, 58, 27), give or take one level."""
    return 36 <= p[0] <= 46 and 47 <= p[1] <= 59 and 21 <= p[2] <= 28


def fullsize(recorder, update=False):
    failures = []
    for shadows in ("off", "on"):
        frames = frame_and_reference(recorder, FULLSIZE_ARGS + ["--shadows", shadows], FULLSIZE.format(shadows),
                                     update, "reference")
        if not frames:
            continue
        width, height, rows, grows = frames
        other, flips = 0, 0
        for row, grow in zip(rows, grows):
            for x in range(0, len(row), 3):
                a, b = row[x:x + 3], grow[x:x + 3]
                if a != b:
                    if shadows == "on" and leaf_shadow_colour(a) and leaf_shadow_colour(b):
                        flips += 1
                    else:
                        other += 1
        print(f"fullsize, shadows {shadows}: {other} pixels differ (limit {FULLSIZE_LIMIT}), "
              f"{flips} leaf-shadow pixels swapped (limit {FULLSIZE_SHADOW_FLIPS})")
        if other > FULLSIZE_LIMIT or flips > FULLSIZE_SHADOW_FLIPS:
            keep = os.path.join(os.getcwd(), f"record_fullsize_{shadows}_actual.png")
            write_png(keep, width, height, rows)
            failures.append(f"shadows {shadows}: frame kept as {keep}")
    if failures:
        sys.exit("FAIL: " + "; ".join(failures))


def determinism(recorder):
    args = ["--frames", "8", "--width", "160", "--height", "120", "--seed", "7", "--magnitude", "600"]
    with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
        record(recorder, args, a)
        record(recorder, args, b)
        names = sorted(os.listdir(a))
        expected = [f"snap{i:03d}.bmp" for i in range(8)]
        if names != expected or sorted(os.listdir(b)) != expected:
            sys.exit(f"FAIL: frame files {names}")
        for n in names:
            if open(os.path.join(a, n), "rb").read() != open(os.path.join(b, n), "rb").read():
                sys.exit(f"FAIL: {n} differs between two runs")
        first = open(os.path.join(a, "snap000.bmp"), "rb").read()
        last = open(os.path.join(a, "snap007.bmp"), "rb").read()
        if len(first) != 54 + 160 * 120 * 3:
            sys.exit(f"FAIL: snap000.bmp has {len(first)} bytes")
        if first == last:
            sys.exit("FAIL: the tree does not move")
        # Another seed gives other foliage, so the seed reaches the foliage.
        c = tempfile.mkdtemp()
        try:
            record(recorder, ["--frames", "1", "--width", "160", "--height", "120", "--seed", "8",
                              "--magnitude", "600"], c)
            if open(os.path.join(c, "snap000.bmp"), "rb").read() == first:
                sys.exit("FAIL: --seed 8 draws the same first frame as --seed 7")
        finally:
            shutil.rmtree(c)
    print("determinism: 8 frames byte-identical over two runs; another seed differs")


def expect(result, status, text, what):
    output = result.stdout + result.stderr
    if result.returncode != status or text not in output:
        sys.exit(f"FAIL: {what}: exit {result.returncode}, wanted {status} and '{text}'\n{output}")


def errors(recorder):
    expect(run(recorder, ["--help"]), 0, "--wind-dir", "--help")
    expect(run(recorder, ["--fast"]), 2, "not expected: --fast", "unknown flag")
    expect(run(recorder, ["--frames"]), 2, "--frames needs a value", "missing value")
    expect(run(recorder, ["--frames", "0"]), 2, "--frames: 0 is outside", "zero frames")
    expect(run(recorder, ["--width", "12x"]), 2, "--width: wants a whole number", "bad width")
    expect(run(recorder, ["--magnitude", "801"]), 2, "--magnitude: 801 is outside", "magnitude above 800")
    expect(run(recorder, ["--magnitude", "-1"]), 2, "--magnitude: -1 is outside", "negative magnitude")
    expect(run(recorder, ["--wind-dir", "0,0,0"]), 2, "zero vector", "zero wind")
    expect(run(recorder, ["--wind-dir", "1,2"]), 2, "three numbers", "two components")
    expect(run(recorder, ["--shadows", "yes"]), 2, "on|off", "bad shadows")
    expect(run(recorder, ["--seed", "-3"]), 2, "--seed: -3 is outside", "negative seed")
    with tempfile.TemporaryDirectory() as empty:
        # No ./data: an error at once, no frames, no wait for input.
        r = run(recorder, ["--frames", "1", "--out", "o"], cwd=empty, timeout=30)
        expect(r, 1, "missing data file ./data/tree/tulip_trunk.bmp", "no data")
        if os.path.exists(os.path.join(empty, "o")):
            sys.exit("FAIL: frame directory made without data")
        # A broken scene texture: initScene's fatal path, without waiting for a key.
        shutil.copytree(os.path.join(os.getcwd(), "data"), os.path.join(empty, "data"))
        open(os.path.join(empty, "data", "tree", "ground.bmp"), "wb").write(b"BM not an image")
        r = run(recorder, ["--frames", "1", "--width", "64", "--height", "48", "--out", "o"], cwd=empty, timeout=60)
        expect(r, 1, "Error on loading texture ./data/tree/ground.bmp", "broken texture")
        # A broken noise grid: the window goes on without wind, the recorder stops.
        shutil.copy(os.path.join(os.getcwd(), "data", "tree", "ground.bmp"), os.path.join(empty, "data", "tree"))
        open(os.path.join(empty, "data", "noise", "n32_3Dv_beta1dot33.txt"), "w").write("not a grid\n")
        r = run(recorder, ["--frames", "1", "--width", "64", "--height", "48", "--out", "o"], cwd=empty, timeout=60)
        expect(r, 1, "the scene data did not load", "broken noise grid")
        if os.listdir(os.path.join(empty, "o")):
            sys.exit("FAIL: frames written from a half-loaded scene")
        # An output path under a file cannot be made.
        blocker = os.path.join(empty, "file")
        open(blocker, "w").close()
        r = run(recorder, ["--frames", "1", "--out", os.path.join(blocker, "frames")], timeout=30)
        expect(r, 1, "cannot create the frame directory", "output under a file")
        # A frame that cannot be written (a folder holds its name): the run stops
        # with that frame's name, whichever frame is being drawn when it is found.
        out = os.path.join(empty, "blocked")
        os.makedirs(os.path.join(out, "snap002.bmp"))
        r = run(recorder, ["--frames", "6"] + SMALL + ["--out", out], timeout=60)
        expect(r, 1, "cannot write " + os.path.join(out, "snap002.bmp"), "unwritable frame")
        if "Wrote" in r.stdout or os.path.exists(os.path.join(out, "snap005.bmp")):
            sys.exit("FAIL: the run went on after a frame could not be written\n" + r.stdout)
    print("errors: flags, data and output failures reported as wanted")


SMALL = ["--width", "64", "--height", "48"]


def probe(path):
    """Frames actually decoded and the stream's frame rate, from ffprobe."""
    r = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_frames",
                        "-show_entries", "stream=nb_read_frames,r_frame_rate", "-of", "json", path],
                       capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        sys.exit(f"FAIL: ffprobe {path}: {r.stderr}")
    stream = json.loads(r.stdout)["streams"][0]
    return int(stream["nb_read_frames"]), stream["r_frame_rate"]


def video(recorder):
    if not shutil.which("ffmpeg") or not shutil.which("ffprobe"):
        sys.exit("FAIL: ffmpeg/ffprobe not installed (scripts/deps.sh installs them)")
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "r")
        # An earlier, longer run leaves more frames in the folder, beside a file of the user's.
        record(recorder, ["--frames", "20"] + SMALL, out)
        keep = os.path.join(out, "notes.txt")
        open(keep, "w").write("mine\n")
        mp4 = os.path.join(work, "v.mp4")
        r = record(recorder, ["--frames", "10", "--video", mp4] + SMALL, out)
        frames, rate = probe(mp4)
        if (frames, rate) != (10, "20/1"):
            sys.exit(f"FAIL: video has {frames} frames at {rate}, wanted 10 at 20/1 (one frame per 0.05 s step)\n"
                     f"{r.stdout}")
        names = sorted(n for n in os.listdir(out) if n.endswith(".bmp"))
        if names != [f"snap{i:03d}.bmp" for i in range(10)]:
            sys.exit(f"FAIL: the folder holds {names}, not this run's 10 frames")
        if open(keep).read() != "mine\n":
            sys.exit("FAIL: a file that is not a frame was touched")
        # Another playback rate on request.
        expect(run(recorder, ["--help"]), 0, "only 20 is real time", "--help on --fps")
        expect(run(recorder, ["--fps", "0"]), 2, "--fps: 0 is outside", "zero fps")
        expect(run(recorder, ["--fps", "24.5"]), 2, "--fps: wants a whole number", "fractional fps")
        record(recorder, ["--frames", "6", "--fps", "30", "--video", mp4] + SMALL, out)
        frames, rate = probe(mp4)
        if (frames, rate) != (6, "30/1"):
            sys.exit(f"FAIL: --fps 30 gave {frames} frames at {rate}, wanted 6 at 30/1")
    print("video: 10 frames at 20 fps after a 20-frame run; --fps 30 honoured; other files untouched")


PROGRESS_LINE = re.compile(r"^(\d+)/(\d+) frames")


def progress(recorder):
    with tempfile.TemporaryDirectory() as out:
        # Into a pipe: no carriage returns, one line per tenth.
        r = subprocess.run([recorder, "--frames", "30", "--out", out] + SMALL, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=120)
        if r.returncode != 0 or b"\r" in r.stdout + r.stderr:
            sys.exit(f"FAIL: exit {r.returncode}, or carriage returns written into a pipe: {r.stdout + r.stderr!r}")
        done = [int(m.group(1)) for m in map(PROGRESS_LINE.match, r.stderr.decode().splitlines()) if m]
        if done != [3 * k for k in range(1, 11)]:
            sys.exit(f"FAIL: progress lines at frames {done}, wanted one per tenth\n{r.stderr}")
        # On a terminal: the bar, redrawn in place.
        master, slave = pty.openpty()
        try:
            p = subprocess.run([recorder, "--frames", "5", "--out", out] + SMALL, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=slave, timeout=120)
            os.close(slave)
            slave = -1
            tty = b""
            while True:
                try:
                    chunk = os.read(master, 65536)
                except OSError:
                    break
                if not chunk:
                    break
                tty += chunk
        finally:
            if slave >= 0:
                os.close(slave)
            os.close(master)
        if p.returncode != 0 or b"\r[" not in tty or b"5/5 frames" not in tty:
            sys.exit(f"FAIL: no progress bar on a terminal (exit {p.returncode}): {tty!r}")
    print("progress: 10 lines into a pipe, a bar on a terminal")


def snapshot(folder):
    """Every file in folder with its bytes."""
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))}


def no_partials(folder, what):
    left = [n for n in os.listdir(folder) if ".partial" in n]
    if left:
        sys.exit(f"FAIL: {what}: temporary files left: {left}")


def file_size_limit(limit):
    """preexec_fn: writes beyond limit bytes fail (EFBIG) as a full disk would, for ffmpeg too."""
    def apply():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return apply


def bad_data_keeps_frames(recorder, work):
    """A broken tree file or a truncated grass texture: exit 1 naming the file, the
    earlier run's frames untouched and not reported as removed."""
    out = os.path.join(work, "keep")
    record(recorder, ["--frames", "5"] + SMALL, out)
    before = snapshot(out)
    for name, wanted in (("tree/tulip_tree.txt", "tulip_tree.txt"), ("grass/grass01.bmp", "grass/grass01.bmp")):
        data = os.path.join(work, "broken")
        shutil.rmtree(data, ignore_errors=True)
        shutil.copytree(os.path.join(os.getcwd(), "data"), data)
        whole = open(os.path.join(data, name), "rb").read()
        open(os.path.join(data, name), "wb").write(whole[: len(whole) // 2])
        r = run(recorder, ["--frames", "5", "--data", data, "--out", out] + SMALL)
        expect(r, 1, wanted, "broken " + name)
        if "Removed" in r.stdout or "Recording" in r.stdout or snapshot(out) != before:
            sys.exit(f"FAIL: broken {name}: the earlier frames were touched\n{r.stdout}")


def refused_outputs(recorder, work):
    """Outputs that cannot be one are refused with 2 before any frame is drawn;
    a link is written through."""
    data_file = os.path.join(os.getcwd(), "data", "tree", "tulip_tree.txt")
    fifo, folder, plain = (os.path.join(work, n) for n in ("f.mp4", "d.mp4", "plain"))
    os.mkfifo(fifo)
    os.mkdir(folder)
    open(plain, "w").close()
    into_data = os.path.join(work, "data.mp4")
    os.symlink(data_file, into_data)
    out = ["--out", os.path.join(work, "o")]
    for args, text in ((["--video", "/dev/null"], "not a regular file"), (["--video", fifo], "not a regular file"),
                       (["--video", folder], "it is a folder"), (["--video", into_data], "it is the input file"),
                       (["--video", os.path.join(work, "v.txt")], ".mp4"), (["--out", plain], "is not a folder")):
        r = run(recorder, ["--frames", "2"] + SMALL + (args if args[0] == "--out" else out + args))
        expect(r, 2, text, " ".join(args))
        if "Recording" in r.stdout:
            sys.exit(f"FAIL: {args}: frames drawn before the output was refused")
    if not os.path.exists("/dev/null") or not os.path.isfile(data_file) or os.path.isfile("/dev/null"):
        sys.exit("FAIL: a refused output was replaced")
    r = run(recorder, ["--frames", "2", "--video", os.path.join(work, "no", "v.mp4")] + SMALL + out)
    expect(r, 1, "No such file or directory", "video in a missing folder")
    if "Recording" in r.stdout:
        sys.exit("FAIL: frames drawn before the video's folder was found missing")
    if shutil.which("ffmpeg"):
        real, link = os.path.join(work, "real.mp4"), os.path.join(work, "link.mp4")
        os.symlink("real.mp4", link)
        record(recorder, ["--frames", "2", "--video", link] + SMALL, os.path.join(work, "o"))
        if not os.path.islink(link) or os.path.getsize(real) == 0:
            sys.exit("FAIL: the video was not written through the link")


def video_write_failure(recorder, work):
    """ffmpeg cannot finish (file size limit standing in for a full disk): exit 1 with
    ffmpeg's message, the earlier video byte for byte, no temporary file."""
    if not shutil.which("ffmpeg"):
        sys.exit("FAIL: ffmpeg not installed (scripts/deps.sh installs it)")
    out, mp4 = os.path.join(work, "vf"), os.path.join(work, "v.mp4")
    args = SMALL + ["--gale", "--magnitude", "800", "--video", mp4]
    record(recorder, ["--frames", "10"] + args, out)
    earlier = open(mp4, "rb").read()
    limit = max(12000, len(earlier) + 1024)  # the frames (9270 bytes) and the earlier video fit, a longer one not
    r = subprocess.run([recorder, "--frames", "120", "--out", out] + args, stdin=subprocess.DEVNULL, capture_output=True,
                       text=True, timeout=300, preexec_fn=file_size_limit(limit))
    expect(r, 1, "ffmpeg failed", "video on a full disk")
    if "File too large" not in r.stderr or "Video " in r.stdout:
        sys.exit(f"FAIL: ffmpeg's own message missing, or success claimed\n{r.stdout}{r.stderr}")
    if open(mp4, "rb").read() != earlier:
        sys.exit("FAIL: the earlier video was changed by a failed encode")
    no_partials(work, "failed video")


def safety(recorder):
    with tempfile.TemporaryDirectory() as work:
        bad_data_keeps_frames(recorder, work)
        refused_outputs(recorder, work)
        video_write_failure(recorder, work)
    print("safety: bad data keeps earlier frames; refused outputs exit 2 before any frame; "
          "a failed encode keeps the earlier video")


def fulldisk(recorder):
    """A tmpfs with room for two 200 x 150 frames: the third fails with the system's
    reason, the two stay whole, nothing partial is left; read-only says so."""
    with tempfile.TemporaryDirectory() as mnt:
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=200k", "tmpfs", mnt], capture_output=True, text=True)
        if r.returncode != 0:
            print(f"SKIPPED fulldisk: cannot mount a tmpfs ({r.stderr.strip() or 'not root'})")
            sys.exit(77)
        try:
            r = run(recorder, ["--frames", "5", "--width", "200", "--height", "150", "--out", mnt])
            expect(r, 1, "No space left on device", "full disk")
            names = sorted(os.listdir(mnt))
            frame_size = 54 + 200 * 150 * 3
            if not names or any(not re.fullmatch(r"snap\d{3}\.bmp", n) for n in names) or \
                    any(os.path.getsize(os.path.join(mnt, n)) != frame_size for n in names):
                sys.exit(f"FAIL: after a full disk the folder holds {[(n, os.path.getsize(os.path.join(mnt, n))) for n in names]}")
            subprocess.run(["mount", "-o", "remount,ro", mnt], check=True)
            r = run(recorder, ["--frames", "1"] + SMALL + ["--out", os.path.join(mnt, "sub")])
            expect(r, 1, "Read-only file system", "read-only --out")
        finally:
            subprocess.run(["umount", mnt])
    print(f"fulldisk: {len(names)} whole frames kept, no partial file; read-only folder named as such")


def interrupt(recorder):
    """SIGINT while big frames are written: no temporary file, finished frames whole."""
    with tempfile.TemporaryDirectory() as out:
        p = subprocess.Popen([recorder, "--frames", "4", "--width", "4096", "--height", "4096", "--out", out],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 240
        while not os.path.exists(os.path.join(out, "snap000.bmp")) and p.poll() is None and time.time() < deadline:
            time.sleep(0.01)
        p.send_signal(signal.SIGINT)
        status = p.wait(60)
        if status != -signal.SIGINT:
            sys.exit(f"FAIL: exit {status} after SIGINT, wanted death by the signal")
        no_partials(out, "SIGINT")
        sizes = {n: os.path.getsize(os.path.join(out, n)) for n in os.listdir(out)}
        if "snap000.bmp" not in sizes or set(sizes.values()) != {54 + 4096 * 4096 * 3}:
            sys.exit(f"FAIL: frames after SIGINT: {sizes}")
    print(f"interrupt: {len(sizes)} whole frame(s), no temporary file")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    recorder, mode = sys.argv[1], sys.argv[2]
    {"golden": lambda: golden(recorder), "update": lambda: golden(recorder, update=True),
     "fullsize": lambda: fullsize(recorder), "fullsize-update": lambda: fullsize(recorder, update=True),
     "determinism": lambda: determinism(recorder), "errors": lambda: errors(recorder),
     "video": lambda: video(recorder), "progress": lambda: progress(recorder),
     "safety": lambda: safety(recorder), "fulldisk": lambda: fulldisk(recorder),
     "interrupt": lambda: interrupt(recorder)}[mode]()


if __name__ == "__main__":
    main()
