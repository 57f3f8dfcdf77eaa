#!/usr/bin/env bash
# Installs the Debian packages Arborvane needs, only those that are missing:
# one apt-get update, then one apt-get install. Append new packages to PACKAGES.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev
  xvfb xdotool x11-apps imagemagick python3
  clang libclang-rt-14-dev valgrind
  libegl-dev libegl-mesa0 libx11-dev strace
  ffmpeg
  libtinygltf-dev libstb-dev nlohmann-json3-dev nodejs libmeshoptimizer-dev
  fonts-dejavu-core
  python3-matplotlib
  dpkg-dev file
  libcli11-dev
  help2man lintian
  zlib1g-dev chromium
  emscripten node-acorn
  pybind11-dev python3-dev python3-numpy python3-pytest python3-distributed python3-tqdm
  blender
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$package")
  fi
done
# The exporter's validator test installs gltf-validator with npm; a nodejs
# from elsewhere may bring its own npm, which the Debian package would clash with.
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "deps: missing packages (${missing[*]}) and not root; install them as root and retry" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
