#!/usr/bin/env bash
# With a damaged music file at assets/audio/output.ogg the show runs (silent) and quits on ESC at
# once, exit 0, having printed nothing. The files are written by the fuzz corpus tool: the track's
# headers then junk then its last page, a declared length of 2^32 frames, a rate of 0xFFFFFFFF and
# 255 channels. Called as: bad_tracks.sh davur_evi close_window track_fuzz_corpus
set -u
source "$(dirname "$0")/common.sh"
make_corpus=$3
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$make_corpus" "$scratch" || fail "could not write the damaged files"

for file in "$scratch"/bad_*.ogg; do
    name=$(basename "$file")
    show_dir="$scratch/show"
    rm -rf "$show_dir"
    mkdir -p "$show_dir/assets/audio"
    cp "$file" "$show_dir/assets/audio/output.ogg"
    cd "$show_dir"
    start_show
    sleep 1
    alive || fail "$name: the program ended by itself"
    xdotool keydown Escape
    # Held until the program has gone, so that a frame sees it; a hang would keep it alive.
    # A frame every few seconds on a starved machine is slow, not hung: 30 s before calling it one.
    expect_clean_exit 30 "$name, ESC held"
    xdotool keyup Escape 2>/dev/null
    cd - >/dev/null
    echo "bad track $name: silent show, quit on ESC"
done
rm -f "$out" "$err"
