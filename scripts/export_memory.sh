#!/usr/bin/env bash
# Peak resident memory and wall time of arborvane-export per clip length.
# usage: scripts/export_memory.sh [BUILD_DIR] [FRAMES...] [-- EXTRA EXPORT FLAGS]
# BUILD_DIR defaults to build-rel (configure it with -DCMAKE_BUILD_TYPE=Release);
# FRAMES default to 200 1600 4000. Needs GNU time (/usr/bin/time).
set -euo pipefail
build=${1:-build-rel}
[ $# -gt 0 ] && shift
frames=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do frames+=("$1"); shift; done
[ $# -gt 0 ] && shift
[ ${#frames[@]} -eq 0 ] && frames=(200 1600 4000)
[ -x "$build/arborvane-export" ] || { echo "no $build/arborvane-export: build it first" >&2; exit 1; }
out=$(mktemp -d "${TMPDIR:-/tmp}/export-memory.XXXXXX")
trap 'rm -rf "$out"' EXIT
printf '%8s %12s %10s %10s\n' frames peak_MB wall_s file_MB
for n in "${frames[@]}"; do
  (cd "$build" && /usr/bin/time -v ./arborvane-export --quiet --frames "$n" --out "$out/clip.glb" "$@" \
    >/dev/null 2>"$out/time.txt") || { cat "$out/time.txt" >&2; exit 1; }
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$out/time.txt")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$out/time.txt")
  seconds=$(echo "$wall" | awk -F: '{s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s}')
  printf '%8d %12.1f %10.1f %10.1f\n' "$n" "$(echo "$peak / 1024" | bc -l)" "$seconds" \
    "$(echo "$(stat -c %s "$out/clip.glb") / 1000000" | bc -l)"
done
