#!/usr/bin/env bash
# programs_test.sh BUILD_DIR WORK_DIR VERSION: installs the Runtime component
# into a scratch prefix and runs the installed programs as a user would: from
# a folder without ./data they read the installed data and say so; a ./data
# (or ARBORVANE_DATA) wins over it.
set -euo pipefail
build=$1 work=$2 version=$3
unset ARBORVANE_DATA

rm -rf "$work"
mkdir -p "$work/empty" "$work/grown" "$work/links"
cmake --install "$build" --prefix "$work/prefix" --component Runtime >"$work/install.log"
prefix=$(realpath "$work/prefix")
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for program in arborvane arborvane-record arborvane-export arborvane-grow; do
  out=$("$prefix/bin/$program" --version) || fail "$program --version exits $?"
  [ "$out" = "$program $version" ] || fail "$program --version says '$out'"
  # The window program too: its --help needs no display.
  help=$(env -u DISPLAY "$prefix/bin/$program" --help) || fail "$program --help exits $?"
  grep -q -- '--version' <<<"$help" || fail "$program --help does not list --version"
done

record() { # folder, then more arguments: two small frames into folder/frames
  local dir=$1
  shift
  (cd "$dir" && "$@" --frames 2 --width 64 --height 48 --out frames) >"$dir/record.log" 2>&1 ||
    { cat "$dir/record.log"; fail "recording in $dir"; }
}
installed="Using data folder $prefix/share/arborvane/data (installed)"

# No ./data: the installed data, named once, also through a link to the program.
record "$work/empty" "$prefix/bin/arborvane-record"
grep -qxF "$installed" "$work/empty/record.log" || fail "no '$installed' line: $(cat "$work/empty/record.log")"
[ -f "$work/empty/frames/snap001.bmp" ] || fail "no frames from the installed data"
ln -s "$prefix/bin/arborvane-record" "$work/links/arborvane-record"
mkdir -p "$work/links/run"
record "$work/links/run" "$work/links/arborvane-record"
grep -qxF "$installed" "$work/links/run/record.log" || fail "a linked program does not find the installed data"

# A ./data of another tree wins, silently; the same folder through ARBORVANE_DATA is named.
(cd "$work/grown" && "$prefix/bin/arborvane-grow" --preset columnar --out data >/dev/null)
record "$work/grown" "$prefix/bin/arborvane-record"
grep -q '^Using data folder' "$work/grown/record.log" && fail "./data run names its folder"
cmp -s "$work/empty/frames/snap001.bmp" "$work/grown/frames/snap001.bmp" && fail "./data was not read"
mkdir -p "$work/by-env"
ARBORVANE_DATA=$work/grown/data record "$work/by-env" "$prefix/bin/arborvane-record"
grep -qxF "Using data folder $work/grown/data (ARBORVANE_DATA)" "$work/by-env/record.log" ||
  fail "no ARBORVANE_DATA line: $(cat "$work/by-env/record.log")"
cmp -s "$work/grown/frames/snap001.bmp" "$work/by-env/frames/snap001.bmp" || fail "ARBORVANE_DATA was not read"
exit $failed
