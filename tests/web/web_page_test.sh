#!/usr/bin/env bash
# The exporter's --web page: the Khronos validator on the .glb it embeds,
# its tree against the .glb export of the same run (200 frames: size and
# poses, decoded in node), then the page in headless Chromium (40 frames).
# Exit 77 (skipped) when Chromium is missing.
# usage: web_page_test.sh BUILD_DIR CACHE_DIR [SCREENSHOT.png]
source "$(dirname "$0")/test_kit.sh"
install "$cache_dir/validator" "$here/../export"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build_dir"
./arborvane-export --quiet --frames 200 --web "$out/tree200.html"
./arborvane-export --quiet --frames 200 --out "$out/tree200.glb" >/dev/null
node -e 'import("'"$here"'/gltf_pose.mjs").then((m) => require("fs").writeFileSync(process.argv[2],
  m.pageBytes(require("fs").readFileSync(process.argv[1], "utf8"), "av-model")))' "$out/tree200.html" "$out/page.glb"
NODE_PATH="$cache_dir/validator/node_modules" node "$here/../export/validate.js" "$out/page.glb"
node "$here/accuracy.mjs" "$out/tree200.html" "$out/tree200.glb" 10 0 100 199

if [ ! -x "$chromium" ]; then
  echo "SKIP: no Chromium at $chromium (apt-get install chromium)"
  exit 77
fi
install "$cache_dir/web-test" "$here"
./arborvane-export --quiet --frames 40 --web "$out/tree40.html" >/dev/null
./arborvane-export --quiet --frames 40 --out "$out/tree40.glb" >/dev/null
# Node resolves packages from the script's folder up: run a copy beside them.
cp "$here/browser_test.mjs" "$here/chromium.mjs" "$here/gltf_pose.mjs" "$cache_dir/web-test/"
node "$cache_dir/web-test/browser_test.mjs" "$out/tree40.html" "$out/tree40.glb" $shot
