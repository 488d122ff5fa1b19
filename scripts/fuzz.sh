#!/usr/bin/env bash
# Fuzzes the track's loading and analysis with libFuzzer (clang 14, AddressSanitizer and
# UndefinedBehaviorSanitizer) for a bounded time, starting from the committed seed corpus in
# tests/fuzz/corpus. New inputs it finds go to a scratch folder, never into the repository; a
# crash, a leak, a time-out or an out-of-memory stops the run, leaves the input beside the build
# and exits non-zero.
#
#   scripts/fuzz.sh [SECONDS]          (default 60)
#   scripts/fuzz.sh --run FILE...      runs the target once on each file
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
seconds=60

bash "$root/scripts/setup.sh" --test

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
      -DCMAKE_CXX_COMPILER=clang++-14 -DDAVUR_EVI_FUZZ=ON -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target track_fuzz -j "$(nproc)" >/dev/null
target="$build/tests/fuzz/track_fuzz"
export LSAN_OPTIONS=suppressions="$root/tests/lsan.supp"

if [ "${1:-}" = "--run" ]; then
    shift
    exec "$target" -runs=1 -rss_limit_mb=2048 "$@"
fi
[ -n "${1:-}" ] && seconds=$1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/artifacts"
echo "== fuzz: track loading and analysis for $seconds s"
# One decode of the longest allowed track takes seconds; an input of a few kB never should.
log="$build/fuzz.log"
status=0
"$target" "$scratch" "$root/tests/fuzz/corpus" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/" >"$log" 2>&1 || status=$?
grep -E "^(INFO: seed corpus|#[0-9]+ +DONE|stat::number_of_executed_units|SUMMARY)" "$log" || true
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz: failed (status $status); the input is in $build/artifacts, the log in $log" >&2
    exit 1
fi
echo "fuzz: ok"
