# Shared by the end-to-end tests: start the show, find its window, read screen pixels, close it.
# Each script is called as: SCRIPT path/to/davur_evi path/to/close_window

source "$(dirname "${BASH_SOURCE[0]}")/music_level.sh"

program=$1
close_window=$2
source "$(dirname "${BASH_SOURCE[0]}")/sound.sh"
out=$(mktemp)
err=$(mktemp)
pid=""

fail() {
    echo "FAIL: $*" >&2
    # KILL: a program that hangs may not take TERM
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

# The first window titled davur_evi that is not among the ids given (" id id ... ").
new_show_window() {
    local w
    for w in $(xdotool search --name '^davur_evi$' 2>/dev/null); do
        case "$1" in *" $w "*) ;; *) echo "$w"; return 0 ;; esac
    done
}

start_show() {
    # The window of an earlier show may still be going away: it is not this one's
    local earlier
    earlier=" $(xdotool search --name '^davur_evi$' 2>/dev/null | tr '\n' ' ') "
    "$program" >"$out" 2>"$err" &
    pid=$!
    window=""
    # Generous: on a busy machine the window can take several seconds to appear. Keys go to the
    # focused window, and only a mapped window can take the focus: a key tapped before would be lost.
    for _ in $(seq 600); do
        window=$(new_show_window "$earlier")
        [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable' &&
            xdotool windowfocus "$window" 2>/dev/null &&
            [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] && return 0
        kill -0 "$pid" 2>/dev/null || fail "the program exited before its window appeared and took the keys"
        sleep 0.1
    done
    if [ -z "$window" ]; then
        xwininfo -root -tree 2>&1 | grep -o '"[^"]*"' | sort -u | head -n 20 >&2
        fail "no window titled davur_evi appeared (windows on the display listed above)"
    fi
    fail "the window never took the keyboard focus"
}

# Quick taps, press and release together: the show takes every press between two frames, however
# short, so a tap that falls between two slow frames still acts.
press() {
    for key in "$@"; do
        xdotool key --delay 0 "$key"
    done
}

alive() { kill -0 "$pid" 2>/dev/null; }

# The screen pixels at the points given as "x,y" arguments, from one picture, as rrggbb words (read
# from the X server point by point: cheap enough to sample a running show often on a busy machine).
screen_pixels=$(dirname "$close_window")/screen_pixels
pixels() { "$screen_pixels" "$@" 2>/dev/null; }

# The colour of the screen pixel at x y as rrggbb.
pixel() { pixels "$1,$2" | tr -d ' '; }

# Fractional seconds since the script started.
clock() { awk -v start="$start_ns" -v now="$(date +%s%N)" 'BEGIN { printf "%.2f", (now - start) / 1e9 }'; }
start_ns=$(date +%s%N)

# Runs CMD every 0.2 s until it succeeds; fails after SECONDS seconds. The deadline is generous:
# the tests wait for what the show shows, never for a time, so a slow machine only waits longer.
wait_until() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -ge "$end" ] && return 1
        alive || return 1
        sleep 0.2
    done
}

# Waits up to SECONDS for the program to end, then checks its exit status and that it printed
# nothing; WHAT names the run in a failure (what was asked of it). Sets `took` to the seconds it
# took to end.
#   expect_exit SECONDS STATUS WHAT
expect_exit() {
    local from
    from=$(date +%s%N)
    for _ in $(seq $(($1 * 10))); do
        alive || break
        sleep 0.1
    done
    alive && fail "$3: the program did not end within $1 s"
    took=$(awk -v a="$from" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
    wait "$pid"
    status=$?
    [ "$status" -eq "$2" ] || fail "$3: exit status $status, not $2"
    [ -s "$out" ] && fail "$3: printed on stdout: $(head -c 300 "$out")"
    [ -s "$err" ] && fail "$3: printed on stderr: $(head -c 300 "$err")"
    pid=""
    return 0
}

# The same for an orderly end: status 0.
#   expect_clean_exit SECONDS WHAT
expect_clean_exit() { expect_exit "$1" 0 "$2"; }


# Closes the window as a window manager would and checks the exit status and that nothing was printed.
close_and_check() {
    "$close_window" davur_evi || fail "could not ask the window to close"
    expect_clean_exit 60 "window closed"
    rm -f "$out" "$err"
    return 0
}
