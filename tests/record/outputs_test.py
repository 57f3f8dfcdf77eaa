#!/usr/bin/env python3
"""Outputs of arborvane-record and arborvane-export that would overwrite the
run's inputs or each other are refused (exit 2) before anything is written, and
data-folder faults are reported with the file and the system's reason:
- an output that is a data file or the wind file, however spelt (dots, a
  symbolic link, a hard link);
- two outputs that are one file, or an output (or the schedule) that is one
  of the frames --out gets; --web with --out;
- a full disk under --web is found before the run; a short write names the
  real reason;
- a broken, looping or unreadable data file and an out-of-range grass count
  are named in the lines that report them.

Arguments: the recorder and the exporter. Run from the build directory (./data)."""
import json
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

SMALL = ["--frames", "2", "--width", "32", "--height", "24"]
NOISE_V = "noise/n32_3Dv_beta1dot33.txt"
TREE = "tree/tulip_tree.txt"
GRASS = "grass/grass1_5000_50x50_4_len4.txt"
POSE_BYTES = 7 * 4  # one joint's pose in one frame of the exporter's scratch file


def fail(message):
    sys.exit("FAIL: " + message)


def run(program, args, status, said="", **kw):
    r = subprocess.run([program] + args, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300, **kw)
    if r.returncode != status or said not in r.stderr:
        fail("%s %s: exit %d, wanted %d and %r\n%s%s" % (os.path.basename(program), " ".join(args), r.returncode,
                                                        status, said, r.stdout, r.stderr))
    return r


def last_line(r):
    return r.stderr.strip().splitlines()[-1]


def snapshot(folder):
    return {os.path.relpath(os.path.join(d, n), folder): open(os.path.join(d, n), "rb").read()
            for d, _, names in os.walk(folder) for n in names}


def data_copy(tmp, name):
    folder = os.path.join(tmp, name)
    shutil.copytree(os.path.join(os.getcwd(), "data"), folder)
    return folder


def inputs_are_not_outputs(recorder, exporter, tmp):
    data = data_copy(tmp, "D")
    before = snapshot(data)
    tree = os.path.join(data, TREE)
    os.symlink(tree, os.path.join(tmp, "link.csv"))
    os.link(tree, os.path.join(tmp, "hard.csv"))
    wind = os.path.join(tmp, "wind.json")
    json.dump({"keys": [{"time": 0, "preset": "breeze"}]}, open(wind, "w"))
    spellings = [os.path.join(data, "tree", ".", "..", "tree", "tulip_tree.txt"),
                 os.path.join(tmp, "link.csv"), os.path.join(tmp, "hard.csv")]
    for trace in spellings:
        run(exporter, ["--quiet", "--frames", "2", "--data", data, "--trace", trace, "--out", os.path.join(tmp, "x.glb")],
            2, "it is the input file")
    run(recorder, SMALL + ["--data", data, "--trace", os.path.join(data, NOISE_V), "--out", os.path.join(tmp, "r")],
        2, "it is the input file")
    os.symlink(wind, os.path.join(tmp, "wind.mp4"))
    run(recorder, SMALL + ["--data", data, "--wind", wind, "--video", os.path.join(tmp, "wind.mp4"),
                           "--out", os.path.join(tmp, "r")], 2, "(--wind)")
    if snapshot(data) != before or os.path.exists(os.path.join(tmp, "x.glb")):
        fail("a refused run wrote over the data folder or wrote its output")


def outputs_are_distinct(recorder, exporter, tmp):
    same = os.path.join(tmp, "same.glb")
    run(exporter, ["--quiet", "--frames", "2", "--out", same, "--trace", os.path.join(tmp, ".", "same.glb")],
        2, "it is also the --out file")
    help_text = run(exporter, ["--help"], 0).stdout
    if "--web" in help_text:
        page = os.path.join(tmp, "page.html")
        run(exporter, ["--quiet", "--frames", "2", "--web", page, "--trace", page], 2, "it is also the --web file")
        r = run(exporter, ["--quiet", "--frames", "2", "--web", page, "--out", same], 2, "--help")
        if "--web" not in r.stderr or "--out" not in r.stderr:
            fail("--web with --out: both flags are not named\n" + r.stderr)
        if os.path.exists(page) or os.path.exists(same):
            fail("a refused export wrote a file")
    frames = os.path.join(tmp, "rr")
    run(recorder, SMALL + ["--out", frames], 0)
    mp4 = os.path.join(tmp, "v.mp4")
    json.dump({"keys": [{"time": 0, "preset": "gale"}]}, open(os.path.join(frames, "snap005.bmp"), "w"))
    before = snapshot(frames)
    for extra, said in ((["--trace", os.path.join(frames, "snap001.bmp")], "frame file of --out"),
                        (["--wind", os.path.join(frames, "snap005.bmp")], "frame file of --out"),
                        (["--trace", mp4, "--video", mp4], "it is also the --video file")):
        run(recorder, SMALL + extra + ["--out", frames], 2, said)
        if snapshot(frames) != before or os.path.exists(mp4):
            fail("%s: a refused recording touched the frames" % extra)


