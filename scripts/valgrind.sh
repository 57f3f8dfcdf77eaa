#!/usr/bin/env bash
# A short memcheck of the headless core: the soak driver loads the generated
# scene, sets it up and runs VALGRIND_STEPS (100) steps of the VALGRIND_SCENARIO
# (gale; "all" adds the breeze and the vertical wind) under valgrind. Fails on
# any invalid read or write or use of an uninitialised value, and on any
# definite leak. Uses an existing sanitizer-free build (BUILD, default
# build-test, configured if missing).
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null

BUILD=${BUILD:-build-test}
STEPS=${VALGRIND_STEPS:-100}
SCENARIO=${VALGRIND_SCENARIO:-gale}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARBORVANE_WERROR=ON >/dev/null
fi
if grep -q '^ARBORVANE_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt"; then
  echo "valgrind.sh: $BUILD is a sanitizer build; valgrind needs a plain one" >&2
  exit 1
fi
cmake --build "$BUILD" -j"$(nproc)" --target arborvane_soak arborvane_data >"$BUILD/valgrind-build.log" 2>&1 ||
  { tail -40 "$BUILD/valgrind-build.log"; exit 1; }

cd "$BUILD"
log=valgrind.log
status=0
valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  --show-leak-kinds=definite --track-origins=yes --log-file="$log" \
  tests/soak/arborvane_soak --scenario "$SCENARIO" --steps "$STEPS" >valgrind-soak.log 2>&1 || status=$?
cat valgrind-soak.log
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|in use at exit' "$log" | sed 's/^==[0-9]*== */valgrind: /'
if [ "$status" -ne 0 ]; then
  echo "valgrind.sh: memcheck failed (status $status), see $BUILD/$log" >&2
  grep -E -A12 'Invalid|uninitialised|definitely lost in' "$log" | head -80 >&2
fi
exit "$status"
