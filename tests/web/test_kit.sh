# What the page tests share, sourced by them: their arguments (BUILD_DIR
# CACHE_DIR [SCREENSHOT.png]), node, Chromium's path, and npm packages
# installed once into CACHE_DIR from a lock file, offline from the npm cache
# after that.
set -euo pipefail
build_dir=$1
cache_dir=$2
shot=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
chromium=${CHROMIUM:-/usr/bin/chromium}

command -v node >/dev/null || { echo "$(basename "$0" .sh): node is not installed (apt-get install nodejs npm)"; exit 1; }
install() { # DIR PACKAGE_DIR: npm ci of PACKAGE_DIR's lock into DIR
  if ! cmp -s "$2/package-lock.json" "$1/package-lock.json"; then
    mkdir -p "$1"
    cp "$2/package.json" "$2/package-lock.json" "$1/"
    (cd "$1" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefer-offline --no-audit --no-fund --loglevel=error \
      --cache "$cache_dir/_npm")
  fi
}
