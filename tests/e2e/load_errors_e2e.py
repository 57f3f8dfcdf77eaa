#!/usr/bin/env python3
"""Start-up with data files missing, each case in its own scratch data folder
of links to the generated data:

- grass/grass03.bmp missing: "Texture file loading error!" and a line naming
  the file and the reason, and the noise, tree and grass files are still read,
  in that order;
- grass/grass03.bmp cut short: the same, with the reason "pixel data truncated";
- the three noise grids missing: "Noise files loading error!", and the program
  keeps drawing frames (the frame-rate figure moves on) until Esc;
- tree/tulip_tree.txt empty: "File loading error!", the grass still read,
  then one line saying the tree did not load and the window goes on.

Arguments: the arborvane executable and the generated data dir."""
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import HarnessError, Session, fail, skip  # noqa: E402

NOISE = ["noise/n32_3Du_beta1dot67.txt", "noise/n32_3Dv_beta1dot33.txt", "noise/n32_3Dw_beta1dot33.txt"]
NOISE_LOADED = ("Files ./data/noise/n32_3Du_beta1dot67.txt~./data/noise/n32_3Dw_beta1dot33.txt "
                "have successfully been loaded!")
TREE_LOADED = "File ./data/tree/tulip_tree.txt has successfully been loaded!"
GRASS_LOADED = "File ./data/grass/grass1_5000_50x50_4_len4.txt has successfully been loaded!"
OVERLAY = (0, 0, 260, 100)
SKY = (60, 168, 248)  # the three text lines at the top left


def scratch_data(data, leave_out):
    """A folder whose ./data links every generated file except those in leave_out."""
    work = tempfile.mkdtemp(prefix="arborvane_load_")
    for root, _, files in os.walk(data):
        rel = os.path.relpath(root, data)
        os.makedirs(os.path.join(work, "data", rel), exist_ok=True)
        for name in files:
            path = os.path.normpath(os.path.join(rel, name))
            if path not in leave_out:
                os.symlink(os.path.join(root, name), os.path.join(work, "data", path))
    return work


def start(s, exe, work):
    p = s.launch(exe, work)
    try:
        return p, s.find_window("^Arborvane$", timeout=90, program=p)
    except HarnessError as e:
        fail("%s\nstdout:\n%s\nstderr:\n%s" % (e, p.stdout_text(), p.stderr_text()))


def quit_ok(s, p, win):
    s.key(win, "Escape")
    status = p.wait(30)
    if status != 0:
        fail("exit status %d after Esc\nstdout:\n%s\nstderr:\n%s" % (status, p.stdout_text(), p.stderr_text()))
    return p.stdout_text().splitlines()


def in_order(lines, wanted):
    """True when the wanted lines appear in lines in this order."""
    at = 0
    for line in lines:
        if at < len(wanted) and line == wanted[at]:
            at += 1
    return at == len(wanted)


def missing_grass_texture(s, exe, data):
    work = scratch_data(data, {"grass/grass03.bmp"})
    try:
        p, win = start(s, exe, work)
        lines = quit_ok(s, p, win)
        wanted = ["Texture file loading error!", "./data/grass/grass03.bmp: No such file or directory",
                  NOISE_LOADED, TREE_LOADED, GRASS_LOADED]
        if not in_order(lines, wanted):
            fail("missing grass03.bmp: wanted, in order,\n  %s\ngot:\n%s" % ("\n  ".join(wanted), "\n".join(lines)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("missing grass texture: reported, the noise, tree and grass files still read in order")


def truncated_grass_texture(s, exe, data):
    work = scratch_data(data, {"grass/grass03.bmp"})
    try:
        with open(os.path.join(data, "grass/grass03.bmp"), "rb") as f:
            head = f.read(200)  # headers and a few pixels: the rows the header announces are missing
        with open(os.path.join(work, "data", "grass/grass03.bmp"), "wb") as f:
            f.write(head)
        p, win = start(s, exe, work)
        lines = quit_ok(s, p, win)
        wanted = ["Texture file loading error!", "./data/grass/grass03.bmp: pixel data truncated", NOISE_LOADED]
        if not in_order(lines, wanted):
            fail("truncated grass03.bmp: wanted, in order,\n  %s\ngot:\n%s" % ("\n  ".join(wanted), "\n".join(lines)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("truncated grass texture: reported with the file and the reason")


def missing_noise(s, exe, data):
    work = scratch_data(data, set(NOISE))
    try:
        p, win = start(s, exe, work)
        # From the first drawn frame on ("FPS=0.00"), the figure is refreshed
        # about once a second while frames keep coming; without wind nothing
        # else moves.
        first = s.wait_for_pixel(win, 400, 5, SKY, timeout=60).crop(*OVERLAY)
        deadline = time.monotonic() + 30
        while True:
            time.sleep(0.5)
            later = s.screenshot(win)
            if later.crop(*OVERLAY).rgb != first.rgb:
                break
            if p.poll() is not None or time.monotonic() > deadline:
                fail("no new frames after the noise error (exit status %r)\nstdout:\n%s"
                     % (p.poll(), p.stdout_text()))
        later.save_png(s.artifact("load_errors_no_noise.png"))
        lines = quit_ok(s, p, win)
        named = "./data/%s: No such file or directory" % NOISE[0]
        if not in_order(lines, ["File was not found!", named, "Noise files loading error!", TREE_LOADED, GRASS_LOADED]):
            fail("missing noise files: no \"File was not found!\", the u file named, \"Noise files loading error!\", "
                 "then the tree and grass lines:\n"
                 + "\n".join(lines))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("missing noise files: reported, frames go on, Esc ends with status 0")


def empty_tree(s, exe, data):
    tree = "tree/tulip_tree.txt"
    work = scratch_data(data, {tree})
    try:
        open(os.path.join(work, "data", tree), "w").close()
        p, win = start(s, exe, work)
        lines = quit_ok(s, p, win)
        wanted = ["File loading error!", GRASS_LOADED,
                  "arborvane: the tree file ./data/%s did not load; the window goes on without the tree" % tree]
        if not in_order(lines, wanted):
            fail("empty tree file: wanted, in order,\n  %s\ngot:\n%s" % ("\n  ".join(wanted), "\n".join(lines)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("empty tree file: reported, the window goes on, Esc ends with status 0")


def main():
    if len(sys.argv) != 3:
        fail("usage: load_errors_e2e.py <arborvane> <data dir>")
    exe, data = sys.argv[1], sys.argv[2]
    if not (os.path.isfile(exe) and os.access(exe, os.X_OK)):
        skip("no arborvane executable at " + exe)
    if not all(os.path.isfile(os.path.join(data, f)) for f in NOISE + ["grass/grass03.bmp"]):
        skip("data not generated under " + data)
    with Session() as s:
        missing_grass_texture(s, exe, data)
        truncated_grass_texture(s, exe, data)
        missing_noise(s, exe, data)
        empty_tree(s, exe, data)


if __name__ == "__main__":
    main()
