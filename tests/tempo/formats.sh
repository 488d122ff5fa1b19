#!/usr/bin/env bash
# build/tools/tempo reads every format the sources take: the soundtrack as FLAC, MP3, Opus and WAV
# (made here with ffmpeg) gives the same tempo and first beat as the Ogg original.
set -euo pipefail
tempo=$1 track=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ext in flac mp3 opus wav; do
    ffmpeg -nostdin -loglevel error -i "$track" -t 40 "$work/track.$ext"
done
"$tempo" "$work"/track.* >"$work/out.txt"
cat "$work/out.txt"
[ "$(wc -l <"$work/out.txt")" -eq 4 ] || { echo "expected 4 lines"; exit 1; }
# The tempo within 2 %, the first beat where the drums start (6.24 s, give or take the codecs' delay)
awk -F'\t' '{ if ($2 < 122.5 || $2 > 127.5 || $3 < 6.1 || $3 > 6.4) { print "off: " $0; bad = 1 } } END { exit bad }' "$work/out.txt"
