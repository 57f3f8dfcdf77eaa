#!/usr/bin/env bash
# Blender (headless) imports a --lod export: every level arrives as skinned
# meshes whose triangles are the file's (lod_check.py counts them there).
# Exit 77 (skipped) without Blender.
set -euo pipefail
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
command -v blender >/dev/null || { echo "SKIP: no blender (apt-get install blender)"; exit 77; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build_dir"
./arborvane-export --quiet --frames 4 --lod --out "$out/lod.glb" >/dev/null
expected=$(/usr/bin/python3 "$here/lod_check.py" "$out/lod.glb" | sed -n 's/^triangles per level: \([0-9]*\), \([0-9]*\) .*, \([0-9]*\) .*/\1 \2 \3/p')
# Blender 3.4's importer still uses numpy.bool, gone from numpy 1.24 on.
blender -b --factory-startup --python-exit-code 1 --python-expr "
import numpy
numpy.bool = bool
import bpy, sys
for o in list(bpy.data.objects):  # the start-up scene's cube, camera and light
    bpy.data.objects.remove(o)
bpy.ops.import_scene.gltf(filepath='$out/lod.glb')
tri = [0, 0, 0]
for o in bpy.data.objects:
    if o.type != 'MESH':
        continue
    level = int(o.name.rsplit('_LOD', 1)[1]) if '_LOD' in o.name else 0
    if level and not any(m.type == 'ARMATURE' and m.object for m in o.modifiers):
        sys.exit('%s is not skinned' % o.name)
    o.data.calc_loop_triangles()
    tri[level] += len(o.data.loop_triangles)
print('blender triangles per level:', *tri)
if ' '.join(map(str, tri)) != '$expected':
    sys.exit('the file holds $expected')
" >"$out/blender.log" 2>&1 || { tail -20 "$out/blender.log"; exit 1; }
grep "^blender triangles" "$out/blender.log"
