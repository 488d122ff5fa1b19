#!/usr/bin/env bash
# Draws the pictures of tools/compare-captures.sh (every scene at several scene times and grid
# sizes, and a stretch of the show with keys), and each scene in a 1280x720 window, with both
# renderers of the working tree's davur_evi_capture, and counts per picture the pixels where the
# CPU renderer is more than one step away from OpenGL in any channel. Every picture must have
# none, except the show's frames in a scene transition, where at most 1 % may (the rasteriser clips
# the flight's huge quad, and the clipped triangles round their own way). A second CPU run must
# give the same bytes. Prints the counts; exits 1 when a picture fails.
#
#   tools/compare-renderers.sh
#   KEEP=1 tools/compare-renderers.sh   # keep the pictures, and say where
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD:-$root/build}

# One private display for the OpenGL captures when the machine has none
if [ -z "${DAVUR_EVI_COMPARE_DISPLAY:-}" ]; then
    bash "$root/scripts/setup.sh" --test
    DAVUR_EVI_COMPARE_DISPLAY=1 exec bash "$root/scripts/headless.sh" bash "${BASH_SOURCE[0]}" "$@"
fi

source "$root/tools/capture-pictures.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/davur_evi-renderers.XXXXXX")
if [ -z "${KEEP:-}" ]; then trap 'rm -rf "$work"' EXIT; fi

echo "== building davur_evi_capture and pixel_diff"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target davur_evi_capture pixel_diff_tool -j "$(nproc)" >/dev/null
tool="$build/frontends/capture/davur_evi_capture"
diff_tool="$build/tools/pixel_diff"

capture_all() {
    local renderer=$1 out=$2
    mkdir -p "$out/show"
    for scene in "${scenes[@]}"; do
        for t in "${times[@]}"; do
            for grid in "${grids[@]}"; do
                "$tool" --renderer "$renderer" --scene "$scene" --time "$t" --grid "$grid" \
                        --png "$out/$scene-$t-$grid.png"
            done
        done
        "$tool" --renderer "$renderer" --scene "$scene" --time 2 --size 1280x720 --png "$out/$scene-2-1280x720.png"
    done
    "$tool" --renderer "$renderer" --music "$root/assets/audio/output.ogg" --png "$out/show" "${show_args[@]}"
}

echo "== capturing with OpenGL, then twice with the CPU"
capture_all gl "$work/gl"
capture_all cpu "$work/cpu"
env -u DISPLAY -u WAYLAND_DISPLAY bash -c "$(declare -f capture_all); $(declare -p scenes times grids show_args);
    tool='$tool' root='$root'; capture_all cpu '$work/cpu2'"

echo "== comparing"
images=0 failed=0 exact=0 total_beyond=0 flights=0
while IFS= read -r rel; do
    images=$((images + 1))
    if ! cmp -s "$work/cpu/$rel" "$work/cpu2/$rel"; then
        echo "$rel: two CPU runs differ"
        failed=$((failed + 1))
    fi
    read -r beyond pixels largest < <("$diff_tool" "$work/gl/$rel" "$work/cpu/$rel" 1)
    total_beyond=$((total_beyond + beyond))
    if [ "$beyond" -eq 0 ]; then
        exact=$((exact + 1))
        continue
    fi
    limit=0
    for frame in "${show_transition_frames[@]}"; do
        if [ "$rel" = "show/$(printf 'frame_%06d.png' "$frame")" ]; then limit=$((pixels / 100)); fi
    done
    verdict=ok
    if [ "$beyond" -gt "$limit" ]; then verdict=FAIL; failed=$((failed + 1)); else flights=$((flights + 1)); fi
    echo "$rel: $beyond of $pixels pixels more than 1 apart (largest $largest) $verdict"
done < <(cd "$work/gl" && find . -name '*.png' | sed 's|^\./||' | sort)

echo "$images pictures: $exact within 1 everywhere, $flights in a transition within its 1 %, $failed failing" \
     "($total_beyond pixels beyond 1 in all)"
if [ -n "${KEEP:-}" ]; then echo "kept in $work"; fi
[ "$images" -gt 0 ] && [ "$failed" -eq 0 ]
