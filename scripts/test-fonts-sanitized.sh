#!/usr/bin/env bash
# The font loading tests under AddressSanitizer and UndefinedBehaviorSanitizer: truncated, random
# and unsuitable font files go through the loader and raylib on a real (hidden) window. The
# window-less tests already run under the sanitizers in scripts/test.sh; these need a display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

echo "== sanitizers: font loading on a window"
cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DDAVUR_EVI_SANITIZE=ON \
      -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-sanitize" -j "$(nproc)" --target font_window_tests >/dev/null
# The OpenGL driver keeps allocations until the process ends: leaks are not this test's question
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    bash "$root/scripts/headless.sh" "$root/build-sanitize/tests/font_window_tests"
