#!/usr/bin/python3
"""arborvane-grow on a full disk leaves the data folder as it was.

  full_disk_test.py GROW

A folder is grown on a small tmpfs, then filled so that a regrow with
another seed has room for its tree, leaf and wind files but not for its
grass file. The regrow must exit 1 with one line, and every file must keep
its bytes, with no temporary file left. With the filler gone the same regrow
succeeds and changes the tree, so the failed run did have new bytes to write.
Needs root to mount; skipped (77) otherwise."""
import hashlib
import os
import subprocess
import sys
import tempfile

SEED = ["--tree-seed", "5"]
ROOM = 1_500_000  # above the tree, leaf and wind files (~1.2 MB), below the grass file (~2.3 MB)


def snapshot(folder):
    sums = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                sums[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return sums


def grow(tool, out, extra=()):
    return subprocess.run([tool, "--out", out, *extra], capture_output=True, text=True, timeout=300)


def main():
    tool = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as mnt:
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=24m", "tmpfs", mnt], capture_output=True, text=True)
        if r.returncode != 0:
            print(f"SKIPPED: cannot mount a tmpfs ({r.stderr.strip() or 'not root'})")
            sys.exit(77)
        try:
            out, filler = os.path.join(mnt, "gd"), os.path.join(mnt, "filler")
            if grow(tool, out).returncode != 0:
                sys.exit("FAIL: the first grow on an empty tmpfs failed")
            before = snapshot(out)
            st = os.statvfs(mnt)
            with open(filler, "wb") as f:
                f.write(b"\0" * (st.f_bavail * st.f_frsize - ROOM))

            r = grow(tool, out, SEED)
            lines = r.stderr.strip().splitlines()
            if r.returncode != 1 or len(lines) != 1 or "No space left on device" not in lines[0]:
                sys.exit(f"FAIL: full disk: exit {r.returncode}, stderr {r.stderr!r}")
            if "writing grass" not in r.stdout:
                sys.exit(f"FAIL: the disk filled before the grass file; stdout {r.stdout!r}")
            after = snapshot(out)
            changed = sorted(k for k in before.keys() | after.keys() if before.get(k) != after.get(k))
            if changed:
                sys.exit(f"FAIL: a failed grow changed {changed}")

            os.remove(filler)
            if grow(tool, out, SEED).returncode != 0:
                sys.exit("FAIL: the regrow with room failed")
            if snapshot(out)["tree/tulip_tree.txt"] == before["tree/tulip_tree.txt"]:
                sys.exit("FAIL: --tree-seed 5 grew the same tree; the full-disk case proves nothing")
        finally:
            subprocess.run(["umount", mnt])
    print(f"full disk: exit 1, one line; all {len(before)} files as they were")


if __name__ == "__main__":
    main()
