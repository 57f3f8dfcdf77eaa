#!/usr/bin/env bash
# The game-engine exports measured from the files alone: --loop closes on
# itself (seam against the median step, by glb_motion.py), --bones keeps at
# most N joints and follows the full rig (vertex error skinned by the
# script), --lod under --bones moves as it does on the full rig, and the
# Khronos validator passes every mix of the four flags (installed by
# validate_export.sh's lock file into CACHE_DIR/validator). With a third
# argument `blender`: Blender imports the game-ready loop (with --lod) and plays it.
set -euo pipefail
build_dir=$1
cache_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
measure="/usr/bin/python3 $here/glb_motion.py"
/usr/bin/python3 -c 'import numpy' 2>/dev/null || { echo "game_export: python3-numpy is missing"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build_dir"

if [ "${3:-}" = blender ]; then
  ./arborvane-export --quiet --loop 3 --bones 256 --lod --out "$out/loop_bones.glb" >/dev/null
  command -v blender >/dev/null || { echo "game_export: blender is not installed"; exit 77; }
  blender -b --python-exit-code 1 --python "$here/blender_clip.py" -- "$out/loop_bones.glb" 256 2>&1 | grep '^BLENDER'
  exit
fi

# A plain clip jumps at the wrap; the loop must not.
./arborvane-export --quiet --frames 60 --out "$out/plain.glb" >/dev/null
./arborvane-export --quiet --loop 3 --out "$out/loop.glb" | grep '^Loop: a true loop'
$measure seam "$out/plain.glb"
if $measure seam "$out/plain.glb" --max 1.5 >/dev/null; then echo "game_export: the seam check passes a plain clip"; exit 1; fi
$measure seam "$out/loop.glb" --max 1.5
# A gusty wind repeats with the clip, so it closes too; fronts cannot, and
# are refused before anything is written.
./arborvane-export --quiet --loop 3 --gusts --out "$out/gusts.glb" | grep '^Loop: a true loop'
$measure seam "$out/gusts.glb" --max 1.5
printf '{"keys": [{"time": 0}], "front_speed": 8}' >"$out/fronts.json"
if ./arborvane-export --quiet --loop 3 --wind "$out/fronts.json" --out "$out/fronts.glb" 2>"$out/err"; then exit 1; fi
grep -q -- '--loop: the wind.s fronts' "$out/err" && test ! -e "$out/fronts.glb"

# 256 bones: within the budget, close to the full rig, alone and on the loop.
./arborvane-export --quiet --frames 40 --out "$out/full.glb" >/dev/null
./arborvane-export --quiet --frames 40 --bones 256 --out "$out/bones.glb" >/dev/null
./arborvane-export --quiet --loop 3 --bones 256 --out "$out/loop_bones.glb" >/dev/null
test "$($measure joints "$out/bones.glb")" -le 256
# From rest the blades swing out first, which their one binding fits less well.
$measure error "$out/full.glb" "$out/bones.glb" --max-mean 0.015
$measure error "$out/loop.glb" "$out/loop_bones.glb" --max-mean 0.01
$measure seam "$out/loop_bones.glb" --max 1.5

# Lighter levels under bones: each level moves as the same level on the full
# rig, and the lighter blades keep the crown on the full blades' skin.
./arborvane-export --quiet --frames 10 --lod --out "$out/lod.glb" >/dev/null
./arborvane-export --quiet --frames 10 --bones 256 --lod --out "$out/bones_lod.glb" >/dev/null
/usr/bin/python3 "$here/lod_check.py" "$out/bones_lod.glb"
for level in 1 2; do $measure error "$out/lod.glb" "$out/bones_lod.glb" --level $level --max-mean 0.025; done

# Every other mix of --loop, --bones, --lod and --compress (validate_export.sh
# has plain, --lod, --compress and both), short clips: the validator only.
mixes=("--loop 0.5 --lod" "--loop 0.5 --compress" "--frames 10 --bones 64 --compress"
  "--loop 0.5 --bones 64 --lod" "--loop 0.5 --bones 64 --compress" "--loop 0.5 --lod --compress"
  "--frames 10 --bones 64 --lod --compress" "--loop 0.5 --bones 64 --lod --compress")
for i in "${!mixes[@]}"; do
  # shellcheck disable=SC2086
  ./arborvane-export --quiet ${mixes[$i]} --out "$out/mix$i.glb" >/dev/null
done
NODE_PATH="$cache_dir/validator/node_modules" node "$here/validate.js" "$out/loop.glb" "$out/bones.glb" \
  "$out/loop_bones.glb" "$out/bones_lod.glb" "$out"/mix*.glb
