#!/usr/bin/env python3
"""Mutation score of the unit suite over the no-GL core.

Picks COUNT mutation sites with SEED among the binary arithmetic, comparison
and logical operators and the small integer constants of the core folders,
applies one at a time in a scratch copy of the repository, rebuilds it
(Release, no window program), runs the unit tests (the gtest suite: no e2e,
soak, record, install, export or scripts labels), restores the file, and
prints each survivor and the score.

    scripts/mutate.py --seed 1 --count 20 [--start K] [--scratch DIR] [--jobs N] [--list]

The scratch copy is brought back in line with the repository at every start,
so a run cut off in the middle of a mutant cannot poison the next one. Run by
hand; it takes a few minutes a mutant.
"""
import argparse
import filecmp
import os
import random
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIP_DIRS = {".git", "node_modules", "__pycache__"}
GL_INCLUDE = re.compile(r'#\s*include\s*[<"](GL|EGL|GLES\d?)/')
MAIN = re.compile(r"\bint\s+main\s*\(")

# Spaced binary operators only: the code is formatted that way, and it keeps
# templates, pointers, references and unary minus out of reach.
SWAPS = [
    (r" \+ ", " - "), (r" - ", " + "), (r" \* ", " / "), (r" / ", " * "),
    (r" < ", " <= "), (r" <= ", " < "), (r" > ", " >= "), (r" >= ", " > "),
    (r" == ", " != "), (r" != ", " == "), (r" && ", " || "), (r" \|\| ", " && "),
]
SMALL_INT = re.compile(r"(?<![\w.])([0-9])(?![\w.])")


def core_folders(src):
    """Folders of src/ with no GL include and no main(): the core."""
    folders = {}
    for name in sorted(os.listdir(src)):
        path = os.path.join(src, name)
        if not os.path.isdir(path):
            continue
        texts = []
        for dirpath, _, files in os.walk(path):
            for f in files:
                if f.endswith((".h", ".cpp")):
                    with open(os.path.join(dirpath, f), errors="replace") as fh:
                        texts.append(fh.read())
        if texts and not any(GL_INCLUDE.search(t) or MAIN.search(t) for t in texts):
            folders[name] = path
    return folders


def code_part(line):
    """The line without string and character literals and without a trailing comment; None for lines to skip."""
    stripped = line.strip()
    if not stripped or stripped.startswith(("#", "//", "/*", "*")) or "static_assert" in line:
        return None
    text = re.sub(r'"(\\.|[^"\\])*"', lambda m: "\0" * len(m.group(0)), line)
    text = re.sub(r"'(\\.|[^'\\])*'", lambda m: "\0" * len(m.group(0)), text)
    cut = text.find("//")
    return text if cut < 0 else text[:cut]


def sites_of(rel, text):
    """Every (file, line number, column, before, after) that can be mutated in text."""
    out = []
    in_block = False
    for number, line in enumerate(text.split("\n"), 1):
        if in_block:
            if "*/" in line:
                in_block = False
            continue
        if line.strip().startswith("/*") and "*/" not in line:
            in_block = True
            continue
        code = code_part(line)
        if code is None:
            continue
        for pattern, after in SWAPS:
            for m in re.finditer(pattern, code):
                out.append((rel, number, m.start(), m.group(0), after))
        for m in SMALL_INT.finditer(code):
            digit = m.group(1)
            out.append((rel, number, m.start(), digit, str((int(digit) + 1) % 10)))
    return out


def all_sites(src):
    sites = []
    for folder, path in core_folders(src).items():
        for dirpath, _, files in os.walk(path):
            for f in sorted(files):
                if f.endswith((".h", ".cpp")):
                    full = os.path.join(dirpath, f)
                    with open(full, errors="replace") as fh:
                        sites += sites_of(os.path.relpath(full, ROOT), fh.read())
    return sorted(sites)


def sync_scratch(scratch):
    """Copies every file of the repository that differs into scratch (builds and .git left out)."""
    for dirpath, dirs, files in os.walk(ROOT):
        rel_dir = os.path.relpath(dirpath, ROOT)
        dirs[:] = [d for d in dirs if d not in SKIP_DIRS and not (rel_dir == "." and d.startswith("build"))]
        os.makedirs(os.path.join(scratch, rel_dir), exist_ok=True)
        for f in files:
            source, target = os.path.join(dirpath, f), os.path.join(scratch, rel_dir, f)
            if not os.path.exists(target) or not filecmp.cmp(source, target, shallow=False):
                # A fresh time stamp, not the repository's: a mutant's object built after the
                # repository file was last touched would otherwise look up to date.
                shutil.copyfile(source, target)
                shutil.copymode(source, target)


