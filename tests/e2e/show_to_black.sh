#!/usr/bin/env bash
# SPACE through every scene reaches the closing screen, then black frames; the program keeps
# running until its window is closed and then exits 0, having printed nothing.
set -u
source "$(dirname "$0")/common.sh"

start_show
sleep 1
# Eleven scenes: each SPACE starts a 1.15 s transition; the last one starts the closing screen
for _ in $(seq 11); do
    press space
    sleep 1.3
done
alive || fail "the program ended during the scenes"

# The closing screen: a lit tunnel, not black
lit=0
for xy in "480 270" "960 300" "1440 810" "700 700"; do
    [ "$(pixel $xy)" != "000000" ] && lit=$((lit + 1))
done
[ "$lit" -ge 2 ] || fail "the closing screen is dark"

sleep 8.5
for xy in "10 10" "960 540" "1900 1070" "500 800"; do
    p=$(pixel $xy)
    [ "$p" = "000000" ] || fail "pixel $xy is $p after the closing screen, not black"
done
sleep 1
alive || fail "the program ended on its own"
close_and_check
echo "whole show: ok"
