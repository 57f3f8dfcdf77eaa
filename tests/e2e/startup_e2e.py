#!/usr/bin/env python3
"""Start-up without the tree model file: the real program under its own Xvfb
opens its 800 x 600 "Arborvane" window, clears to the sky colour, reports
"File loading error!" and ends with status 0 on Esc.

Arguments: the arborvane executable and the generated data dir."""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import HarnessError, Session, fail, near, skip  # noqa: E402

SKY = (60, 168, 248)
SCENE_TEXTURES = ["tree/tulip_trunk.bmp", "tree/tulip_branch.bmp", "tree/ground.bmp", "tree/poplar_leafup.bmp",
                  "tree/poplar_leafdown.bmp", "tree/poplar_petiole.bmp"]


def main():
    if len(sys.argv) != 3:
        fail("usage: startup_e2e.py <arborvane> <data dir>")
    exe, data = sys.argv[1], sys.argv[2]
    if not (os.path.isfile(exe) and os.access(exe, os.X_OK)):
        skip("no arborvane executable at " + exe)
    missing = [name for name in SCENE_TEXTURES if not os.path.isfile(os.path.join(data, name))]
    if missing:
        skip("scene textures not generated: " + ", ".join(missing))

    work = tempfile.mkdtemp(prefix="arborvane_startup_")
    try:
        shutil.copytree(data, os.path.join(work, "data"))
        tree_file = os.path.join(work, "data", "tree", "tulip_tree.txt")
        if os.path.exists(tree_file):
            os.remove(tree_file)
        with Session() as s:
            p = s.launch(exe, work)
            try:
                win = s.find_window("^Arborvane$", timeout=90, program=p)
            except HarnessError as e:
                fail("%s\nstdout:\n%s\nstderr:\n%s" % (e, p.stdout_text(), p.stderr_text()))
            if s.window_name(win) != "Arborvane":
                fail("window title %r" % s.window_name(win))
            _, _, width, height = s.geometry(win)
            if (width, height) != (800, 600):
                fail("window is %d x %d, expected 800 x 600" % (width, height))

            image = s.wait_for_pixel(win, 400, 5, SKY, tolerance=2, timeout=60)
            image.save_png(s.artifact("startup_no_tree.png"))
            for x, y in ((400, 5), (790, 5)):
                if not near(image.pixel(x, y), SKY, 2):
                    fail("pixel (%d, %d) is %r, expected the sky %r" % (x, y, image.pixel(x, y), SKY))

            s.key(win, "Escape")
            status = p.wait(30)
            out, err = p.stdout_text(), p.stderr_text()
            if status != 0:
                fail("exit status %d after Esc\nstdout:\n%s\nstderr:\n%s" % (status, out, err))
            if "File loading error!" not in out.splitlines():
                fail("no \"File loading error!\" line on standard output:\n" + out)
            if "Tree model file does not exist!" not in err:
                fail("no notice about the missing tree file on standard error:\n" + err)
            print(out, end="")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("start-up without the tree file: ok")


if __name__ == "__main__":
    main()
