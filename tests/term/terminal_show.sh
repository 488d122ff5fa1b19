#!/usr/bin/env bash
# davur_evi_term in a private tmux server: the boot screen's text appears in 24-bit colour, SPACE
# moves to the next scene, a resize changes the grid, and q, Ctrl-C and SIGTERM each put the
# terminal back (main screen, cursor shown, line wrap on, input mode as before) with exit status 0.
#   terminal_show.sh path/to/davur_evi_term
set -u
program=$(realpath "$1")
socket="davur_evi_term_$$"
work=$(mktemp -d)

source "$(dirname "$0")/tmux_common.sh"
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

title_is() { [ "$(tm display -p -t show '#{pane_title}')" = "$1" ]; }
flag() { tm display -p -t show "#{$1}"; }
row_painted() { pane -e -S "$1" -E "$1" | grep -q '48;2;'; }  # A background colour set on that row
seconds_since() { awk -v from="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - from }'; }

# The show in a fresh 120 x 42 session, in an empty directory: no music file, so it runs silent.
start() {
    tm kill-session -t show >/dev/null 2>&1
    rm -f "$work/pid" "$work/stty.after"
    cat >"$work/run.sh" <<EOF
cd "$work"
stty -g >stty.before
sh -c 'echo \$\$ >pid; exec "\$0"' "$program"
echo "EXIT:\$?"
stty -g >stty.after
sleep 600
EOF
    launched=$(date +%s.%N)
    tm new-session -d -s show -x 120 -y 42 "LANG=C.UTF-8 LC_ALL=C.UTF-8 bash $work/run.sh"
    wait_for 60 shows "MS-DOS Version 6.22" || fail "the boot screen's text did not appear"
}

# The program has ended with status 0 and the terminal is as it was before it started.
restored() {
    wait_for 30 shows "EXIT:" || fail "$1: the program did not end"
    shows "EXIT:0" || fail "$1: $(pane | grep EXIT)"
    wait_for 10 test -s "$work/stty.after" || fail "$1: the shell did not go on"
    cmp -s "$work/stty.before" "$work/stty.after" || fail "$1: the input mode was not restored"
    [ "$(flag alternate_on)" = 0 ] || fail "$1: still on the alternate screen"
    [ "$(flag cursor_flag)" = 1 ] || fail "$1: the cursor is hidden"
    [ "$(flag wrap_flag)" = 1 ] || fail "$1: line wrap is off"
}

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
