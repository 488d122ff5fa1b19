#!/usr/bin/env bash
# Capture speed, measured in one run on this machine: a stretch of the show at 1920x1080 and 60
# frames a second to an H.264 video, drawn with OpenGL (under a private Xvfb when there is no
# display) and with the CPU renderer, and the encoder alone on the same frames, read from memory
# (/dev/shm) in the layout the tool pipes (4:2:0, BT.709, limited range) with its own ffmpeg
# settings. Prints wall and CPU seconds and frames a second of each, and the load average before
# and after (other work on the machine slows every figure).
#
#   tools/capture-speed.sh              # 300 frames from 20 s into the show
#   FROM=40 FRAMES=120 tools/capture-speed.sh
#   TRACK=song.flac tools/capture-speed.sh   # a music video of a file, start to end (the raw frames
#                                            # take 3.1 MB each in memory: 11 GB a minute)
#   NO_BUILD=1 BUILD=other-build tools/capture-speed.sh   # a tool already built there
#   BEFORE=old/davur_evi_capture tools/capture-speed.sh   # and an older build's capture (OpenGL;
#                                                          # show stretches only) beside them
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD:-$root/build}
from=${FROM:-20}
frames=${FRAMES:-300}
fps=60
to=$(awk "BEGIN { print $from + $frames / $fps }")

if [ -z "${NO_BUILD:-}" ]; then
    bash "$root/scripts/setup.sh" --test
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target davur_evi_capture -j "$(nproc)" >/dev/null
fi
tool="$build/frontends/capture/davur_evi_capture"
work=$(mktemp -d "${TMPDIR:-/tmp}/davur_evi-speed.XXXXXX")
raw=$(mktemp /dev/shm/davur_evi-frames.XXXXXX)
trap 'rm -rf "$work" "$raw"' EXIT
if [ -n "${TRACK:-}" ]; then
    range=(--track "$TRACK" --fps "$fps" --size 1920x1080)
    first=0
else
    range=(--music "$root/assets/audio/output.ogg" --from "$from" --to "$to" --fps "$fps" --size 1920x1080)
    first=$(awk "BEGIN { print int($from * $fps + 0.999999) }")
fi

# "name: wall s, CPU s (user + system, children included), frames/s"
timed() {
    local name=$1
    shift
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" 2>"$work/err" >/dev/null || { cat "$work/err" >&2; exit 1; }
    read -r wall user sys <"$work/time"
    awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" -v f="$frames" \
        'BEGIN { printf "%-28s %7.1f s wall %7.1f s CPU %6.1f frames/s\n", n ":", w, u + s, f / w }'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The frames themselves, for the encoder alone
"$tool" --renderer cpu --png "$work/frames" "${range[@]}" 2>/dev/null
frames=$(find "$work/frames" -name 'frame_*.png' | wc -l)
echo "frames: $frames"
ffmpeg -nostats -hide_banner -loglevel error -y -start_number "$first" -i "$work/frames/frame_%06d.png" \
       -vf scale=out_color_matrix=bt709:out_range=tv -f rawvideo -pix_fmt yuv420p "file:$raw"
rm -rf "$work/frames"

if [ -n "${BEFORE:-}" ]; then
    timed "before: OpenGL" bash "$root/scripts/headless.sh" "$BEFORE" --video "$work/before.mp4" "${range[@]}"
fi
timed "OpenGL (Xvfb, llvmpipe)" bash "$root/scripts/headless.sh" "$tool" --renderer gl --video "$work/gl.mp4" "${range[@]}"
timed "CPU renderer" env -u DISPLAY -u WAYLAND_DISPLAY "$tool" --renderer cpu --video "$work/cpu.mp4" "${range[@]}"
timed "encoder alone (from memory)" ffmpeg -nostats -hide_banner -loglevel error -y \
    -f rawvideo -pix_fmt yuv420p -video_size 1920x1080 -framerate "$fps" -i "file:$raw" \
    -an -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p \
    -colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv -f mp4 "file:$work/alone.mp4"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
