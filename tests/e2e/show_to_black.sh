#!/usr/bin/env bash
# SPACE through every scene reaches the closing screen, then black frames; the program keeps
# running until its window is closed and then exits 0, having printed nothing.
#
# Nothing here waits for a time: SPACE is tapped until the screen stays black (a press during a
# transition is ignored, and in the closing screen and after it SPACE does nothing), and the
# closing screen is recognised afterwards as the lit picture that faded into that black.
set -u
source "$(dirname "$0")/common.sh"

points=(480,270 960,300 1440,810 700,700)
unattended=116    # Seconds the show takes to reach black without any key
settled_black=3   # Seconds of pure black that only the end of the show gives (a transition's is one frame)

# The sample history, oldest first: "time p1 p2 p3 p4"
history=()
seen() {
    echo "last screen samples (seconds, then ${points[*]}):" >&2
    local count=${#history[@]}
    printf '  %s\n' "${history[@]:$((count > 25 ? count - 25 : 0))}" >&2
}
lit_count() { local n=0; for p in "$@"; do [ -n "$p" ] && [ "$p" != "000000" ] && n=$((n + 1)); done; echo "$n"; }

start_show
shown() { [ "$(lit_count $(pixels "${points[@]}"))" -ge 1 ]; }
wait_until 120 shown || { seen; fail "the show never drew its first scene"; }

first_press=$(clock)
black_since=""
while :; do
    alive || { seen; fail "the program ended during the show"; }
    press space
    now=$(clock)
    sample=$(pixels "${points[@]}")
    history+=("$now $sample")
    if [ "$(lit_count $sample)" -eq 0 ] && [ "$(echo $sample | wc -w)" -eq "${#points[@]}" ]; then
        [ -z "$black_since" ] && black_since=$now
        awk -v a="$now" -v b="$black_since" -v s="$settled_black" 'BEGIN { exit !(a - b >= s) }' && break
    else
        black_since=""
    fi
    awk -v a="$now" -v b="$first_press" -v u="$unattended" 'BEGIN { exit !(a - b < u) }' || {
        seen
        fail "SPACE did not bring the show to black in ${unattended} s, the length of the show without keys"
    }
done
echo "black $(awk -v a="$black_since" -v b="$first_press" 'BEGIN { printf "%.1f", a - b }') s after the first SPACE"

# The closing screen: the 8.5 s before the black were its lit tunnel fading out
lit_closing=0
for entry in "${history[@]}"; do
    read -r t p1 p2 p3 p4 <<<"$entry"
    awk -v t="$t" -v b="$black_since" 'BEGIN { exit !(t >= b - 7.5 && t <= b - 1) }' || continue
    [ "$(lit_count "$p1" "$p2" "$p3" "$p4")" -ge 2 ] && lit_closing=1
done
[ "$lit_closing" -eq 1 ] || { seen; fail "no lit closing screen in the seconds before the black"; }

# Black it stays, alive, with SPACE doing nothing, until the window is closed
press space
for p in $(pixels 10,10 960,540 1900,1070 500,800); do
    [ "$p" = "000000" ] || { seen; fail "a pixel is $p after the closing screen, not black"; }
done
alive || fail "the program ended on its own"
close_and_check
echo "whole show: ok"
