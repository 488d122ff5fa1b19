#!/usr/bin/env bash
# The sound server dies under the show (run under scripts/headless.sh --private, so the servers are
# this test's own): the pictures go on; ESC and SIGTERM still end the program at once with status
# 0, having printed nothing; and when a sound server answers again the music comes back.
# Called as: sound_loss.sh davur_evi close_window
set -u
source "$(dirname "$0")/common.sh"
[ -n "${HEADLESS_XVFB_PID:-}" ] || fail "run under scripts/headless.sh --private: this test stops the sound server"

# The show is playing its music; the sound server is stopped under it.
start_playing_show() {
    start_show
    wait_until 60 music_heard || fail "$1: the music was never heard on the sound server"
    pulseaudio --kill || fail "$1: could not stop the sound server"
    wait_gone() { ! pactl info >/dev/null 2>&1; }
    wait_until 10 wait_gone || fail "$1: the sound server did not stop"
}

# The picture still changes: the frame loop runs on.
pictures_go_on() {
    local before
    before=$(pixels 480,270 960,300 1440,810 700,700)
    changed() { [ "$(pixels 480,270 960,300 1440,810 700,700)" != "$before" ]; }
    wait_until 60 changed || fail "$1: the picture stopped after the sound server died (still $before)"
}

start_playing_show "ESC"
pictures_go_on "ESC"
xdotool keydown Escape
# Held until the program has gone, so that a frame sees it; 10 s is far more than an exit takes
expect_clean_exit 10 "ESC after the sound server died"
xdotool keyup Escape
echo "ESC after the sound server died: exit 0 in $took s"
start_sound_server || fail "could not start the sound server again"

start_playing_show "SIGTERM"
kill -TERM "$pid"
expect_clean_exit 10 "SIGTERM after the sound server died"
echo "SIGTERM after the sound server died: exit 0 in $took s"
start_sound_server || fail "could not start the sound server again"

start_playing_show "restart"
pictures_go_on "restart"
# Down for a while, as in a slow restart: the show's first attempts to open a device find no server
sleep 6
start_sound_server || fail "could not start the sound server again"
restarted=$(date +%s%N)
wait_until 20 music_heard || fail "the music did not come back within 20 s of the sound server's restart"
echo "music back $(awk -v a="$restarted" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }') s after the sound server's restart"
alive || fail "the program ended after the music came back"
close_and_check
echo "sound server lost and back: ok"
