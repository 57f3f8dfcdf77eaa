#!/usr/bin/env bash
# The exporter's --web page: the Khronos validator on the .glb it embeds,
# its tree against the .glb export of the same run (200 frames: size and
# poses, decoded in node), then the page in headless Chromium (40 frames).
# Exit 77 (skipped) when Chromium is missing. npm packages are installed once
# into CACHE_DIR from the lock files, offline from the npm cache after that.
# usage: web_page_test.sh BUILD_DIR CACHE_DIR [SCREENSHOT.png]
set -euo pipefail
build_dir=$1
cache_dir=$2
shot=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
chromium=${CHROMIUM:-/usr/bin/chromium}

command -v node >/dev/null || { echo "web_page_test: node is not installed (apt-get install nodejs npm)"; exit 1; }
install() { # DIR PACKAGE_DIR: npm ci of PACKAGE_DIR's lock into DIR
  if ! cmp -s "$2/package-lock.json" "$1/package-lock.json"; then
    mkdir -p "$1"
    cp "$2/package.json" "$2/package-lock.json" "$1/"
    (cd "$1" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefer-offline --no-audit --no-fund --loglevel=error \
      --cache "$cache_dir/_npm")
  fi
}
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
cp "$here/browser_test.mjs" "$here/gltf_pose.mjs" "$cache_dir/web-test/"
node "$cache_dir/web-test/browser_test.mjs" "$out/tree40.html" "$out/tree40.glb" $shot