def full_disk(exporter, tmp):
    # A short write: the next write's reason is the one to report, not a stale errno.
    frames = 200
    limit = frames * POSE_BYTES + 4  # four bytes into the second joint's track

    def small_files():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    run(exporter, ["--quiet", "--frames", str(frames), "--out", os.path.join(tmp, "big.glb")], 1,
        "cannot write the scratch file: File too large", preexec_fn=small_files)
    mnt = os.path.join(tmp, "mnt")
    os.mkdir(mnt)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", mnt], capture_output=True).returncode != 0:
        print("full disk under --web: skipped (cannot mount a tmpfs; not root)")
        return
    try:
        if "--web" in run(exporter, ["--help"], 0).stdout:
            run(exporter, ["--quiet", "--web", os.path.join(mnt, "p.html")], 2, "more than the free space")
    finally:
        subprocess.run(["umount", mnt])


def data_faults(recorder, exporter, tmp):
    cut = data_copy(tmp, "cut")
    grid = os.path.join(cut, NOISE_V)
    open(grid, "w").write(open(grid).read()[:5000])
    r = run(exporter, ["--quiet", "--frames", "2", "--data", cut, "--out", os.path.join(tmp, "c.glb")], 1)
    if grid not in last_line(r):
        fail("a truncated grid is not the one blamed: " + last_line(r))
    r = run(recorder, SMALL + ["--data", cut, "--out", os.path.join(tmp, "rc")], 1)
    if grid not in last_line(r) or "standard output" not in last_line(r) or "line " not in r.stdout:
        fail("the recorder's last line does not name the file and where its reason is:\n" + r.stdout + r.stderr)

    loop = data_copy(tmp, "loop")
    os.remove(os.path.join(loop, TREE))
    os.symlink("tulip_tree.txt", os.path.join(loop, TREE))
    r = run(exporter, ["--quiet", "--frames", "2", "--data", loop, "--out", os.path.join(tmp, "l.glb")], 1)
    if "Too many levels of symbolic links" not in last_line(r):
        fail("a link loop is not named as one: " + last_line(r))

    grass = data_copy(tmp, "grass")
    path = os.path.join(grass, GRASS)
    lines = open(path).read().split("\n", 1)
    open(path, "w").write("0 " + lines[0].split()[1] + "\n" + lines[1])
    r = run(exporter, ["--quiet", "--frames", "2", "--data", grass, "--out", os.path.join(tmp, "g.glb")], 1)
    if path + ", line 1: " not in r.stdout:
        fail("a grass count out of range is not tied to its file:\n" + r.stdout)

    # Permission denied: root reads anything, so as nobody.
    locked = data_copy(tmp, "locked")
    os.chmod(tmp, 0o755)
    for d, _, names in os.walk(locked):
        os.chmod(d, 0o755)
    out = os.path.join(tmp, "w")
    os.mkdir(out)
    os.chmod(out, 0o777)
    grid = os.path.join(locked, NOISE_V)
    os.chmod(grid, 0)
    as_nobody = (lambda: os.setuid(65534)) if os.getuid() == 0 else None
    r = run(exporter, ["--quiet", "--frames", "2", "--data", locked, "--out", os.path.join(out, "p.glb")], 1,
            preexec_fn=as_nobody)
    if "File was not found!\n%s: Permission denied\n" % grid not in r.stdout or \
            "Permission denied" not in last_line(r):
        fail("an unreadable grid is not reported with its reason:\n" + r.stdout + r.stderr)


def main():
    recorder, exporter = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as tmp:
        for check in (lambda: inputs_are_not_outputs(recorder, exporter, tmp),
                      lambda: outputs_are_distinct(recorder, exporter, tmp),
                      lambda: full_disk(exporter, tmp),
                      lambda: data_faults(recorder, exporter, tmp)):
            check()
    print("outputs stay clear of inputs and of each other; data faults name the file and the reason")


if __name__ == "__main__":
    main()
