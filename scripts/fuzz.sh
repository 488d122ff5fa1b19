#!/usr/bin/env bash
# Fuzzes the track's loading and analysis, then the user's own music files (libsndfile's open and
# reading, and the analysis of what it read), with libFuzzer (clang 14, AddressSanitizer and
# UndefinedBehaviorSanitizer) for a bounded time each, starting from the committed seed corpora in
# tests/fuzz/corpus and tests/fuzz/sound_corpus. New inputs it finds go to a scratch folder, never into the repository; a
# crash, a leak, a time-out or an out-of-memory stops the run, leaves the input beside the build
# and exits non-zero.
#
#   scripts/fuzz.sh [SECONDS]                  (default 60, for each target)
#   scripts/fuzz.sh --run FILE...              runs the track's target once on each file
#   scripts/fuzz.sh --run-sound FILE...        runs the music files' target once on each file
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
seconds=60

bash "$root/scripts/setup.sh" --test

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
      -DCMAKE_CXX_COMPILER=clang++-14 -DDAVUR_EVI_FUZZ=ON -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target track_fuzz sound_fuzz -j "$(nproc)" >/dev/null
export LSAN_OPTIONS=suppressions="$root/tests/lsan.supp"

case "${1:-}" in
    --run) shift; exec "$build/tests/fuzz/track_fuzz" -runs=1 -rss_limit_mb=2048 "$@" ;;
    --run-sound) shift; exec "$build/tests/fuzz/sound_fuzz" -runs=1 -rss_limit_mb=2048 "$@" ;;
esac
[ -n "${1:-}" ] && seconds=$1

mkdir -p "$build/artifacts"
# fuzz NAME CORPUS WHAT: one target for $seconds from its corpus. One decode of the longest allowed
# track takes seconds; an input of a few kB never should.
fuzz() {
    local target="$build/tests/fuzz/$1" corpus="$root/tests/fuzz/$2" log="$build/$1.log" status=0 scratch
    scratch=$(mktemp -d)
    echo "== fuzz: $3 for $seconds s"
    "$target" "$scratch" "$corpus" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/" >"$log" 2>&1 || status=$?
    rm -rf "$scratch"
    grep -E "^(INFO: seed corpus|#[0-9]+ +DONE|stat::number_of_executed_units|SUMMARY)" "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzz: $1 failed (status $status); the input is in $build/artifacts, the log in $log" >&2
        exit 1
    fi
}

fuzz track_fuzz corpus "track loading and analysis"
fuzz sound_fuzz sound_corpus "music files (libsndfile) and their analysis"
echo "fuzz: ok"
