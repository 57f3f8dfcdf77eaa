#!/usr/bin/python3
"""Levels of detail of an exported .glb, read from the file alone: tree
triangles per level from the index accessors (the full leaves are one blade
mesh drawn by a node per leaf), the lighter leaves skinned to leaf nodes,
and their crown (blades placed at frame 0) as wide as the full one. Under
--bones (no leaf nodes; the full blades one skinned mesh `Leaves`) the
lighter leaves share the full blades' skin and are measured at their binding.
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


def values(doc, bin_chunk, accessor):
    """An accessor's floats, normalised int16 mapped to -1..1."""
    a = doc['accessors'][accessor]
    v = doc['bufferViews'][a['bufferView']]
    at = v.get('byteOffset', 0) + a.get('byteOffset', 0)
    n = {'VEC3': 3, 'VEC4': 4}[a['type']] * a['count']
    if a['componentType'] == 5122:
        return [max(x / 32767, -1) for x in struct.unpack_from('<%dh' % n, bin_chunk, at)]
    return struct.unpack_from('<%df' % n, bin_chunk, at)


def rest_poses(doc, bin_chunk):
    """Each node's translation and rotation at frame 0: its track's first value, else its own."""
    poses = [[n.get('translation', [0, 0, 0]), n.get('rotation', [0, 0, 0, 1])] for n in doc['nodes']]
    for anim in doc.get('animations', []):
        for c in anim['channels']:
            path = c['target']['path']
            first = values(doc, bin_chunk, anim['samplers'][c['sampler']]['output'])
            poses[c['target']['node']][path == 'rotation'] = first[:4 if path == 'rotation' else 3]
    return poses


def rotate(q, p):
    x, y, z, w = q
    u = (y * p[2] - z * p[1], z * p[0] - x * p[2], x * p[1] - y * p[0])
    u = [2 * c for c in u]
    return [p[0] + w * u[0] + y * u[2] - z * u[1], p[1] + w * u[1] + z * u[0] - x * u[2],
            p[2] + w * u[2] + x * u[1] - y * u[0]]


def full_blades(doc, bin_chunk, leaf_nodes):
    """World points of the full tree's blades: the blade mesh under each leaf node's pose."""
    poses = rest_poses(doc, bin_chunk)
    points = []
    for i in leaf_nodes:
        node = doc['nodes'][i]
        blade = values(doc, bin_chunk, doc['meshes'][node['mesh']]['primitives'][0]['attributes']['POSITION'])
        (t, q), s = poses[i], node.get('scale', [1, 1, 1])[0]
        for k in range(0, len(blade), 3):
            p = rotate(q, [s * c for c in blade[k:k + 3]])
            points.extend(p[c] + t[c] for c in range(3))
    return points


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
    skinned = doc['nodes'][names.index('Leaves')] if not leaf_nodes else None
    full = None
    for level in (1, 2):
        leaves = doc['nodes'][names.index('Leaves_LOD%d' % level)]
        joints = doc['skins'][leaves['skin']]['joints']
        if skinned:
            ok = ok and leaves['skin'] == skinned['skin']
        else:
            ok = ok and set(joints) <= leaf_nodes and len(joints) < len(leaf_nodes)
        if '--compressed' in sys.argv:
            continue
        if skinned:
            full = full or extent(values(doc, bin_chunk, doc['meshes'][skinned['mesh']]['primitives'][0]['attributes']
                                         ['POSITION']))
        else:
            full = full or extent(full_blades(doc, bin_chunk, leaf_nodes))
        mesh = doc['meshes'][leaves['mesh']]
        light = extent(values(doc, bin_chunk, mesh['primitives'][0]['attributes']['POSITION']))
        height = full[1][1] - full[1][0]
        # How far the lighter crown falls short of the full one on its worst side.
        shrink = max(max(l[0] - f[0], f[1] - l[1]) for f, l in zip(full, light))
        kept = 'skinned leaves' if skinned else '%d leaves of %d' % (len(joints), len(leaf_nodes))
        print('level %d: %s, crown shrinks by %.1f %% of its height' % (level, kept, 100 * shrink / height))
        ok = ok and shrink < 0.03 * height
    print('ok' if ok else 'FAILED')
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
