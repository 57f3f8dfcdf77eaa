#!/usr/bin/env python3
"""Wind input a user gets wrong, in arborvane-record and arborvane-export: each
is refused at once (exit 2, one line naming the flag or the file and the
reason), and an earlier run's frames stay as they were. Covers gust schedules
too fine to follow (they used to hang), files that are not regular or too
large (/dev/zero was read without end, a FIFO waited on), the system's reason
for a file that cannot be opened, and the messages of bad flag values.

Arguments: the recorder and the exporter. Run from the build directory (./data)."""
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import time

SMALL = ["--frames", "3", "--width", "64", "--height", "48"]
KEY0 = [{"time": 0, "preset": "storm"}]


def fail(message):
    sys.exit("FAIL: " + message)


# A refusal comes before any work: far under this even on a busy machine. A
# hang or an unbounded read would run on to the timeout.
REFUSAL_SECONDS = 10


def run(program, args, status, timeout=60):
    start = time.monotonic()
    try:
        r = subprocess.run([program] + args, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                           timeout=timeout)
    except subprocess.TimeoutExpired:
        fail("%s %s still running after %d s" % (os.path.basename(program), " ".join(args), timeout))
    if r.returncode != status:
        fail("%s %s exited %d, expected %d\n%s%s" % (os.path.basename(program), " ".join(args), r.returncode,
                                                     status, r.stdout, r.stderr))
    return r, time.monotonic() - start


def digests(folder):
    return {name: hashlib.sha256(open(os.path.join(folder, name), "rb").read()).hexdigest()
            for name in sorted(os.listdir(folder))}


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
    return path


def refusals(tmp):
    """(arguments, texts the one-line message must hold) for each fault."""
    path = lambda *p: os.path.join(tmp, *p)  # noqa: E731
    extreme = write(path("extreme.json"), json.dumps(
        {"keys": KEY0, "gusts": {"every": 1e-20, "strength": 0.5, "rise": 1e-20, "fall": 2}}))
    os.mkfifo(path("fifo"))
    os.symlink("loop", path("loop"))
    os.mkdir(path("folder"))
    write(path("big.json"), '{"keys": [{"time": 0}]}' + " " * (5 << 20))
    good = write(path("good.json"), json.dumps({"keys": KEY0}))
    cases = [
        (["--wind", extreme], ["gusts.every", "0.05"]),
        (["--wind", "/dev/zero"], ["/dev/zero", "not a regular file"]),
        (["--wind", path("fifo")], ["fifo", "not a regular file"]),
        (["--wind", path("big.json")], ["big.json", "4 MB"]),
        (["--wind", path("missing.json")], ["missing.json", "No such file or directory"]),
        (["--wind", path("loop")], ["loop", "Too many levels of symbolic links"]),
        (["--wind", path("folder")], ["folder", "Is a directory"]),
        (["--wind", good, "--breeze"], ["--breeze", "--wind"]),
        (["--wind-dir", "0,1,0"], ["--wind-dir", "horizontal"]),
        (["--wind-dir", "1e308,0,1e308"], ["--wind-dir", "out of range"]),
        (["--wind", write(path("huge.json"), '{"keys": [\n {"time": 0, "magnitude": 1e400}]}')],
         ["keys[0].magnitude", "out of range", "line 2"]),
        (["--wind", write(path("late.json"), '{"keys": [{"time": 0}, {"time": 1e12}]}')], ["keys[1].time", "1e9"]),
        (["--wind", write(path("twice.json"), '{"keys": [{"time": 0, "magnitude": 5, "magnitude": 9}]}')],
         ["keys[0].magnitude", "twice"]),
    ]
    if os.geteuid() != 0:  # root reads any mode bits
        os.chmod(write(path("locked.json"), "{}"), 0)
        cases.append((["--wind", path("locked.json")], ["locked.json", "Permission denied"]))
    return cases


def main():
    recorder, exporter = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out")
        run(recorder, SMALL + ["--out", out], 0)
        frames = digests(out)
        for args, said in refusals(tmp):
            for program, tail in ((recorder, SMALL + ["--out", out]),
                                  (exporter, ["--frames", "3", "--quiet", "--out", os.path.join(tmp, "e.glb")])):
                r, seconds = run(program, args + tail, 2)
                lines = r.stderr.strip().splitlines()
                missing = [s for s in said if s not in lines[0]] if lines else said
                if missing or len(lines) > 2 or seconds > REFUSAL_SECONDS:
                    fail("%s %s: %.1f s, the message lacks %s:\n%s" % (os.path.basename(program), " ".join(args),
                                                                       seconds, missing, r.stderr))
        if digests(out) != frames or os.path.exists(os.path.join(tmp, "e.glb")):
            fail("a refused run touched the earlier frames or wrote a .glb")
        # The finest gusts a file may ask for play at the usual pace.
        floor = write(os.path.join(tmp, "floor.json"), json.dumps(
            {"keys": KEY0, "gusts": {"every": 0.05, "strength": 0.5, "rise": 0.05, "fall": 0.05}}))
        run(exporter, ["--frames", "60", "--quiet", "--wind", floor, "--out", os.path.join(tmp, "floor.glb")], 0,
            timeout=240)
    print("bad wind input is refused at once, naming the flag or file and the reason")


if __name__ == "__main__":
    main()
