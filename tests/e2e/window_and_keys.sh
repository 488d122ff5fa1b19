#!/usr/bin/env bash
# The show opens its 1920x1080 window, takes every viewer key without harm, prints nothing and
# exits 0 when the window is closed.
set -u
source "$(dirname "$0")/common.sh"

start_show
geometry=$(xdotool getwindowgeometry "$window" | grep -o '[0-9]*x[0-9]*' | head -n1)
[ "$geometry" = "1920x1080" ] || fail "window is $geometry"
drawing() { local p; p=$(pixel 960 540); [ -n "$p" ] && [ "$p" != "000000" ]; }
wait_until 120 drawing || fail "the show never drew its first scene (centre pixel: $(pixel 960 540))"

press F11 F11 v v F3 F3 bracketleft bracketright b minus minus equal KP_Add KP_Subtract
# Still running and drawing once the keys have been taken: the picture keeps changing
before=$(pixels 480,270 960,300 1440,810 700,700)
changed() { [ "$(pixels 480,270 960,300 1440,810 700,700)" != "$before" ]; }
wait_until 120 changed || fail "the picture stopped after the keys (still $before)"
alive || fail "the program ended after the keys"
close_and_check
echo "window and keys: ok"
