#!/usr/bin/env bash
# package_test.sh BUILD_DIR WORK_DIR VERSION [MAN_PAGE...]: cpack -G DEB of the
# build into WORK_DIR, then checks what the two packages hold.
set -euo pipefail
build=$1 work=$2 version=$3
shift 3

for tool in dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool not found (install dpkg-dev)"
    exit 77
  fi
done

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }

arch=$(dpkg --print-architecture)
deb=$work/arborvane_${version}_${arch}.deb
dev=$work/arborvane-dev_${version}_${arch}.deb
failed=0
fail() { echo "FAIL: $*"; failed=1; }

expect() { # package, then paths it must hold
  local package=$1 contents
  shift
  contents=$(dpkg-deb -c "$package" | awk '{print $6}')
  for path in "$@"; do
    grep -qxE "\./usr/$path" <<<"$contents" || fail "$(basename "$package") lacks /usr/$path"
  done
}

[ -f "$deb" ] && [ -f "$dev" ] || { ls "$work"; fail "packages not named arborvane[-dev]_${version}_${arch}.deb"; exit 1; }

textures=(tree/ground.bmp tree/tulip_trunk.bmp tree/tulip_branch.bmp tree/poplar_leafup.bmp
          tree/poplar_leafdown.bmp tree/poplar_petiole.bmp
          grass/grass01.bmp grass/grass02.bmp grass/grass03.bmp grass/grass04.bmp)
expect "$deb" bin/arborvane bin/arborvane-record bin/arborvane-export bin/arborvane-grow \
  share/arborvane/data/tree/tulip_tree.txt "${textures[@]/#/share/arborvane/data/}" \
  share/doc/arborvane/README.md share/doc/arborvane/CONVENTIONS.md share/doc/arborvane/copyright
for page in "$@"; do expect "$deb" "share/man/man1/$(basename "$page")"; done
# The default tree's live page, in a build that had Emscripten.
if [ -f "$build/arborvane.html" ]; then expect "$deb" share/arborvane/arborvane.html; fi
listing=$(dpkg-deb -c "$deb")
[ "$(grep -c '\.bmp$' <<<"$listing")" -eq 10 ] || fail "not ten textures"
grep -q 'libarborvane_core\|include/' <<<"$listing" && fail "the library is in the programs' package"

# Dependencies computed from the binaries; stripped programs.
fields=$(dpkg-deb -f "$deb" Depends Section Maintainer)
grep -q 'libc6' <<<"$fields" || fail "no shared-library dependencies: $fields"
# What the programs link for the window and the offscreen recorder.
for runtime in libglut libegl1 libglu libx11-6; do
  grep -q "$runtime" <<<"$fields" || fail "Depends lacks $runtime: $fields"
done
grep -q 'Section: graphics' <<<"$fields" || fail "section: $fields"
dpkg-deb -x "$deb" "$work/root"
kind=$(file "$work/root/usr/bin/arborvane-grow")
grep -q 'not stripped' <<<"$kind" && fail "arborvane-grow is not stripped"

lib='lib(/[^/]+)?' # lib, or lib/<multiarch> when configured for /usr
expect "$dev" "$lib/libarborvane_core.a" include/arborvane/arborvane.h include/arborvane/views.h \
  "$lib/cmake/Arborvane/ArborvaneConfig.cmake" "$lib/cmake/Arborvane/ArborvaneConfigVersion.cmake" \
  "$lib/cmake/Arborvane/ArborvaneTargets.cmake" share/doc/arborvane-dev/copyright

# The Python package, when the build made the module: where Debian's python3
# finds it, for exactly the python3 it was built for.
py=$work/python3-arborvane_${version}_${arch}.deb
debs=("$deb" "$dev")
if grep -q 'CPACK_COMPONENTS_ALL "[^"]*Python' "$build/CPackConfig.cmake"; then
  debs+=("$py")
  [ -f "$py" ] || fail "no python3-arborvane_${version}_${arch}.deb"
  site=lib/python3/dist-packages/arborvane
  expect "$py" "$site/__init__.py" "$site/sweep.py" "$site/_arborvane\.cpython-[^/]+\.so" \
    share/doc/python3-arborvane/copyright share/doc/python3-arborvane/changelog.gz
  dpkg-deb -c "$py" | grep -q '_build_tree' && fail "the build tree's paths are in python3-arborvane"
  pyfields=$(dpkg-deb -f "$py" Depends Section)
  for wanted in 'python3 (>= 3' 'python3 (<< 3' python3-numpy libstdc++6 'Section: python'; do
    grep -qF "$wanted" <<<"$pyfields" || fail "python3-arborvane lacks '$wanted': $pyfields"
  done
fi
# Every package names the licences: MIT, and the GPL for the grower linked with FFTW.
grep -q '^License: MIT' "$work/root/usr/share/doc/arborvane/copyright" || fail "copyright does not name MIT"
grep -q '^Files: usr/bin/arborvane-grow' "$work/root/usr/share/doc/arborvane/copyright" ||
  fail "copyright does not state the grower's GPL"

# Debian's own checks: no errors (warnings are shown, not failed on).
if command -v lintian >/dev/null 2>&1; then
  lintian "${debs[@]}" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"
fi

echo "$(basename "$deb") $(stat -c %s "$deb") bytes, $(basename "$dev") $(stat -c %s "$dev") bytes"
exit $failed
