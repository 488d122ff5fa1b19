#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: first the tests that need no
# window under AddressSanitizer and UndefinedBehaviorSanitizer, the sources' tests under
# ThreadSanitizer, then the web build in headless Chromium, the Windows build under wine, the
# Debian package in a fresh Debian root, then the whole suite, window and
# end-to-end tests included (under Xvfb and a null-sink PulseAudio when there is no display or
# sound server). Ends with ctest's summary. This is what CI runs (.ci/run); its first run on a machine
# also builds the web and Windows libraries and the Debian root, later runs reuse them.
#
#   scripts/test.sh            everything
#   scripts/test.sh --quick    the native build's tests without a window and the window tests, but not
#                              the long end-to-end runs (ctest label `long`: the whole show, the bad
#                              tracks), no sanitizers, fuzzing, web or Windows: a few minutes after
#                              the build, for checking a change to a scene or the show's logic
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

bash "$root/scripts/setup.sh" --test

if [ "${1:-}" = "--quick" ]; then
    echo "== quick: native tests, window tests without the long runs"
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build" -j "$jobs" >/dev/null
    cd "$root"
    exec bash "$root/scripts/headless.sh" ctest --test-dir "$root/build" -j "$jobs" --output-on-failure -LE long
fi

echo "== sanitizers: AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DDAVUR_EVI_SANITIZE=ON \
      -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-sanitize" -j "$jobs" --target unit_tests >/dev/null
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
    ctest --test-dir "$root/build-sanitize" -j "$jobs" --output-on-failure -LE 'window|terminal|notices'  # notices: checks of the built programs, in the last step
bash "$root/scripts/test-fonts-sanitized.sh"

echo "== ThreadSanitizer: the sources' worker thread and live ring"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DDAVUR_EVI_TSAN=ON -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-tsan" -j "$jobs" --target source_tests >/dev/null
TSAN_OPTIONS=halt_on_error=1 "$root/build-tsan/tests/source_tests" --gtest_brief=1

bash "$root/scripts/fuzz.sh" 60

bash "$root/scripts/test-web.sh"  # The web build in headless Chromium
bash "$root/scripts/test-windows.sh"  # The Windows build: its tests and the packed show under wine
bash "$root/scripts/test-deb.sh"  # The Debian package, installed into a fresh Debian 12 root and run there

echo "== all tests"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$jobs" >/dev/null
cd "$root"
exec bash "$root/scripts/headless.sh" ctest --test-dir "$root/build" -j "$jobs" --output-on-failure
