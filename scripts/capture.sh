#!/usr/bin/env bash
# Captures the show, or one scene, with davur_evi_capture: installs what is missing (ffmpeg and
# Xvfb among it), builds the tool, and runs it in the current folder with the repository's
# soundtrack; with the OpenGL renderer (the show's default) under a private Xvfb when the machine
# has no display, with --renderer cpu (a music video's default) without any display.
#
#   scripts/capture.sh --video show.mp4
#   scripts/capture.sh --video show.mp4 --renderer cpu
#   scripts/capture.sh --png frames --from 20 --to 25 --size 1280x720
#   scripts/capture.sh --scene cube --time 3.5 --png cube.png --cells cube.txt
#   scripts/capture.sh --track song.flac --video song.mp4     # a music video, no X server
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/setup.sh" --test
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target davur_evi_capture -j "$(nproc)" >/dev/null

# The show opens its soundtrack relative to where it is started; here the outputs are relative to
# the caller's folder, so the tool is told where the soundtrack is (scenes take no music).
music=()
case " $* " in
    *" --scene"* | *" --music"* | *" --track"* | *" --help "* | *" -h "* | *" --version "*) ;;
    *) music=(--music "$root/assets/audio/output.ogg") ;;
esac
# Only OpenGL needs a display: the show's default, or asked for with --renderer gl; a music video
# (--track) draws on the CPU unless told otherwise
renderer=gl
case " $* " in *" --track"*) renderer=cpu ;; esac
case " $* " in *" --help "* | *" -h "* | *" --version "*) renderer=none ;; esac
previous=
for arg in "$@"; do
    case "$previous $arg" in
        "--renderer cpu" | *" --renderer=cpu") renderer=cpu ;;
        "--renderer gl" | *" --renderer=gl") renderer=gl ;;
    esac
    previous=$arg
done
headless=()
if [ "$renderer" = gl ]; then headless=(bash "$root/scripts/headless.sh"); fi
exec "${headless[@]}" "$root/build/frontends/capture/davur_evi_capture" "${music[@]}" "$@"