def run(cmd, cwd, log):
    with open(log, "w") as fh:
        return subprocess.call(cmd, cwd=cwd, stdout=fh, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)


def build_and_test(scratch, build, jobs):
    """'killed', 'survived' or 'stillborn' (does not build)."""
    log = os.path.join(build, "mutate.log")
    if run(["cmake", "--build", build, "-j%d" % jobs], scratch, log) != 0:
        return "stillborn"
    status = run(["ctest", "-j%d" % jobs, "-LE", "e2e|soak|record|install|export|scripts", "--timeout", "300",
                  "--stop-on-failure"], build, log)
    return "killed" if status != 0 else "survived"


def mutate_line(line, column, before, after):
    assert line[column:column + len(before)] == before, (line, column, before)
    return line[:column] + after + line[column + len(before):]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=1, help="which sites are picked (default 1)")
    parser.add_argument("--count", type=int, default=20, help="mutants to try (default 20)")
    parser.add_argument("--scratch", default=os.path.join(ROOT, "build-mutate"), help="scratch copy and build")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2, help="build and test jobs")
    parser.add_argument("--start", type=int, default=1, help="first picked mutant to try, to resume a cut-off run")
    parser.add_argument("--site", action="append", default=[], metavar="FILE:LINE",
                        help="only the picked mutants on this line (repeatable): to re-try a survivor")
    parser.add_argument("--list", action="store_true", help="print the picked sites and stop")
    args = parser.parse_args()

    sites = all_sites(os.path.join(ROOT, "src"))
    picked = random.Random(args.seed).sample(sites, min(args.count, len(sites)))
    print("mutate: %d sites in the core, %d picked with seed %d" % (len(sites), len(picked), args.seed))
    if args.list:
        for rel, number, _, before, after in picked:
            print("  %s:%d %r -> %r" % (rel, number, before.strip(), after.strip()))
        return 0

    scratch = os.path.join(args.scratch, "src-copy")
    build = os.path.join(args.scratch, "build")
    sync_scratch(scratch)
    os.makedirs(build, exist_ok=True)
    configure = ["cmake", "-S", scratch, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DARBORVANE_APP=OFF",
                 "-DARBORVANE_BENCH=OFF"]
    if shutil.which("ccache"):
        # Restoring a mutated header recompiles everything that includes it; the cache makes that cheap.
        configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    if run(configure, scratch, os.path.join(args.scratch, "configure.log")) != 0:
        print("mutate: configure failed, see %s/configure.log" % args.scratch, file=sys.stderr)
        return 1
    if build_and_test(scratch, build, args.jobs) != "survived":
        print("mutate: the unmutated suite does not pass in %s; see %s/mutate.log" % (build, build), file=sys.stderr)
        return 1

    results = {"killed": 0, "survived": 0, "stillborn": 0}
    survivors = []
    for i, (rel, number, column, before, after) in enumerate(picked, 1):
        if i < args.start or (args.site and "%s:%d" % (rel, number) not in args.site):
            continue
        path = os.path.join(scratch, rel)
        with open(path) as fh:
            original = fh.read()
        lines = original.split("\n")
        lines[number - 1] = mutate_line(lines[number - 1], column, before, after)
        start = time.time()
        try:
            with open(path, "w") as fh:
                fh.write("\n".join(lines))
            outcome = build_and_test(scratch, build, args.jobs)
        finally:
            with open(path, "w") as fh:
                fh.write(original)
        results[outcome] += 1
        note = "%s:%d %s -> %s" % (rel, number, before.strip(), after.strip())
        print("[%d/%d] %-9s %s (%.0f s)" % (i, len(picked), outcome, note, time.time() - start), flush=True)
        if outcome == "survived":
            survivors.append(note)
    # Leave the scratch build matching the repository for the next run.
    run(["cmake", "--build", build, "-j%d" % args.jobs], scratch, os.path.join(build, "mutate.log"))

    judged = results["killed"] + results["survived"]
    print("survivors:" if survivors else "survivors: none")
    for s in survivors:
        print("  " + s)
    score = 100.0 * results["killed"] / judged if judged else 0.0
    print("score: %d of %d killed (%.0f %%), %d did not build" % (results["killed"], judged, score,
                                                                   results["stillborn"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
