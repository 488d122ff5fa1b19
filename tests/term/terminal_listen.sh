#!/usr/bin/env bash
# davur_evi_term --listen in a private tmux server, under scripts/headless.sh --private: the sound
# server is this test's own, its default output a null sink, and the test stops and starts it.
# - --list-sources names the null sink's monitor, marked as the one --listen takes;
# - with the soundtrack playing into the null sink, the player hears it and its title shows a tempo;
# - the server stopped: the pictures go on and the title says the server is gone; started again with
#   the track playing: the sound comes back (--stats counts a second connection and the sound heard);
# - no sound server at the start: status 1 and one line on stderr, the terminal put back;
# - q and SIGTERM end it with status 0 and the terminal as it was.
#   terminal_listen.sh path/to/davur_evi_term
set -u
program=$(realpath "$1")
root=$(pwd)
source "$(dirname "${BASH_SOURCE[0]}")/tmux_helpers.sh"  # run_player, title_has, restored, refused
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/music_level.sh"  # music_heard: the default output's monitor

track_pid=
play_track() {
    paplay --device=davur_evi_null "$root/assets/audio/output.ogg" >/dev/null 2>&1 &
    track_pid=$!
}
stop_track() {
    [ -n "$track_pid" ] && kill "$track_pid" 2>/dev/null && wait "$track_pid" 2>/dev/null
    track_pid=
}
trap 'stop_track; cleanup' EXIT
server_gone() { ! pactl info >/dev/null 2>&1; }
picture_moves() {
    local before
    before=$(pane)
    sleep 0.5
    [ "$(pane)" != "$before" ]
}
# The seconds of sound --stats says were heard, and over how many connections
heard_seconds() { pane | sed -n 's/.*sound heard: *\([0-9.]*\) s over \([0-9]*\) connection.*/\1/p'; }
heard_connections() { pane | sed -n 's/.*sound heard: *\([0-9.]*\) s over \([0-9]*\) connection.*/\2/p'; }

# The sources, the default output's monitor marked
"$program" --list-sources >"$work/sources" 2>&1 || fail "--list-sources: $(cat "$work/sources")"
grep -qE '^\* davur_evi_null\.monitor' "$work/sources" || fail "--list-sources: the null sink's monitor is not marked: $(cat "$work/sources")"

# The track heard: a tempo in the title
play_track
started=$(date +%s.%N)
run_player "--listen --stats"
wait_for 60 title_has " - [0-9]+ bpm - [a-z_]+$" || fail "no tempo in the title while the track plays: '$(title)'"
echo "heard: $(title)"

# The server stops: the pictures go on, the title says so
stop_track
pulseaudio --kill || fail "could not stop the sound server"
wait_for 10 server_gone || fail "the sound server did not stop"
lost=$(date +%s.%N)
wait_for 20 title_has "sound server gone" || fail "the title does not say the sound server is gone: '$(title)'"
wait_for 20 picture_moves || fail "the pictures stopped with the sound server"
kill -0 "$(cat "$work/pid")" || fail "the program ended when the sound server stopped"

# ...and comes back with the track playing: heard again
start_sound_server || fail "could not start the sound server again"
play_track
wait_for 30 eval '! title_has "sound server gone"' || fail "the sound server's return was not noticed: '$(title)'"
wait_for 30 music_heard || fail "the track does not play on the restarted server"
sleep 5
tm send-keys -t show q
restored "q after the sound server came back"
before=$(awk -v a="$started" -v b="$lost" 'BEGIN { print b - a }')  # At most this was heard before
[ "$(heard_connections)" = 2 ] || fail "--stats: not two connections: $(pane | grep 'sound heard')"
awk -v h="$(heard_seconds)" -v before="$before" 'BEGIN { exit !(h > before + 3) }' ||
    fail "--stats: $(heard_seconds) s heard: the sound did not come back (about $before s before the server stopped)"
echo "$(pane | grep 'sound heard')"
stop_track

# SIGTERM while listening
run_player "--listen"
wait_for 60 title_has "the system's sound" || fail "no title while listening: '$(title)'"
kill -TERM "$(cat "$work/pid")"
restored "SIGTERM"

# No sound server at the start
pulseaudio --kill
wait_for 10 server_gone || fail "the sound server did not stop"
run_player "--listen" "$work/err"
refused "no sound server" "$work/err"
grep -q "no sound server" "$work/err" || fail "no sound server: the line does not say so"

echo "terminal, listening: ok"
