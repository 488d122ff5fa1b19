#!/usr/bin/env bash
# Music dropped onto the window, as a file manager drops it (XDND): the visualizer plays the files
# in name order, whatever order they were dropped in, and the window's title names the one playing;
# a file that is not music gets a short notice drawn in the show's cells for a few seconds; nothing
# is printed, and ESC still ends it with status 0. Before the drop the show runs as ever.
# Called as: drop_music.sh davur_evi close_window
set -u
source "$(dirname "$0")/common.sh"
drop_files=$(dirname "$close_window")/drop_files

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Two short tracks of clicks over a low tone (8 s each, so the second soon follows the first), and
# a text file named like music
python3 - "$scratch" <<'PY' || fail "could not write the music files"
import math, struct, sys, wave
for name, bpm in (("a first", 120.0), ("b second", 100.0)):
    rate = 22050
    with wave.open(f"{sys.argv[1]}/{name}.wav", "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(rate)
        beat = 60.0 / bpm
        frames = bytearray()
        for i in range(8 * rate):
            t = i / rate
            since = t % beat
            v = 0.2 * math.sin(2 * math.pi * 55 * t) + 0.7 * math.exp(-since * 30) * math.sin(2 * math.pi * 90 * since)
            s = int(max(-1.0, min(1.0, v)) * 32767)
            frames += struct.pack("<hh", s, s)
        out.writeframes(bytes(frames))
PY
echo "these words are not music" > "$scratch/c not music.wav"

start_show
drawing() { local p; p=$(pixel 960 540); [ -n "$p" ] && [ "$p" != "000000" ]; }
wait_until 120 drawing || fail "the show never drew its first scene"
[ "$(xdotool getwindowname "$window")" = davur_evi ] || fail "the show's title is not davur_evi before the drop"

"$drop_files" davur_evi "$scratch/b second.wav" "$scratch/c not music.wav" "$scratch/a first.wav" ||
    fail "the window did not take the drop"

# The notice's band (plain or with the colour boost) in the rows near the bottom, wherever the
# zoom puts them: at least a few cells' worth of its pixels on one line.
notice_shown() {
    local y x points
    for y in $(seq 990 4 1040); do
        points=""
        for x in $(seq 0 6 1919); do points="$points $x,$y"; done
        # shellcheck disable=SC2086
        [ "$(pixels $points | tr ' ' '\n' | grep -c -x -e 270500 -e 281008)" -ge 20 ] && return 0
    done
    return 1
}
title_has() { xdotool getwindowname "$window" 2>/dev/null | grep -q -- "$1"; }
wait_until 60 notice_shown || fail "no notice about the file that is not music"
wait_until 60 title_has "a first" || fail "the first file in name order is not playing (title: $(xdotool getwindowname "$window"))"
# The dropped music is heard (the show's own track stopped with the drop); P holds it and lets it go on
music_loud() { [ "$(music_level)" -gt 100 ]; }
music_silent() { [ "$(music_level)" -le 100 ]; }
wait_until 30 music_loud || fail "the dropped music is not heard"
press p
wait_until 30 music_silent || fail "P did not pause the dropped music"
press p
wait_until 30 music_loud || fail "the dropped music did not go on after a second P"
notice_gone() { ! notice_shown; }
wait_until 60 notice_gone || fail "the notice stayed"
wait_until 120 title_has "b second" || fail "the second file never followed (title: $(xdotool getwindowname "$window"))"
alive || fail "the program ended by itself"

xdotool keydown Escape
expect_clean_exit 30 "ESC while the dropped music plays"
xdotool keyup Escape 2>/dev/null
rm -f "$out" "$err"
echo "drop music: name order, notice, title, sound and pause: ok"
