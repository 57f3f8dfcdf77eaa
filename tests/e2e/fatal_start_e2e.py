#!/usr/bin/env python3
"""Fatal start-up paths: a missing ground texture prints
"Error on loading texture ./data/tree/ground.bmp" with no line break, waits
for one character on standard input, exits with status 1 and opens no later
data file; without an X display the program says so in one line and exits 1;
a stray argument is refused with status 2.

Arguments: the arborvane executable and the generated data dir."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, fail, skip  # noqa: E402

EXPECTED = "Error on loading texture ./data/tree/ground.bmp"
LATER_FILES = ["tree/poplar_leafup.bmp", "tree/poplar_leafdown.bmp", "tree/poplar_petiole.bmp",
               "tree/poplar_leaf.txt", "grass/grass01.bmp", "noise/n32_3Du_beta1dot67.txt", "tree/tulip_tree.txt",
               "grass/grass1_5000_50x50_4_len4.txt"]


def check_missing_ground(exe, data):
    work = tempfile.mkdtemp(prefix="arborvane_fatal_")
    try:
        shutil.copytree(data, os.path.join(work, "data"))
        os.remove(os.path.join(work, "data", "tree", "ground.bmp"))
        trace = os.path.join(work, "open.trace")
        strace = shutil.which("strace")
        with Session() as s:
            # Standard input is empty: end of input counts as the awaited character.
            if strace:
                p = s.launch(strace, work, args=["-f", "-qq", "-e", "trace=open,openat", "-o", trace,
                                                 os.path.abspath(exe)], stdin=b"")
            else:
                p = s.launch(exe, work, stdin=b"")
            status = p.wait(120)
            out, err = p.stdout_text(), p.stderr_text()
        if status != 1:
            fail("exit status %d, expected 1\nstdout:\n%s\nstderr:\n%s" % (status, out, err))
        if out != EXPECTED:
            fail("standard output %r, expected exactly %r; stderr %r" % (out, EXPECTED, err))
        if "not found" in err or "Loading" in err:
            fail("a later loader ran:\n" + err)
        if strace:
            with open(trace, errors="replace") as f:
                opened = re.findall(r'open(?:at)?\([^"]*"([^"]+)"', f.read())
            for name in LATER_FILES:
                if any(path.endswith(name) for path in opened):
                    fail("%s was opened after the fatal texture failure" % name)
            if not any(path.endswith("tree/tulip_branch.bmp") for path in opened):
                fail("the trace shows no texture reads; strace output unusable")
            print("opened data files:", [p for p in opened if "/data/" in p or p.startswith("./data")])
    finally:
        shutil.rmtree(work, ignore_errors=True)


def check_waits_for_input(exe, data):
    """With an open, silent standard input the program must wait, and end on one character."""
    work = tempfile.mkdtemp(prefix="arborvane_fatal_wait_")
    try:
        shutil.copytree(data, os.path.join(work, "data"))
        os.remove(os.path.join(work, "data", "tree", "ground.bmp"))
        with Session() as s:
            p = subprocess.Popen([os.path.abspath(exe)], cwd=work, env=s.env, stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
            try:
                time.sleep(3)
                if p.poll() is not None:
                    fail("exited (status %d) before a character was typed" % p.returncode)
                out, _ = p.communicate(b"x", timeout=60)
            finally:
                if p.poll() is None:
                    p.kill()
                    p.wait()
        if p.returncode != 1 or out.decode() != EXPECTED:
            fail("after one character: status %d, output %r" % (p.returncode, out))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def check_no_display(exe):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    result = subprocess.run([os.path.abspath(exe)], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=30)
    err = result.stderr.decode(errors="replace")
    if result.returncode != 1:
        fail("without DISPLAY: status %d, expected 1" % result.returncode)
    lines = err.strip().splitlines()
    if len(lines) != 1 or "display" not in lines[0].lower() or "Xvfb" not in lines[0] and "xvfb" not in lines[0]:
        fail("without DISPLAY: expected one line naming the display and Xvfb, got %r" % err)
    if result.stdout:
        fail("without DISPLAY: unexpected standard output %r" % result.stdout)
    env["DISPLAY"] = ":1999"  # no server there
    result = subprocess.run([os.path.abspath(exe)], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=30)
    if result.returncode != 1 or len(result.stderr.decode().strip().splitlines()) != 1:
        fail("with an unreachable display: status %d, stderr %r" % (result.returncode, result.stderr))


def check_stray_argument(exe, data):
    """A word neither the program nor GLUT takes: exit 2, with --data suggested for a folder."""
    with Session() as s:
        for args, hint in ((["data"], "did you mean --data data?"), (["-geometry", "300x200+0+0", "oops"], "")):
            r = subprocess.run([os.path.abspath(exe)] + args, cwd=os.path.dirname(os.path.abspath(data)), env=s.env,
                               stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
            err = r.stderr.decode(errors="replace")
            if r.returncode != 2 or "unexpected argument " + args[-1] not in err or hint not in err:
                fail("arborvane %s: status %d, stderr %r" % (" ".join(args), r.returncode, err))


def main():
    if len(sys.argv) != 3:
        fail("usage: fatal_start_e2e.py <arborvane> <data dir>")
    exe, data = sys.argv[1], sys.argv[2]
    if not (os.path.isfile(exe) and os.access(exe, os.X_OK)):
        skip("no arborvane executable at " + exe)
    if not os.path.isfile(os.path.join(data, "tree", "ground.bmp")):
        skip("no generated data in " + data)
    check_no_display(exe)
    check_stray_argument(exe, data)
    check_missing_ground(exe, data)
    check_waits_for_input(exe, data)
    print("fatal start-up paths: ok")


if __name__ == "__main__":
    main()
