#!/usr/bin/python3
"""scripts/plot_trace.py writes exactly the path it is given, in the format of
its extension, whole or not at all, and refuses bad traces and destinations
with one line. Arguments: the source root. Needs Debian's python3 with
python3-matplotlib; skipped (77) without it."""
import os
import re
import stat
import subprocess
import sys
import tempfile

root = os.path.abspath(sys.argv[1])
script = os.path.join(root, "scripts", "plot_trace.py")
try:
    import matplotlib  # noqa: F401
except ImportError:
    print("SKIPPED: no matplotlib for " + sys.executable)
    sys.exit(77)

# The columns as the programs write them, read from the C++ header.
header = re.search(r'kWindTraceHeader =\s*"([^"\\]+)', open(os.path.join(root, "src/cli/wind_trace.h")).read()).group(1)
columns = header.split(",")
row = {"frame": "0", "regime": "gale"}
body = "".join(",".join(row.get(c, "%g" % (0.05 * k)) for c in columns) + "\n" for k in range(20))


def plot(trace_text, out, cwd):
    trace = os.path.join(cwd, "t.csv")
    with open(trace, "w") as f:
        f.write(trace_text)
    r = subprocess.run([sys.executable, script, trace, out], cwd=cwd, capture_output=True, text=True, timeout=120)
    os.remove(trace)
    return r


def expect_refusal(r, wanted_status, words, what):
    lines = r.stderr.strip().splitlines()
    if r.returncode != wanted_status or len(lines) != 1 or any(w not in lines[0] for w in words):
        sys.exit(f"FAIL: {what}: exit {r.returncode}, stderr {r.stderr!r}, wanted {wanted_status} and one line with {words}")


with tempfile.TemporaryDirectory() as tmp:
    # The given path, nothing beside it; the format follows the extension.
    for name, magic in (("plot.png", b"\x89PNG"), ("plot.svg", b"<?xml"), ("plot.pdf", b"%PDF")):
        r = plot(",".join(columns) + "\n" + body, name, tmp)
        if r.returncode != 0 or os.listdir(tmp) != [name] or not open(os.path.join(tmp, name), "rb").read().startswith(magic):
            sys.exit(f"FAIL: {name}: exit {r.returncode}, folder {os.listdir(tmp)}, {r.stderr!r}")
        os.remove(os.path.join(tmp, name))

    good = ",".join(columns) + "\n" + body
    expect_refusal(plot(good, "myplot", tmp), 2, ["myplot", "png", "svg"], "no extension")
    expect_refusal(plot(good, "myplot.xyz", tmp), 2, ["myplot.xyz", ".xyz", "png"], "unknown extension")
    wrong = [c for c in columns if c != "tip_offset"] + ["gust"]
    bad_traces = {
        "empty": ("", ["empty"]),
        "header only": (",".join(columns) + "\n", ["no rows"]),
        "missing column": (",".join(columns[:-1]) + "\n" + body, ["tip_offset"]),
        "unexpected column": (",".join(wrong) + "\n" + body, ["gust", "tip_offset"]),
        "bad number": (",".join(columns) + "\n" + body.replace("gale,0.15", "gale,fast", 1), ["line", "fast"]),
    }
    for what, (text, words) in bad_traces.items():
        expect_refusal(plot(text, "bad.png", tmp), 1, ["t.csv"] + words, what)
    if os.listdir(tmp):
        sys.exit(f"FAIL: refusals left {os.listdir(tmp)}")

    # A device is not replaced and nothing is written beside it.
    before = os.path.exists("/dev/full.png") and os.stat("/dev/full.png").st_mtime_ns
    expect_refusal(plot(good, "/dev/full", tmp), 1, ["/dev/full"], "/dev/full")
    after = os.path.exists("/dev/full.png") and os.stat("/dev/full.png").st_mtime_ns
    if not stat.S_ISCHR(os.stat("/dev/full").st_mode) or before != after:
        sys.exit("FAIL: /dev/full replaced, or /dev/full.png written")

    # A full disk: one line, and no partial file left.
    mnt = os.path.join(tmp, "mnt")
    os.mkdir(mnt)
    m = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8k", "tmpfs", mnt], capture_output=True, text=True)
    if m.returncode == 0:
        try:
            expect_refusal(plot(good, os.path.join(mnt, "plot.png"), tmp), 1, ["plot.png", "No space left"], "full disk")
            if os.listdir(mnt):
                sys.exit(f"FAIL: a full disk left {os.listdir(mnt)}")
        finally:
            subprocess.run(["umount", mnt])
    else:
        print("full-disk case skipped: cannot mount a tmpfs (" + (m.stderr.strip() or "not root") + ")")
print("plot_trace: exact path in its extension's format; bad traces, extensions and destinations refused in one line")
