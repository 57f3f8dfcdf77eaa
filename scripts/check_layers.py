#!/usr/bin/env python3
"""Folder equals layer, checked on src/ (or the folder given):

- the core folders, in LAYERS from the bottom up, have no OpenGL and include
  only folders below them (their own folder aside);
- a core folder never includes a GL folder or a front-end;
- cli/, what the programs share (flags, traces, progress), sits above the
  core and below the front-ends: no core folder includes it;
- only front-ends (folders holding a main) include front-ends;
- one Newton bend solver (solveBendAngle), called from one place.

A new folder of core code needs its place in LAYERS. Prints the violations and
a figure line; exit 1 when there is any."""
import os
import re
import sys

# Core folders, lowest first: each may include the ones before it.
LAYERS = ["platform", "math", "data_constants", "image", "tree", "wind", "grass", "scene", "dynamics", "view",
          "batch", "frame", "api"]
# Above the core, below the front-ends: may include core folders, never a GL folder.
FRONT_SUPPORT = ["cli"]

GL_INCLUDE = re.compile(r'#\s*include\s*[<"](GL|EGL|GLES\d?)/')
MAIN = re.compile(r'\bint\s+main\s*\(')
FOLDER_INCLUDE = re.compile(r'#\s*include\s*"([^"/]+)/[^"]+"')


def read_sources(src):
    files = {}
    for d, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".hpp", ".cpp", ".cc")):
                path = os.path.join(d, name)
                with open(path, errors="replace") as f:
                    files[os.path.relpath(path, src)] = f.read()
    return files


def folder(rel):
    return rel.split(os.sep)[0] if os.sep in rel else ""


def include_violations(files):
    folders = {folder(r) for r in files} - {""}
    gl = {folder(r) for r, t in files.items() if GL_INCLUDE.search(t)}
    front = {folder(r) for r, t in files.items() if MAIN.search(t)}
    rank = {name: i for i, name in enumerate(LAYERS)}
    bad = []
    for name in sorted(folders - gl - front - set(LAYERS) - set(FRONT_SUPPORT)):
        bad.append("%s/ is neither a front-end nor a GL folder and has no place in LAYERS" % name)
    for r, t in sorted(files.items()):
        f = folder(r)
        if f in rank and GL_INCLUDE.search(t):
            bad.append("%s core folder %s includes an OpenGL header" % (r, f))
        for m in FOLDER_INCLUDE.finditer(t):
            to = m.group(1)
            if to == f or to not in folders:
                continue
            where = "%s:%d" % (r, t[: m.start()].count("\n") + 1)
            if f in rank and to in FRONT_SUPPORT:
                bad.append("%s core folder %s includes %s/, the programs' support above the core" % (where, f, to))
            elif f in FRONT_SUPPORT and (to in gl or to in front):
                bad.append("%s %s/ includes %s/ (%s)" % (where, f, to, "GL" if to in gl else "front-end"))
            elif f in rank and (to in gl or to in front):
                bad.append("%s core folder %s includes %s/ (%s)" % (where, f, to, "GL" if to in gl else "front-end"))
            elif f in rank and to in rank and rank[to] > rank[f]:
                bad.append("%s core folder %s includes %s/, which lies above it" % (where, f, to))
            elif f not in front and to in front:
                bad.append("%s %s/ includes front-end %s/" % (where, f, to))
    return bad, gl, front


def bend_solver_violations(files):
    body = re.compile(r'\bsolveBendAngle\s*\([^;{)]*\)\s*(const\s*)?\{')
    defs = [r for r, t in files.items() if body.search(t)]
    calls = sum(len(re.findall(r'\bsolveBendAngle\s*\(', t)) - len(body.findall(t)) -
                len(re.findall(r'\bdouble\s+solveBendAngle\s*\([^)]*\)\s*;', t)) for t in files.values())
    bad = []
    if len(defs) > 1:
        bad.append("solveBendAngle has %d bodies: %s" % (len(defs), ", ".join(sorted(defs))))
    if calls > 1:
        bad.append("solveBendAngle is called from %d places (one chain-bending routine expected)" % calls)
    return bad, len(defs), calls


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    files = read_sources(src)
    if not files:
        sys.exit("check_layers: no sources under " + src)
    bad, gl, front = include_violations(files)
    solver_bad, bodies, calls = bend_solver_violations(files)
    bad += solver_bad
    for b in bad[:40]:
        print("FAIL", b)
    print("%s; layers %s < %s; GL folders %s; front-ends %s; %d violations; solveBendAngle bodies %d, call sites %d" %
          ("ok" if not bad else "%d failures" % len(bad), " < ".join(LAYERS), "/".join(FRONT_SUPPORT), sorted(gl), sorted(front), len(bad),
           bodies, calls))
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
