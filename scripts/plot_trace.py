#!/usr/bin/python3
"""Plots a wind trace (CSV: frame,time,regime,magnitude,...,tip_offset):
the wind magnitude and the tree top's offset from rest against time.

Usage: scripts/plot_trace.py TRACE.csv OUT.EXT
EXT picks the format (png, svg, pdf, ...); OUT.EXT is written exactly, whole
or not at all. (Debian's python3, where python3-matplotlib installs.)
"""
import csv
import os
import signal
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt

# As the recorder and the exporter write it (src/cli/wind_trace.h).
COLUMNS = "frame,time,regime,magnitude,dir_x,dir_y,dir_z,tip_x,tip_y,tip_z,tip_offset".split(",")


class Refusal(Exception):
    """One line for standard error, and the exit status."""

    def __init__(self, line, status=1):
        super().__init__(line)
        self.status = status


def check_destination(out):
    """The format from the extension, after the target is known writable."""
    target = os.path.realpath(out)
    if os.path.isdir(target):
        raise Refusal("cannot write %s: it is a folder" % out)
    if os.path.exists(target) and not os.path.isfile(target):
        # A temporary file renamed over a device or FIFO would replace it.
        raise Refusal("cannot write %s: it is not a regular file" % out)
    folder = os.path.dirname(target)
    if not os.access(folder, os.W_OK | os.X_OK):
        raise Refusal("cannot write %s: folder %s is missing or not writable" % (out, folder))
    supported = sorted(plt.figure().canvas.get_supported_filetypes())
    plt.close("all")
    ext = os.path.splitext(out)[1][1:].lower()
    if ext not in supported:
        said = "no extension" if not ext else "unknown picture format .%s" % ext
        raise Refusal("%s: %s; end the name with one of %s" % (out, said, ", ".join("." + s for s in supported)), 2)
    return target, ext


def read_trace(path):
    try:
        with open(path, newline="") as f:
            lines = list(csv.reader(f))
    except (OSError, UnicodeDecodeError, csv.Error) as e:
        raise Refusal("%s: cannot read the trace: %s" % (path, e))
    if not lines:
        raise Refusal("%s: empty, not a wind trace" % path)
    missing = [c for c in COLUMNS if c not in lines[0]]
    unexpected = [c for c in lines[0] if c not in COLUMNS]
    if missing or unexpected:
        said = ["missing column %s" % ", ".join(missing)] if missing else []
        said += ["unexpected column %s" % ", ".join(unexpected)] if unexpected else []
        raise Refusal("%s: not a wind trace header: %s" % (path, "; ".join(said)))
    if len(lines) == 1:
        raise Refusal("%s: no rows after the header" % path)
    rows = []
    for number, fields in enumerate(lines[1:], start=2):
        if len(fields) != len(lines[0]):
            raise Refusal("%s: line %d has %d fields, the header %d" % (path, number, len(fields), len(lines[0])))
        row = dict(zip(lines[0], fields))
        for column in ("time", "magnitude", "tip_offset"):
            try:
                row[column] = float(row[column])
            except ValueError:
                raise Refusal("%s: line %d: %s is %r, not a number" % (path, number, column, row[column]))
        rows.append(row)
    return rows


def draw(rows, title):
    time = [r["time"] for r in rows]
    fig, wind = plt.subplots(figsize=(10, 4.5))
    wind.plot(time, [r["magnitude"] for r in rows], color="tab:blue", linewidth=1.2)
    wind.set_xlabel("time (s)")
    wind.set_ylabel("wind magnitude", color="tab:blue")
    wind.set_ylim(bottom=0)
    # Breeze steps shaded: there the force does not follow the magnitude.
    for r in rows:
        if r["regime"] == "breeze":
            wind.axvspan(r["time"] - 0.025, r["time"] + 0.025, color="tab:green", alpha=0.08, linewidth=0)
    top = wind.twinx()
    top.plot(time, [r["tip_offset"] for r in rows], color="tab:red", linewidth=1.2)
    top.set_ylabel("tree top offset from rest", color="tab:red")
    top.set_ylim(bottom=0)
    wind.set_title(title)
    fig.tight_layout()
    return fig


def save_whole(fig, out, target, ext):
    """A temporary file beside the target, renamed over it once complete."""
    folder, name = os.path.split(target)
    fd, temp = tempfile.mkstemp(dir=folder, prefix="." + os.path.splitext(name)[0] + ".partial-", suffix="." + ext)
    try:
        with os.fdopen(fd, "wb") as f:
            fig.savefig(f, format=ext, dpi=100)
            f.flush()
            os.fsync(f.fileno())
        if os.path.exists(target):
            os.chmod(temp, os.stat(target).st_mode & 0o7777)  # a replaced file keeps its permissions
        else:
            umask = os.umask(0)
            os.umask(umask)
            os.chmod(temp, 0o666 & ~umask)
        os.rename(temp, target)
    except (OSError, ValueError, RuntimeError) as e:
        raise Refusal("cannot write %s: %s" % (out, e.strerror if isinstance(e, OSError) and e.strerror else e))
    finally:
        if os.path.exists(temp):
            os.remove(temp)


def main(argv):
    if len(argv) != 3:
        print("usage: plot_trace.py TRACE.csv OUT.png (or .svg, .pdf, ...)", file=sys.stderr)
        return 2
    # So the temporary file is removed on these too, as on Ctrl-C.
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda number, frame: sys.exit(128 + number))
    try:
        target, ext = check_destination(argv[2])
        rows = read_trace(argv[1])
        save_whole(draw(rows, argv[1].rsplit("/", 1)[-1]), argv[2], target, ext)
    except Refusal as e:
        print("plot_trace.py: %s" % e, file=sys.stderr)
        return e.status
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
