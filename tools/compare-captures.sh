#!/usr/bin/env bash
# Builds davur_evi_capture at two revisions and compares what they draw: every scene at several
# scene times and grid sizes, and a stretch of the show with partial redraws (F3), the colour boost
# off and on (V), a zoom step and a scene transition. The PNGs are compared byte for byte; where
# the bytes differ the differing pixels are counted. Exits 1 when any pixel differs.
#
#   tools/compare-captures.sh                 # main against the working tree
#   tools/compare-captures.sh BASE [HEAD]     # two git revisions (HEAD: the working tree if omitted)
#   KEEP=1 tools/compare-captures.sh          # keep the builds and pictures, and say where
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

base=${1:-main}
head=${2:-}

# One private display for every capture when the machine has none
if [ -z "${DAVUR_EVI_COMPARE_DISPLAY:-}" ]; then
    bash "$root/scripts/setup.sh" --test
    DAVUR_EVI_COMPARE_DISPLAY=1 exec bash "$root/scripts/headless.sh" bash "${BASH_SOURCE[0]}" "$@"
fi

source "$root/tools/capture-pictures.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/davur_evi-compare.XXXXXX")
if [ -z "${KEEP:-}" ]; then trap 'rm -rf "$work"' EXIT; fi

# Source tree of a revision: the working tree itself, or the revision's files beside it
source_of() {
    local rev=$1 name=$2
    if [ -z "$rev" ]; then
        echo "$root"
        return
    fi
    mkdir -p "$work/$name-src"
    git -C "$root" archive "$rev" | tar -x -C "$work/$name-src"
    ln -s "$root/.deps" "$work/$name-src/.deps"  # The raylib that scripts/setup.sh built
    echo "$work/$name-src"
}

build_capture() {
    local src=$1 out=$2
    cmake -S "$src" -B "$out" -DCMAKE_BUILD_TYPE=Release -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
    cmake --build "$out" --target davur_evi_capture -j "$(nproc)" >/dev/null
}

# The built program, wherever a revision's tree puts it
capture_tool() {
    find "$1" -type f -name davur_evi_capture -perm -u+x | head -n 1
}

capture_all() {
    local tool=$1 out=$2
    mkdir -p "$out/show"
    for scene in "${scenes[@]}"; do
        for t in "${times[@]}"; do
            for grid in "${grids[@]}"; do
                "$tool" --scene "$scene" --time "$t" --grid "$grid" --png "$out/$scene-$t-$grid.png"
            done
        done
    done
    "$tool" --music "$root/assets/audio/output.ogg" --png "$out/show" "${show_args[@]}"
}

echo "== building davur_evi_capture at ${base} and at ${head:-the working tree}"
base_src=$(source_of "$base" base)
head_src=$(source_of "$head" head)
build_capture "$base_src" "$work/base-build"
build_capture "$head_src" "$work/head-build"

echo "== capturing"
capture_all "$(capture_tool "$work/base-build")" "$work/base"
capture_all "$(capture_tool "$work/head-build")" "$work/head"

echo "== comparing"
images=0 same_bytes=0 differing_images=0 differing_pixels=0
while IFS= read -r rel; do
    images=$((images + 1))
    a="$work/base/$rel" b="$work/head/$rel"
    if [ ! -f "$b" ]; then
        echo "missing at ${head:-the working tree}: $rel"
        differing_images=$((differing_images + 1))
        continue
    fi
    if cmp -s "$a" "$b"; then
        same_bytes=$((same_bytes + 1))
        continue
    fi
    # Other bytes need not mean other pixels: count the pixels whose colour differs
    pixels=$(compare -metric AE "$a" "$b" null: 2>&1 >/dev/null || true)
    case "$pixels" in
        '' | *[!0-9]*) echo "$rel: cannot compare ($pixels)"; pixels=1 ;;
    esac
    if [ "$pixels" -gt 0 ]; then
        echo "$rel: $pixels differing pixels"
        differing_images=$((differing_images + 1))
        differing_pixels=$((differing_pixels + pixels))
    fi
done < <(cd "$work/base" && find . -name '*.png' | sed 's|^\./||' | sort)

echo "$images pictures: $same_bytes identical byte for byte, $differing_images with differing pixels" \
     "($differing_pixels pixels)"
if [ -n "${KEEP:-}" ]; then echo "kept in $work"; fi
[ "$images" -gt 0 ] && [ "$differing_images" -eq 0 ]
