#!/usr/bin/env bash
# One picture of every arborvane-grow preset in the same gale at the same
# frame: grows each preset into its own data folder, records it with
# arborvane-record and tiles the frames, labelled, with ImageMagick.
#
#   scripts/contact_sheet.sh [BUILD_DIR] [OUT.png]
#
# BUILD_DIR defaults to ./build, OUT.png to BUILD_DIR/presets_contact_sheet.png.
# FRAME (default 60, two seconds in), SIZE (default 480x360) and PRESETS
# (default: all of arborvane-grow --help) may be set in the environment.
set -euo pipefail

usage() { echo "usage: scripts/contact_sheet.sh [BUILD_DIR] [OUT.png]  (env: FRAME, SIZE, PRESETS)"; }
case "${1:-}" in -h|--help) usage; exit 0 ;; -*) usage >&2; exit 2 ;; esac
[ $# -le 2 ] || { usage >&2; exit 2; }

build=$(cd "${1:-build}" 2>/dev/null && pwd) || { echo "contact_sheet: no build directory ${1:-build}" >&2; exit 1; }
out=${2:-$build/presets_contact_sheet.png}
frame=${FRAME:-60}
size=${SIZE:-480x360}
grow=$build/arborvane-grow
recorder=$build/arborvane-record
for tool in "$grow" "$recorder"; do
  [ -x "$tool" ] || { echo "contact_sheet: $tool is missing; build first (cmake --build $build)" >&2; exit 1; }
done
command -v montage >/dev/null || { echo "contact_sheet: montage (ImageMagick) is missing; run scripts/deps.sh" >&2; exit 1; }
[[ $frame =~ ^[0-9]+$ && $size =~ ^[0-9]+x[0-9]+$ ]] || { echo "contact_sheet: FRAME must be a number and SIZE WxH" >&2; exit 2; }
presets=${PRESETS:-$("$grow" --help | sed -n '/^Presets/,/^$/s/^  \([a-z]*\) .*/\1/p')}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
snap=$(printf 'snap%03d.bmp' "$frame")
tiles=()
for preset in $presets; do
  echo "contact_sheet: $preset"
  summary=$("$grow" --preset "$preset" --out "$work/$preset" | sed -n 's/^arborvane-grow: 322 branches, //p')
  (cd "$build" && "$recorder" --data "$work/$preset" --gale --seed 1 --frames $((frame + 1)) \
    --width "${size%x*}" --height "${size#*x}" --out "$work/$preset-frames" > "$work/$preset.log" 2>&1) \
    || { echo "contact_sheet: recording $preset failed:" >&2; tail -n 3 "$work/$preset.log" >&2; exit 1; }
  tiles+=(-label "$preset: $summary" "$work/$preset-frames/$snap")
done
montage "${tiles[@]}" -tile "$(echo $presets | wc -w)x1" -geometry +6+6 -font DejaVu-Sans -pointsize 16 -background '#202020' \
  -fill white "$out"
echo "contact_sheet: wrote $out (frame $frame of a gale, $size per preset)"
