#!/usr/bin/python3
"""Measures an exported clip from the .glb alone, by the glTF rules, with none
of the exporter's own numbers:

  glb_motion.py seam FILE.glb [--max R]
      the mean over animated joints of the turn from the last frame to the
      first, against the median over the clip of the same mean from one frame
      to the next; fails above R.
  glb_motion.py error FULL.glb REDUCED.glb [--max-mean F] [--level N]
      skins both files' tree (bark, petioles, leaf blades) at every frame and
      reports the mean and largest distance between matching vertices as a
      fraction of the tree's height; fails when the mean is above F. With
      --level N the lighter level N of --lod (meshes named *_LODN) instead.
  glb_motion.py joints FILE.glb
      the joint count of the tree's skin.
"""
import json
import struct
import sys

import numpy as np

COMPONENT = {5120: np.int8, 5121: np.uint8, 5122: np.int16, 5123: np.uint16, 5125: np.uint32, 5126: np.float32}
WIDTH = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4, "MAT4": 16}
NORMALISED = {np.int8: 127.0, np.uint8: 255.0, np.int16: 32767.0, np.uint16: 65535.0}


class Glb:
    def __init__(self, path):
        data = open(path, "rb").read()
        magic, version, length = struct.unpack_from("<4sII", data, 0)
        if magic != b"glTF" or version != 2 or length != len(data):
            sys.exit(f"{path}: not a whole binary glTF 2.0 file")
        at, self.bin = 12, b""
        while at < length:
            size, kind = struct.unpack_from("<II", data, at)
            chunk = data[at + 8:at + 8 + size]
            if kind == 0x4E4F534A:
                self.doc = json.loads(chunk)
            elif kind == 0x004E4942:
                self.bin = chunk
            at += 8 + size
        self.path = path

    def accessor(self, index):
        a = self.doc["accessors"][index]
        view = self.doc["bufferViews"][a["bufferView"]]
        dtype = COMPONENT[a["componentType"]]
        width = WIDTH[a["type"]]
        start = view.get("byteOffset", 0) + a.get("byteOffset", 0)
        stride = view.get("byteStride", 0) or np.dtype(dtype).itemsize * width
        count = a["count"]
        raw = np.frombuffer(self.bin, dtype=np.uint8, count=stride * (count - 1) + np.dtype(dtype).itemsize * width,
                            offset=start)
        rows = np.lib.stride_tricks.as_strided(raw, shape=(count, np.dtype(dtype).itemsize * width),
                                               strides=(stride, 1))
        values = np.ascontiguousarray(rows).view(dtype).reshape(count, width)
        if a.get("normalized"):
            return np.maximum(values.astype(np.float64) / NORMALISED[dtype], -1.0)
        return values.astype(np.float64)

    def clip(self):
        """Per node: {path: values[frame]} and the frame count."""
        animation = self.doc["animations"][0]
        tracks, frames = {}, 0
        for channel in animation["channels"]:
            sampler = animation["samplers"][channel["sampler"]]
            values = self.accessor(sampler["output"])
            frames = max(frames, len(values))
            tracks.setdefault(channel["target"]["node"], {})[channel["target"]["path"]] = values
        return tracks, frames

    def skin(self, name):
        for s in self.doc.get("skins", []):
            if s.get("name") == name:
                return s
        sys.exit(f"{self.path}: no skin '{name}'")


def turn(a, b):
    """Angles between unit quaternions, rows of a and b."""
    dot = np.abs(np.sum(a * b, axis=-1) / (np.linalg.norm(a, axis=-1) * np.linalg.norm(b, axis=-1)))
    return 2.0 * np.arccos(np.clip(dot, 0.0, 1.0))


def seam(path):
    tracks, frames = Glb(path).clip()
    q = np.stack([t["rotation"] for t in tracks.values() if "rotation" in t], axis=1)  # [frame][joint][4]
    steps = turn(q[:-1], q[1:]).mean(axis=1)
    jump = turn(q[-1], q[0]).mean()
    return jump, float(np.median(steps)), frames, q.shape[1]


def matrices(t, r, s):
    """4x4 matrices from translations, quaternions (x y z w) and scales, [n]."""
    x, y, z, w = (r[:, i] for i in range(4))
    m = np.zeros((len(t), 4, 4))
    m[:, 0, 0], m[:, 0, 1], m[:, 0, 2] = 1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)
    m[:, 1, 0], m[:, 1, 1], m[:, 1, 2] = 2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)
    m[:, 2, 0], m[:, 2, 1], m[:, 2, 2] = 2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)
    m[:, :3, :3] *= s[:, None, :]
    m[:, :3, 3] = t
    m[:, 3, 3] = 1
    return m


class Poser:
    """World matrices of every node at a frame."""

    def __init__(self, glb):
        self.glb = glb
        nodes = glb.doc["nodes"]
        self.tracks, self.frames = glb.clip()
        n = len(nodes)
        self.t = np.array([n_.get("translation", [0, 0, 0]) for n_ in nodes], dtype=float)
        self.r = np.array([n_.get("rotation", [0, 0, 0, 1]) for n_ in nodes], dtype=float)
        self.s = np.array([n_.get("scale", [1, 1, 1]) for n_ in nodes], dtype=float)
        self.parent = np.full(n, -1)
        for i, node in enumerate(nodes):
            for c in node.get("children", []):
                self.parent[c] = i
        order, seen = [], np.zeros(n, bool)
        for i in range(n):  # parents before children
            chain = []
            while i >= 0 and not seen[i]:
                chain.append(i)
                seen[i] = True
                i = self.parent[i]
            order.extend(reversed(chain))
        self.order = order

    def world(self, frame):
        t, r, s = self.t.copy(), self.r.copy(), self.s.copy()
        for node, paths in self.tracks.items():
            for path, values in paths.items():
                v = values[min(frame, len(values) - 1)]
                {"translation": t, "rotation": r, "scale": s}[path][node] = v
        local = matrices(t, r, s)
        world = local.copy()
        for i in self.order:
            if self.parent[i] >= 0:
                world[i] = world[self.parent[i]] @ local[i]
        return world


