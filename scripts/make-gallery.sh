#!/usr/bin/env bash
# Regenerates the README's gallery, docs/gallery/<scene>.png: each scene at a telling moment with
# plausible music, captured by davur_evi_capture on the show's base grid of 120 x 42 cells, then
# scaled to 960 pixels wide with a 256-colour palette so that the repository stays small.
#
#   scripts/make-gallery.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/docs/gallery"
width=960
music="level=0.45,bass=0.65,mid=0.45,treble=0.35,beat=0.6"

# Scene and scene time in seconds; the simulations are run up to it from 0 at 60 frames a second.
shots=(
    "intro_boot 5.6"
    "wave_scroll 4"
    "plasma_storm 4"
    "cellular 6"
    "dual_fluid 6"
    "goo_bounce 4"
    "julia_blast 4"
    "mandelbrot 5"
    "cube 3.5"
    "starfield_warp 4"
    "end_credits 6"
)

if [ -z "${DAVUR_EVI_GALLERY_BUILT:-}" ]; then
    bash "$root/scripts/setup.sh" --test  # ImageMagick, and Xvfb for a machine without a display
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build" --target davur_evi_capture -j "$(nproc)" >/dev/null
    DAVUR_EVI_GALLERY_BUILT=1 exec bash "$root/scripts/headless.sh" bash "${BASH_SOURCE[0]}"
fi

convert=convert
command -v magick >/dev/null 2>&1 && convert=magick
tool="$root/build/frontends/capture/davur_evi_capture"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
for shot in "${shots[@]}"; do
    read -r scene time <<<"$shot"
    "$tool" --scene "$scene" --time "$time" --audio "$music" --png "$work/$scene.png"
    "$convert" "$work/$scene.png" -filter Triangle -resize "${width}x" -strip -colors 256 "PNG8:$out/$scene.png"
    echo "$out/$scene.png"
done
