#!/usr/bin/env bash
# The exporter's --live page in headless Chromium from file:// (every other
# request refused): see live_test.mjs. Its tree top is checked against the
# native run's trace of the same flags (--trace row 200). Exit 77 (skipped)
# when this build has no --live (Emscripten was missing) or Chromium is.
# usage: live_page_test.sh BUILD_DIR CACHE_DIR [SCREENSHOT.png]
set -euo pipefail
build_dir=$1
cache_dir=$2
shot=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
chromium=${CHROMIUM:-/usr/bin/chromium}

command -v node >/dev/null || { echo "live_page_test: node is not installed (apt-get install nodejs npm)"; exit 1; }
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
if ! cmp -s "$here/package-lock.json" "$cache_dir/web-test/package-lock.json"; then
  mkdir -p "$cache_dir/web-test"
  cp "$here/package.json" "$here/package-lock.json" "$cache_dir/web-test/"
  (cd "$cache_dir/web-test" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefer-offline --no-audit --no-fund \
    --loglevel=error --cache "$cache_dir/_npm")
fi
# Node resolves packages from the script's folder up: run a copy beside them.
cp "$here/live_test.mjs" "$cache_dir/web-test/"
node "$cache_dir/web-test/live_test.mjs" "$out/live.html" "$out/native.csv" $shot
