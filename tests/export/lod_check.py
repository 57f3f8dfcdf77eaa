#!/usr/bin/python3
"""Levels of detail of an exported .glb, read from the file alone: tree
triangles per level from the index accessors (the full leaves are one blade
mesh drawn by a node per leaf), the lighter leaves skinned to leaf nodes,
and their crown as wide as the full one.
usage: lod_check.py FILE.glb [--compressed]  (compressed: counts only)"""
import json
import re
import struct
import sys


def read_glb(path):
    data = open(path, 'rb').read()
    (n,) = struct.unpack_from('<I', data, 12)
    return json.loads(data[20:20 + n]), data[28 + n:]


def triangles(doc, mesh):
    return sum(doc['accessors'][p['indices']]['count'] // 3 for p in doc['meshes'][mesh]['primitives'])


def levels(doc):
    tri = {0: 0, 1: 0, 2: 0}
    for node in doc['nodes']:
        if 'mesh' not in node or node['name'] == 'Grass':
            continue
        name = node['name']
        level = int(name.rsplit('_LOD', 1)[1]) if '_LOD' in name else 0
        tri[level] += triangles(doc, node['mesh'])
    return tri


def positions(doc, bin_chunk, accessor):
    a = doc['accessors'][accessor]
    v = doc['bufferViews'][a['bufferView']]
    at = v.get('byteOffset', 0) + a.get('byteOffset', 0)
    return struct.unpack_from('<%df' % (3 * a['count']), bin_chunk, at)


def rest_translations(doc, bin_chunk):
    """Each node's translation at frame 0: its track's first value, else its own."""
    start = [n.get('translation', [0, 0, 0]) for n in doc['nodes']]
    for anim in doc.get('animations', []):
        for c in anim['channels']:
            if c['target']['path'] == 'translation':
                start[c['target']['node']] = positions(doc, bin_chunk, anim['samplers'][c['sampler']]['output'])[:3]
    return start


def extent(values):
    return [(min(values[c::3]), max(values[c::3])) for c in range(3)]


def main():
    doc, bin_chunk = read_glb(sys.argv[1])
    tri = levels(doc)
    share = [tri[l] / tri[0] for l in (1, 2)]
    print('triangles per level: %d, %d (%.1f %%), %d (%.1f %%)' % (tri[0], tri[1], 100 * share[0], tri[2],
                                                                  100 * share[1]))
    ok = 0.33 <= share[0] <= 0.47 and 0.15 <= share[1] <= 0.25
    names = [n.get('name', '') for n in doc['nodes']]
    leaf_nodes = {i for i, n in enumerate(names) if re.fullmatch(r'b\d+\.l\d+', n)}
    for level in (1, 2):
        leaves = doc['nodes'][names.index('Leaves_LOD%d' % level)]
        joints = doc['skins'][leaves['skin']]['joints']
        ok = ok and set(joints) <= leaf_nodes and len(joints) < len(leaf_nodes)
        if '--compressed' in sys.argv:
            continue
        # The full crown: where the leaf nodes stand at rest, blades left out.
        start = rest_translations(doc, bin_chunk)
        bases = [c for i in leaf_nodes for c in start[i]]
        full = extent(bases)
        mesh = doc['meshes'][leaves['mesh']]
        light = extent(positions(doc, bin_chunk, mesh['primitives'][0]['attributes']['POSITION']))
        height = full[1][1] - full[1][0]
        shrink = max(max(l[0] - f[0], f[1] - l[1]) for f, l in zip(full, light))
        print('level %d: %d leaves of %d, crown shrinks by %.1f %% of its height' % (
            level, len(joints), len(leaf_nodes), 100 * shrink / height))
        ok = ok and shrink < 0.05 * height
    print('ok' if ok else 'FAILED')
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
