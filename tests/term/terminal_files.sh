#!/usr/bin/env bash
# davur_evi_term playing music files in a private tmux server (under scripts/headless.sh, so that a
# sound server answers). FLAC, WAV, Ogg and MP3 copies of part of the soundtrack are made here with
# ffmpeg, with a file that is no music and a damaged MP3 among them:
# - a folder plays in name order, the title shows each file's title (its tag, else its name), the
#   tempo and the effect; > and < change the file, p pauses and plays on;
# - the file that is no music is skipped with its reason in the title, and the next one plays;
# - the damaged MP3's decoder messages never reach the terminal;
# - after the last file the closing screen runs and the player ends with status 0, the terminal
#   put back; q and Ctrl-C end it at once the same way;
# - when no file can be played: status 1 and one line on stderr, the terminal put back first.
#   terminal_files.sh path/to/davur_evi_term
set -u
program=$(realpath "$1")
root=$(pwd)
source "$(dirname "${BASH_SOURCE[0]}")/tmux_helpers.sh"  # run_player, title_has, restored, refused

playing_on() { title_has "[a-z_]+$" && ! title_has "paused"; }

# The music: 30 s each from the soundtrack's drums, made once
music="$work/music"
mkdir -p "$music"
clip() { ffmpeg -nostdin -v error -ss 20 -t 30 -i "$root/assets/audio/output.ogg" -map_metadata -1 "$@" || fail "ffmpeg could not make $*"; }
clip -metadata title="First Light" "$music/01 first.flac"
clip "$music/02 second.wav"
echo "these are words, not music" >"$music/03 notes.mp3"
clip -c:a libvorbis -metadata:s:a:0 title="Third Wave" "$music/04 third.ogg"
clip -c:a libmp3lame "$music/05 fourth.mp3"
# A damaged copy of the MP3: a run of bytes 10 s in overwritten with noise (the decoder reads ahead
# and reaches it at once; the player reaches it after the test has moved on)
cp "$music/05 fourth.mp3" "$work/damaged.mp3"
size=$(stat -c %s "$work/damaged.mp3")
head -c 4000 /dev/urandom | dd of="$work/damaged.mp3" bs=1 seek=$((size / 3)) conv=notrunc status=none

# The folder in name order, with the keys
run_player "'$music'"
wait_for 60 title_has "^davur_evi: First Light - [0-9]+ bpm - [a-z_]+$" || fail "no title, tempo and effect for the FLAC: '$(title)'"
tm send-keys -t show '>'
wait_for 30 title_has "^davur_evi: 02 second - " || fail "> did not move on to the WAV: '$(title)'"
tm send-keys -t show '<'
wait_for 30 title_has "^davur_evi: First Light - " || fail "< did not go back to the FLAC: '$(title)'"
tm send-keys -t show p
wait_for 30 title_has " - paused$" || fail "p did not pause: '$(title)'"
paused=$(pane)
sleep 1
[ "$(pane)" = "$paused" ] || fail "the picture moved while paused"
tm send-keys -t show p
wait_for 30 playing_on || fail "p did not play on: '$(title)'"
tm send-keys -t show '>'
wait_for 30 title_has "^davur_evi: 02 second - " || fail "> did not move on to the WAV again: '$(title)'"
tm send-keys -t show '>'
wait_for 30 title_has "^davur_evi: skipped 03 notes\.mp3: .+" || fail "the file that is no music was not skipped with its reason: '$(title)'"
echo "skipped: $(title)"
wait_for 30 title_has "^davur_evi: Third Wave - " || fail "the Ogg did not follow the skipped file: '$(title)'"
tm send-keys -t show '>'
wait_for 30 title_has "^davur_evi: 05 fourth - [0-9]+ bpm - " || fail "> did not move on to the MP3: '$(title)'"
tm send-keys -t show '>'
wait_for 60 shows "EXIT:" || fail "the player did not end after the closing screen"
restored "after the last file"

# The damaged MP3, stderr on the terminal: nothing the decoder says reaches it
run_player "'$work/damaged.mp3' '$music/02 second.wav'"
wait_for 60 title_has "^davur_evi: damaged - " || fail "the damaged MP3 did not play: '$(title)'"
sleep 4
tm send-keys -t show '>'
wait_for 30 title_has "^davur_evi: 02 second - " || fail "> did not move on from the damaged MP3: '$(title)'"
tm send-keys -t show q
restored "q"
grep -qaiE "mpeg|illegal|note:" "$work/bytes" && fail "the decoder's messages reached the terminal: $(grep -aioE '(note:|illegal)[^\r]{0,60}' "$work/bytes" | head -n 2)"

# Ctrl-C while a file plays
run_player "'$music/02 second.wav'"
wait_for 60 title_has "^davur_evi: 02 second - " || fail "the WAV did not play alone: '$(title)'"
tm send-keys -t show C-c
restored "Ctrl-C"

# Nothing playable: status 1, one line on stderr, the terminal as it was
run_player "'$music/03 notes.mp3' '$work/no such file.wav'" "$work/err"
refused "nothing playable" "$work/err"

echo "terminal, music files: ok"
