#!/usr/bin/env bash
# Installs what is missing, builds into ./build and starts Arborvane there
# (the build generates build/data, which the program reads from its working dir).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

if [ -z "${DISPLAY:-}" ]; then
  echo "No X display (DISPLAY is not set): run it under Xvfb instead: xvfb-run -s \"-screen 0 1024x768x24\" scripts/run.sh" >&2
  exit 1
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target arborvane
cd build
exec ./arborvane "$@"
