#!/usr/bin/env bash
# Exports a short run with and without grass, with levels of detail and
# compressed (each and both), and runs the Khronos validator on all of them;
# the levels' triangles are counted from the files (lod_check.py). Needs node and npm; gltf-validator is installed once into
# CACHE_DIR/validator from this folder's lock file (again when the lock changes).
set -euo pipefail
build_dir=$1
cache_dir=$2
here=$(cd "$(dirname "$0")" && pwd)

command -v node >/dev/null || { echo "validate_export: node is not installed (apt-get install nodejs npm)"; exit 1; }
if ! cmp -s "$here/package-lock.json" "$cache_dir/validator/package-lock.json"; then
  command -v npm >/dev/null || { echo "validate_export: npm is not installed"; exit 1; }
  mkdir -p "$cache_dir/validator"
  cp "$here/package.json" "$here/package-lock.json" "$cache_dir/validator/"
  (cd "$cache_dir/validator" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error --cache "$cache_dir/_npm")
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build_dir"
./arborvane-export --quiet --frames 20 --out "$out/tree.glb"
./arborvane-export --quiet --frames 20 --grass --out "$out/tree_grass.glb"
./arborvane-export --quiet --frames 20 --lod --out "$out/tree_lod.glb"
./arborvane-export --quiet --frames 20 --compress --grass --out "$out/tree_compress.glb"
./arborvane-export --quiet --frames 20 --lod --compress --out "$out/tree_lod_compress.glb"
# A stand: one rig per tree, each under a node at its place, one clip.
printf '{"trees": [{"data": "%s"}, {"data": "%s", "position": [12, -4], "turn": 45, "seed": 2}]}' \
  "$PWD/data" "$PWD/data" > "$out/stand.json"
./arborvane-export --quiet --frames 20 --grass --stand "$out/stand.json" --out "$out/stand.glb"
NODE_PATH="$cache_dir/validator/node_modules" node "$here/validate.js" "$out/tree.glb" "$out/tree_grass.glb" \
  "$out/tree_lod.glb" "$out/tree_compress.glb" "$out/tree_lod_compress.glb" "$out/stand.glb"
/usr/bin/python3 "$here/lod_check.py" "$out/tree_lod.glb"
/usr/bin/python3 "$here/lod_check.py" "$out/tree_lod_compress.glb" --compressed
# The compressed file as three.js loads it (the page's viewer's), against the plain one.
modules="$build_dir/web-viewer/node_modules"
if [ -d "$modules/three" ]; then
  node "$here/meshopt_check.mjs" "$out/tree_lod.glb" "$out/tree_lod_compress.glb" "$modules"
else
  echo "validate_export: no three.js in this build (node or npm missing): the three.js check is left out"
fi
ls -l "$out"/*.glb | awk '{print $5, $9}'
