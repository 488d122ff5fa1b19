#!/usr/bin/env bash
# davur_evi_term with its music when the sound server dies (run under scripts/headless.sh --private,
# so the sound server is this test's own): q still ends it at once with status 0, and when a sound
# server answers again the music comes back.
#   terminal_sound_loss.sh path/to/davur_evi_term
set -u
program=$(realpath "$1")
root=$(pwd)  # The repository: the show finds its track here
socket="davur_evi_term_sound_$$"
work=$(mktemp -d)

source "$(dirname "$0")/tmux_common.sh"
source "$(dirname "$0")/../e2e/music_level.sh"
cleanup() {
    [ -s "$work/pid" ] && kill -KILL "$(cat "$work/pid")" 2>/dev/null
    tm kill-server >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

server_gone() { ! pactl info >/dev/null 2>&1; }
seconds_since() { awk -v from="$1" -v now="$(date +%s%N)" 'BEGIN { printf "%.1f", (now - from) / 1e9 }'; }

# The show with its music; the sound server is stopped under it.
start_and_lose_the_server() {
    tm kill-session -t show >/dev/null 2>&1
    rm -f "$work/pid"
    cat >"$work/run.sh" <<RUN
cd "$root"
sh -c 'echo \$\$ >"$work/pid"; exec "\$0"' "$program" 2>"$work/err"
echo "EXIT:\$?"
sleep 600
RUN
    tm new-session -d -s show -x 120 -y 42 "LANG=C.UTF-8 LC_ALL=C.UTF-8 bash $work/run.sh"
    wait_for 60 shows "MS-DOS Version 6.22" || fail "$1: the boot screen's text did not appear"
    wait_for 60 music_heard || fail "$1: the music was never heard on the sound server"
    pulseaudio --kill || fail "$1: could not stop the sound server"
    wait_for 10 server_gone || fail "$1: the sound server did not stop"
}

# q ends the program within 10 s with status 0, having printed nothing on stderr.
quit_within_10s() {
    local asked
    asked=$(date +%s%N)
    tm send-keys -t show q
    wait_for 10 shows "EXIT:" || fail "$1: q did not end the program within 10 s"
    shows "EXIT:0" || fail "$1: $(pane | grep EXIT)"
    [ -s "$work/err" ] && fail "$1: printed on stderr: $(head -c 300 "$work/err")"
    echo "$1: exit 0 $(seconds_since "$asked") s after q"
}

start_and_lose_the_server "q after the sound server died"
sleep 3  # The pictures go on meanwhile
kill -0 "$(cat "$work/pid")" || fail "the program ended when the sound server died"
quit_within_10s "q after the sound server died"

start_sound_server || fail "could not start the sound server again"
start_and_lose_the_server "restart"
start_sound_server || fail "could not start the sound server again"
restarted=$(date +%s%N)
wait_for 20 music_heard || fail "the music did not come back within 20 s of the sound server's restart"
echo "music back $(seconds_since "$restarted") s after the sound server's restart"
quit_within_10s "q after the music came back"
echo "terminal, sound server lost and back: ok"