def tree_vertices(glb, level=0):
    """The tree's vertex sets in a fixed order: (kind, data) per set, bark and
    petioles skinned, leaf blades per node or skinned; level > 0: that
    lighter level's skinned meshes, the kind without its suffix."""
    doc, sets = glb.doc, []
    suffix = f"_LOD{level}" if level else ""
    leaf_nodes = [i for i, n in enumerate(doc["nodes"]) if "mesh" in n and "skin" not in n
                  and doc["meshes"][n["mesh"]]["name"] == "leaf_blade" and not level]
    for i, node in enumerate(doc["nodes"]):
        if "skin" not in node:
            continue
        name = doc["meshes"][node["mesh"]]["name"]
        if (level and not name.endswith(suffix)) or (not level and (
                doc["skins"][node["skin"]].get("name") != "tree" or "_LOD" in name)):
            continue
        name = name[:len(name) - len(suffix)]
        prims = doc["meshes"][node["mesh"]]["primitives"]
        if name.startswith("leaf_blade"):
            prims = prims[:1]  # the upper surface repeats the lower one's points
        for prim in prims:
            at = prim["attributes"]
            ibm = glb.accessor(doc["skins"][node["skin"]]["inverseBindMatrices"]).reshape(-1, 4, 4).transpose(0, 2, 1)
            sets.append((name, ("skin", glb.accessor(at["POSITION"]),
                         glb.accessor(at["JOINTS_0"]).astype(int), glb.accessor(at["WEIGHTS_0"]),
                         np.array(doc["skins"][node["skin"]]["joints"]), ibm)))
    if leaf_nodes:
        # One blade per node, a vertex per corner: each distinct point once,
        # in the order the corners first use it, as a skinned blade holds it.
        prim = doc["meshes"][doc["nodes"][leaf_nodes[0]]["mesh"]]["primitives"][0]
        at = prim["attributes"]
        rows = np.c_[glb.accessor(at["POSITION"]), glb.accessor(at["TEXCOORD_0"])]
        _, first = np.unique(rows, axis=0, return_index=True)
        sets.append(("leaf_blade", ("nodes", rows[np.sort(first), :3], leaf_nodes)))
    return sets


def place(kind, world):
    if kind[0] == "skin":
        _, p, joints, weights, skin_nodes, ibm = kind
        m = world[skin_nodes] @ ibm  # [joint][4][4]
        ph = np.c_[p, np.ones(len(p))]
        out = np.zeros((len(p), 3))
        for k in range(4):
            w = weights[:, k]
            used = w > 0
            out[used] += w[used, None] * np.einsum("vij,vj->vi", m[joints[used, k]], ph[used])[:, :3]
        return out
    _, p, nodes = kind
    ph = np.c_[p, np.ones(len(p))]
    return np.concatenate([(world[n] @ ph.T).T[:, :3] for n in nodes])


def error(full_path, reduced_path, level=0):
    full, reduced = Glb(full_path), Glb(reduced_path)
    pf, pr = Poser(full), Poser(reduced)
    sf, sr = tree_vertices(full, level), tree_vertices(reduced, level)
    if [k for k, _ in sf] != [k for k, _ in sr]:
        sys.exit(f"the two files hold different parts: {[k for k, _ in sf]} and {[k for k, _ in sr]}")
    frames = min(pf.frames, pr.frames)
    rest = np.concatenate([d[1] for k, d in sf if k == "bark"])  # the bark at rest: its bind positions
    height = rest[:, 1].max() - rest[:, 1].min()
    total, count, largest = 0.0, 0, 0.0
    for f in range(frames):
        a = np.concatenate([place(d, pf.world(f)) for _, d in sf])
        b = np.concatenate([place(d, pr.world(f)) for _, d in sr])
        if a.shape != b.shape:
            sys.exit(f"vertex counts differ: {len(a)} and {len(b)}")
        d = np.linalg.norm(a - b, axis=1)
        total, count, largest = total + d.sum(), count + len(d), max(largest, d.max())
    return total / count / height, largest / height, height, frames


def main(argv):
    if len(argv) >= 2 and argv[0] == "seam":
        jump, step, frames, joints = seam(argv[1])
        ratio = jump / step if step > 0 else float("inf")
        print(f"{argv[1]}: {frames} frames, {joints} turning joints; seam {jump:.3g} rad, median step {step:.3g} rad, "
              f"ratio {ratio:.2f}")
        limit = float(argv[3]) if len(argv) > 3 and argv[2] == "--max" else None
        return 1 if limit is not None and not ratio <= limit else 0
    if len(argv) >= 3 and argv[0] == "error":
        level = int(argv[argv.index("--level") + 1]) if "--level" in argv else 0
        mean, largest, height, frames = error(argv[1], argv[2], level)
        print(f"{argv[2]} against {argv[1]}{f' (level {level})' if level else ''}: over {frames} frames, height {height:.3f}: mean vertex error "
              f"{100 * mean:.3f} %, largest {100 * largest:.3f} % of the height")
        limit = float(argv[argv.index("--max-mean") + 1]) if "--max-mean" in argv else None
        return 1 if limit is not None and not mean <= limit else 0
    if len(argv) == 2 and argv[0] == "joints":
        print(len(Glb(argv[1]).skin("tree")["joints"]))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
