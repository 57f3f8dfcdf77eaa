#!/usr/bin/env bash
# The exporter's --live page in headless Chromium from file:// (every other
# request refused): see live_test.mjs. Its tree top is checked against the
# native run's trace of the same flags (--trace row 200), and the .glb it
# downloads passes the Khronos validator. Exit 77 (skipped)
# when this build has no --live (Emscripten was missing) or Chromium is.
# usage: live_page_test.sh BUILD_DIR CACHE_DIR [SCREENSHOT.png]
source "$(dirname "$0")/test_kit.sh"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build_dir"
status=0
./arborvane-export --live "$out/live.html" >"$out/export.log" 2>&1 || status=$?
cat "$out/export.log"
if [ "$status" -eq 2 ] && grep -q 'no --live' "$out/export.log"; then
  echo "SKIP: this build has no --live (apt-get install emscripten node-acorn, then configure again)"
  exit 77
fi
[ "$status" -eq 0 ] || exit 1
if [ ! -x "$chromium" ]; then
  echo "SKIP: no Chromium at $chromium (apt-get install chromium)"
  exit 77
fi
# The native motion of the same flags: the default gale, seed 1.
./arborvane-export --quiet --frames 201 --out "$out/native.glb" --trace "$out/native.csv" >/dev/null
install "$cache_dir/web-test" "$here"
install "$cache_dir/validator" "$here/../export"
# Node resolves packages from the script's folder up: run a copy beside them.
cp "$here/live_test.mjs" "$here/chromium.mjs" "$here/gltf_pose.mjs" "$cache_dir/web-test/"
node "$cache_dir/web-test/live_test.mjs" "$out/live.html" "$out/native.csv" "$out/live.glb" $shot
# The page's "Download .glb" through the Khronos validator.
NODE_PATH="$cache_dir/validator/node_modules" node "$here/../export/validate.js" "$out/live.glb"
# A stand of two trees, the second moved and turned and of other bark and
# leaves, in gusty wind, in one page (its screenshot beside SCREENSHOT.png).
cp -rL "$build_dir/data" "$out/other"
cp "$build_dir/data/tree/tulip_branch.bmp" "$out/other/tree/tulip_trunk.bmp"
cp "$build_dir/data/tree/poplar_leafup.bmp" "$out/other/tree/poplar_leafdown.bmp"
printf '{"trees": [{"data": "%s", "seed": 1}, {"data": "%s", "position": [8, 3], "turn": 90, "seed": 2}]}\n' \
  "$build_dir/data" "$out/other" >"$out/stand.json"
./arborvane-export --live "$out/stand.html" --stand "$out/stand.json" --gusts
cp "$here/live_stand_test.mjs" "$cache_dir/web-test/"
node "$cache_dir/web-test/live_stand_test.mjs" "$out/stand.html" ${shot:+"${shot%.png}_stand.png"}
