#!/usr/bin/env bash
# Builds the libFuzzer harnesses of the five file readers (clang, ASan, UBSan)
# into build-fuzz and runs each over a fresh copy of its seed corpus for
# FUZZ_SECONDS (default 60), FUZZ_JOBS harnesses at a time (default: cores).
# Any finding fails the script: a crash, a sanitizer report, a leak, an input
# slower than 10 s, RSS over 2 GB or one allocation of 512 MB or more.
# Findings are kept in build-fuzz/fuzz-findings/<reader>/.
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null

SECONDS_EACH=${FUZZ_SECONDS:-60}
BUILD=${FUZZ_BUILD:-build-fuzz}
JOBS=${FUZZ_JOBS:-$(nproc)}
READERS=(tree leaf noise grass bmp)

# Longest input per reader: a little over twice its largest seed.
max_len() {
  case "$1" in
    tree) echo 49152 ;;
    leaf) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

mkdir -p "$BUILD"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARBORVANE_FUZZ=ON \
  -DARBORVANE_TESTS=OFF -DARBORVANE_BENCH=OFF -DARBORVANE_APP=OFF >"$BUILD/configure.log" 2>&1 ||
  { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -j"$JOBS" --target "${READERS[@]/%/_fuzz}" >"$BUILD/build.log" 2>&1 ||
  { tail -50 "$BUILD/build.log"; exit 1; }

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# Seeds: the committed text files plus the binary ones, written afresh.
rm -rf "$BUILD/fuzz-seeds" && python3 fuzz/make_seeds.py "$BUILD/fuzz-seeds" || exit 1

run_one() {
  local reader=$1
  local corpus="$BUILD/fuzz-corpus/$reader" findings="$BUILD/fuzz-findings/$reader"
  rm -rf "$corpus" "$findings"
  mkdir -p "$corpus" "$findings"
  cp "$BUILD/fuzz-seeds/$reader"/* "$corpus"/
  "$BUILD/fuzz/${reader}_fuzz" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -max_len="$(max_len "$reader")" -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" >"$BUILD/fuzz-$reader.log" 2>&1
}

pids=()
status=0
for reader in "${READERS[@]}"; do
  run_one "$reader" &
  pids+=("$!:$reader")
  # Keep at most JOBS harnesses running.
  while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do sleep 1; done
done
for entry in "${pids[@]}"; do
  pid=${entry%%:*}
  reader=${entry#*:}
  if wait "$pid"; then result=ok; else result=FINDING; status=1; fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$BUILD/fuzz-$reader.log" | grep -o '[0-9]*$' || echo "?")
  printf 'fuzz %-6s %3ss  %8s executions  %s\n' "$reader" "$SECONDS_EACH" "$runs" "$result"
  if [ "$result" != ok ]; then
    grep -E -A25 'ERROR|runtime error|SUMMARY|Test unit written' "$BUILD/fuzz-$reader.log" | head -60 >&2
    ls "$BUILD/fuzz-findings/$reader" >&2 || true
  fi
done
exit "$status"
