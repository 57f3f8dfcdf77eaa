#!/usr/bin/env bash
# Builds the core, the data generator and the unit tests with AddressSanitizer
# and UndefinedBehaviorSanitizer into build-sanitize and runs CTest there (the
# soak, window and Blender tests excluded: too slow under the sanitizers, no
# window in this build, or nothing of ours to check). Any sanitizer report
# fails the script: errors halt, leaks are checked at exit, and one
# allocation of 1 GB or more aborts.
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null

BUILD=${SANITIZE_BUILD:-build-sanitize}
JOBS=${SANITIZE_JOBS:-$(nproc)}

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:allocator_may_return_null=0:max_allocation_size_mb=1024:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

mkdir -p "$BUILD"
# No live page here: its module is compiled by Emscripten, which the
# sanitizers do not reach, and the full build tests it already.
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARBORVANE_SANITIZE=ON -DARBORVANE_WERROR=ON \
  -DARBORVANE_APP=OFF -DARBORVANE_BENCH=OFF -DARBORVANE_LIVE_PAGE=OFF >"$BUILD/configure.log" 2>&1 ||
  { cat "$BUILD/configure.log"; exit 1; }
# The default target includes the data generator and its run (under ASan too).
cmake --build "$BUILD" -j"$JOBS" >"$BUILD/build.log" 2>&1 || { tail -60 "$BUILD/build.log"; exit 1; }
cd "$BUILD"
# Blender only reads what the exporter wrote; the exporter's own runs under
# the sanitizers are in the other export tests.
ctest --output-on-failure -j"$JOBS" -LE 'soak|e2e|blender' 2>&1 | tee ctest.log | grep -E -v '^ +[0-9]+/[0-9]+ Test +#' || true
grep -q '100% tests passed' ctest.log
