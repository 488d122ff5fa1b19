#!/usr/bin/env bash
# davur_evi_term in a private tmux server: the boot screen's text appears in 24-bit colour, SPACE
# moves to the next scene, a resize changes the grid, and q, Ctrl-C and SIGTERM each put the
# terminal back (main screen, cursor shown, line wrap on, input mode as before) with exit status 0.
#   terminal_show.sh path/to/davur_evi_term
set -u
program=$(realpath "$1")
source "$(dirname "${BASH_SOURCE[0]}")/tmux_helpers.sh"

# Boot screen, in colour, with the scene's name as the title
start
pane -e | grep -q '38;2;' || fail "no 24-bit colour on the boot screen"
title_is "davur_evi: intro_boot" || fail "title '$(tm display -p -t show '#{pane_title}')'"

# SPACE twice: plasma_storm arrives long before the show would get there alone (about 16.5 s)
tm send-keys -t show Space
wait_for 20 title_is "davur_evi: wave_scroll" || fail "SPACE did not move on to wave_scroll"
shows "MS-DOS Version 6.22" && fail "the boot screen is still shown in wave_scroll"
tm send-keys -t show Space
wait_for 20 title_is "davur_evi: plasma_storm" || fail "the second SPACE did not move on to plasma_storm"
elapsed=$(seconds_since "$launched")
awk -v t="$elapsed" 'BEGIN { exit !(t < 16) }' || fail "plasma_storm after $elapsed s: as late as without SPACE"

# Larger, then smaller: the picture reaches the new last row each time
tm resize-window -t show -x 150 -y 50
wait_for 20 row_painted 49 || fail "the picture did not grow to 150 x 50"
tm resize-window -t show -x 90 -y 30
wait_for 20 row_painted 29 || fail "the picture did not follow the terminal down to 90 x 30"
[ "$(pane | wc -l)" -eq 30 ] || fail "the pane is not 30 rows"
kill -0 "$(cat "$work/pid")" || fail "the program ended after the resizes"

tm send-keys -t show q
restored "q"

start
tm send-keys -t show C-c
restored "Ctrl-C"

start
kill -TERM "$(cat "$work/pid")"
restored "SIGTERM"

echo "terminal show: ok"
