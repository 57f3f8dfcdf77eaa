#!/usr/bin/env python3
"""The window started with its own flags and a GLUT option, three runs:

1. --data DIR --realtime --gusts -geometry 640x480+0+0, from a folder without
   ./data: a 640 x 480 window, the files read from DIR, the fourth overlay
   line "Real time", and the wind line moving (the first gust comes 1.6 s in);
2. --data=DIR --wind-preset storm: the files read from DIR, no fourth line,
   the wind line held;
3. --wind FILE (400 eased to 800 over 1 s): the wind line moves, then holds
   at what the storm preset shows, which its first line was not.
Each ends with status 0 on Esc.

Arguments: the arborvane executable and the generated data dir."""
import json
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import HarnessError, Session, fail  # noqa: E402
from interaction_view import check_arguments, is_sky, white_mask  # noqa: E402


def overlay_line(n, width, height, length=480):
    """Box of overlay line n (1-based): the text sits at 2 % from the left and
    5 % per line from the top, whatever the window size."""
    return (int(0.02 * width) - 6, round(0.05 * n * height) - 22, length, 28)


def start(s, exe, cwd, args):
    p = s.launch(exe, cwd, args, env={"ARBORVANE_DATA": ""})
    try:
        win = s.find_window("^Arborvane$", timeout=120, program=p)
    except HarnessError as e:
        fail("%s: %s\nstdout:\n%s\nstderr:\n%s" % (" ".join(args), e, p.stdout_text(), p.stderr_text()))
    return p, win


def lines_until(s, p, win, box, enough, timeout, what):
    """Masks of the text in box, one per new frame, until enough(masks) holds."""
    masks, last, deadline = [], None, time.monotonic() + timeout
    while not enough(masks):
        if p.poll() is not None or time.monotonic() > deadline:
            fail("%s not seen within %.0f s (status %r)\nstderr:\n%s" % (what, timeout, p.poll(), p.stderr_text()))
        image = s.screenshot(win)
        if image.rgb == last or not is_sky(*image.pixel(image.width // 2, 5)):
            time.sleep(0.1)
            continue
        last = image.rgb
        masks.append(frozenset(white_mask(image, box)))
    return masks, image


def settled(masks):
    return len(masks) >= 3 and masks[-1] == masks[-2] == masks[-3]


def quit_ok(s, p, win, args, loaded_from=None):
    s.key(win, "Escape")
    status = p.wait(30)
    out = p.stdout_text()
    if status != 0:
        fail("%s: exit status %d after Esc\nstderr:\n%s" % (" ".join(args), status, p.stderr_text()))
    if loaded_from and "File %s/tree/tulip_tree.txt has successfully been loaded!" % loaded_from not in out:
        fail("%s: the tree was not read from %s:\n%s" % (" ".join(args), loaded_from, out))


def realtime_gusts_geometry(s, exe, empty, copy):
    args = ["--data", copy, "--realtime", "--gusts", "-geometry", "640x480+0+0"]
    p, win = start(s, exe, empty, args)
    size = s.geometry(win)[2:]
    if size != (640, 480):
        fail("-geometry 640x480: the window is %d x %d" % size)
    masks, image = lines_until(s, p, win, overlay_line(3, 640, 480), lambda m: len(set(m)) >= 2, 60,
                               "a gust moving the wind line")
    image.save_png(s.artifact("window_flags_realtime.png"))
    fourth = len(white_mask(image, overlay_line(4, 640, 480, 200)))
    if fourth < 40:
        fail("--realtime: no \"Real time\" line (%d white pixels)" % fourth)
    quit_ok(s, p, win, args, copy)
    print("--data, --realtime, --gusts, -geometry: read from the copy, 640 x 480, Real time, the wind line moves")


def storm_preset(s, exe, empty, copy):
    args = ["--data=" + copy, "--wind-preset", "storm"]
    p, win = start(s, exe, empty, args)
    masks, image = lines_until(s, p, win, overlay_line(3, 800, 600), settled, 60, "the wind line")
    if len(set(masks)) != 1:
        fail("--wind-preset storm: the wind line changed (%d different)" % len(set(masks)))
    if len(white_mask(image, overlay_line(4, 800, 600, 200))) > 4:
        fail("a fourth overlay line without --realtime")
    quit_ok(s, p, win, args, copy)
    print("--data=DIR, --wind-preset storm: read from the copy, the wind line holds")
    return masks[-1]


def schedule_file(s, exe, work, data, storm):
    os.symlink(data, os.path.join(work, "data"))
    path = os.path.join(work, "wind.json")
    with open(path, "w") as f:
        json.dump({"keys": [{"time": 0, "magnitude": 400}, {"time": 1, "magnitude": 800}]}, f)
    args = ["--wind", path]
    p, win = start(s, exe, work, args)
    masks, image = lines_until(s, p, win, overlay_line(3, 800, 600), settled, 120, "the wind line settling")
    image.save_png(s.artifact("window_flags_schedule.png"))
    if len(set(masks)) < 3 or masks[0] == storm or masks[-1] != storm:
        fail("--wind: %d different wind lines, first %s the storm's, last %s" %
             (len(set(masks)), "is" if masks[0] == storm else "is not", "is" if masks[-1] == storm else "is not"))
    quit_ok(s, p, win, args)
    print("--wind FILE: %d wind lines on the way to the storm's" % len(set(masks)))


def main():
    exe, data = check_arguments(sys.argv, "window_flags_e2e.py")
    scratch = tempfile.mkdtemp(prefix="arborvane_flags_")
    try:
        copy = os.path.join(scratch, "elsewhere")
        shutil.copytree(data, copy, ignore=shutil.ignore_patterns("*.png"))
        folders = [os.path.join(scratch, name) for name in ("empty", "work")]
        for folder in folders:
            os.mkdir(folder)
        with Session() as s:
            realtime_gusts_geometry(s, exe, folders[0], copy)
            storm = storm_preset(s, exe, folders[0], copy)
            schedule_file(s, exe, folders[1], data, storm)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("the window's flags: ok")


if __name__ == "__main__":
    main()
