#!/usr/bin/env python3
"""Writes the small valid seed files of fuzz/corpus/<reader>/, or of
<dir>/<reader>/ when a directory is given. The text seeds are committed; the
BMP seeds are binary and made by scripts/fuzz.sh at every run. Numbers are kept
short so the files stay small."""
import math
import os
import struct
import sys

HERE = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(reader, name, data):
    os.makedirs(os.path.join(HERE, reader), exist_ok=True)
    mode = "wb" if isinstance(data, bytes) else "w"
    with open(os.path.join(HERE, reader, name), mode) as f:
        f.write(data)


def tree(points_of):
    # Row i has children 2i+1 and 2i+2 attached at points 1 and 2 (a heap).
    colours = ["red", "green", "blue", "springgreen", "magenta", "orange", "skyblue", "violetred"]
    lines = ["RowMax=322"]
    for i in range(322):
        n = points_of(i)
        kids = [c for c in (2 * i + 1, 2 * i + 2) if c < 322]
        depth = int(math.log2(i + 1))
        row = [str(i), str(n), str(len(kids)), colours[min(depth, 7)]]
        for k, c in enumerate(kids):
            row += [str(c), str(min(k + 1, n - 1))]
        for k in range(n):
            row += ["%g" % (0.3 * k * (i % 3 - 1)), "%g" % (k + depth), "%g" % (0.2 * k * (i % 2)),
                    "%g" % max(0.05, 1.0 - 0.1 * depth - 0.05 * k)]
        lines.append(" ".join(row))
    return "\n".join(lines) + "\n"


def leaf():
    lines = ["PetioleVerNum=6 LeafVerNum=77 LeafFacesNum=95"]
    for k in range(6):
        lines.append("%d 0 %g %g %g" % (k, 0.1 * k, 0.2 * k, 0.04 - 0.005 * k))
    for k in range(77):
        a = 2 * math.pi * k / 77
        lines.append("%d %.3f %.3f 0 %.3f %.3f" % (k, math.cos(a), 2 + math.sin(a), 0.5 + 0.5 * math.cos(a),
                                                  0.5 + 0.5 * math.sin(a)))
    for k in range(95):
        lines.append("%d %d %d %d" % (k, k % 77, (k + 1) % 77, (k + 38) % 77))
    return "\n".join(lines) + "\n"


def noise(n):
    values = ["%.3f" % math.sin(1.7 * i + 0.3) for i in range(n ** 3)]
    return "%d %d %d\n%s\n" % (n, n, n, " ".join(values))


def grass(count):
    lines = ["%d 5" % count, "12.0 12.0 0.4000", "50 50 2"]
    for b in range(count):
        for j in range(5):
            lines.append("%.3f %.3f %.3f %.3f 0.7 -0.2 0.6 0.6 0 -0.7" % (0.02 - 0.003 * j, b - 0.5, 0.08 * j, 0.3 * b))
    return "\n".join(lines) + "\n"


def bmp(width, height, image_size_field=True):
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row += bytes(((40 * x) & 255, (90 * y) & 255, 200))
        pixels += row + bytes(stride - len(row))
    size = len(pixels) if image_size_field else 0
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size, 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


write("tree", "heap_tree.txt", tree(lambda i: 2 + i % 3))
write("tree", "heap_tree_spread.txt", tree(lambda i: 3).replace(" ", "\n", 400))
write("leaf", "poplar_leaf.txt", leaf())
write("noise", "n2.txt", noise(2))
write("noise", "n3.txt", noise(3))
write("grass", "two_blades.txt", grass(2))
write("grass", "three_blades.txt", grass(3))
write("bmp", "2x2.bmp", bmp(2, 2))
write("bmp", "3x2_size0.bmp", bmp(3, 2, image_size_field=False))
