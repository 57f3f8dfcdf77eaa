#!/usr/bin/env bash
# One picture of a stand in a gusty gale over time: records a stand file with
# arborvane-record --stand and tiles every STEP-th frame, labelled with its
# time, with ImageMagick.
#
#   scripts/stand_contact_sheet.sh [BUILD_DIR] [STAND.json] [WIND.json] [OUT.png]
#
# Defaults: ./build, docs/stand_example.json with its data folders taken from
# BUILD_DIR/data, docs/stand_gale.json, BUILD_DIR/stand_contact_sheet.png.
# FRAMES (default 8), STEP (default 6 frames, 0.3 s) and SIZE (default 480x300)
# may be set in the environment.
set -euo pipefail

usage() { echo "usage: scripts/stand_contact_sheet.sh [BUILD_DIR] [STAND.json] [WIND.json] [OUT.png]  (env: FRAMES, STEP, SIZE)"; }
case "${1:-}" in -h|--help) usage; exit 0 ;; -*) usage >&2; exit 2 ;; esac
[ $# -le 4 ] || { usage >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" 2>/dev/null && pwd) || { echo "stand_contact_sheet: no build directory ${1:-build}" >&2; exit 1; }
wind=$(realpath "${3:-$here/docs/stand_gale.json}")
out=${4:-$build/stand_contact_sheet.png}
frames=${FRAMES:-8}
step=${STEP:-6}
size=${SIZE:-480x300}
recorder=$build/arborvane-record
[ -x "$recorder" ] || { echo "stand_contact_sheet: $recorder is missing; build first" >&2; exit 1; }
command -v montage >/dev/null || { echo "stand_contact_sheet: montage (ImageMagick) is missing; run scripts/deps.sh" >&2; exit 1; }
[[ $frames =~ ^[0-9]+$ && $step =~ ^[0-9]+$ && $size =~ ^[0-9]+x[0-9]+$ ]] ||
  { echo "stand_contact_sheet: FRAMES and STEP must be numbers and SIZE WxH" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stand=${2:+$(realpath "$2")}
if [ -z "$stand" ]; then # the example, its folders pointed at this build's data
  stand=$work/stand.json
  sed "s#\"\\.\\./build/data\"#\"$build/data\"#g" "$here/docs/stand_example.json" > "$stand"
fi
(cd "$build" && "$recorder" --stand "$stand" --wind "$wind" --frames $((frames * step)) \
  --width "${size%x*}" --height "${size#*x}" --out "$work/frames" --trace "$work/trace.csv" > "$work/log" 2>&1) \
  || { echo "stand_contact_sheet: recording failed:" >&2; tail -n 3 "$work/log" >&2; exit 1; }
tiles=()
for ((i = 0; i < frames; i++)); do
  f=$((i * step))
  tiles+=(-label "$(printf 't = %.2f s' "$(echo "$f * 0.05" | bc -l)")" "$work/frames/$(printf 'snap%03d.bmp' "$f")")
done
montage "${tiles[@]}" -tile 4x -geometry +4+4 -font DejaVu-Sans -pointsize 14 -background '#202020' -fill white "$out"
cp "$work/trace.csv" "${out%.png}.csv"
echo "stand_contact_sheet: wrote $out and ${out%.png}.csv ($frames frames, every $step)"
