#!/usr/bin/env bash
# The show opens its 1920x1080 window, takes every viewer key without harm, prints nothing and
# exits 0 when the window is closed.
set -u
source "$(dirname "$0")/common.sh"

start_show
geometry=$(xdotool getwindowgeometry "$window" | grep -o '[0-9]*x[0-9]*' | head -n1)
[ "$geometry" = "1920x1080" ] || fail "window is $geometry"
sleep 1
press F11 F11 v v F3 F3 bracketleft bracketright b minus minus equal KP_Add KP_Subtract
sleep 1
alive || fail "the program ended after the keys"
[ "$(pixel 960 540)" != "" ] || fail "could not read the screen"
close_and_check
echo "window and keys: ok"
