#!/usr/bin/env bash
# arborvane-export --web --stand: a two-tree page (the second moved and
# turned) in headless Chromium against the --out .glb of the same stand;
# and a bad stand file or a game-engine flag refused with nothing written.
# Exit 77 (skipped) when Chromium is missing.
# usage: web_stand_test.sh BUILD_DIR CACHE_DIR [SCREENSHOT.png]
source "$(dirname "$0")/test_kit.sh"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build_dir"
refused() { # EXPECTED_FILE ARGS...: exit 2, one line, nothing written
  local file=$1 status=0
  shift
  ./arborvane-export --quiet "$@" >/dev/null 2>"$out/err" || status=$?
  if [ "$status" -ne 2 ] || [ -e "$file" ]; then
    echo "FAIL: arborvane-export $*: exit $status, $(ls "$file" 2>/dev/null || echo 'nothing written'): $(cat "$out/err")"
    exit 1
  fi
}
printf '{"trees": [{"data": "%s"}, {"data": "%s", "position": [-12, 0]}], "lawn": 1}' \
  "$build_dir/data" "$build_dir/data" >"$out/bad.json"
refused "$out/bad.html" --frames 5 --web "$out/bad.html" --stand "$out/bad.json"
printf '{"trees": [{"data": "%s"}, {"data": "%s", "position": [12, -4], "turn": 45, "seed": 2}]}' \
  "$build_dir/data" "$build_dir/data" >"$out/stand.json"
refused "$out/loop.html" --loop 1 --web "$out/loop.html" --stand "$out/stand.json"

./arborvane-export --frames 30 --web "$out/stand.html" --stand "$out/stand.json" | grep '^Wrote'
./arborvane-export --quiet --frames 30 --out "$out/stand.glb" --stand "$out/stand.json" >/dev/null
if [ ! -x "$chromium" ]; then
  echo "SKIP: no Chromium at $chromium (apt-get install chromium)"
  exit 77
fi
install "$cache_dir/web-test" "$here"
# Node resolves packages from the script's folder up: run a copy beside them.
cp "$here/web_stand_test.mjs" "$here/chromium.mjs" "$here/gltf_pose.mjs" "$cache_dir/web-test/"
node "$cache_dir/web-test/web_stand_test.mjs" "$out/stand.html" "$out/stand.glb" $shot
