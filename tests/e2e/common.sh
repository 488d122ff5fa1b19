# Shared by the end-to-end tests: start the show, find its window, read screen pixels, close it.
# Each script is called as: SCRIPT path/to/davur_evi path/to/close_window

program=$1
close_window=$2
out=$(mktemp)
err=$(mktemp)
pid=""

fail() {
    echo "FAIL: $*" >&2
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    exit 1
}

start_show() {
    "$program" >"$out" 2>"$err" &
    pid=$!
    window=""
    # Generous: on a busy machine the window can take several seconds to appear
    for _ in $(seq 300); do
        window=$(xdotool search --name '^davur_evi$' 2>/dev/null | head -n1)
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the program exited before its window appeared"
        sleep 0.1
    done
    if [ -z "$window" ]; then
        xwininfo -root -tree 2>&1 | grep -o '"[^"]*"' | sort -u | head -n 20 >&2
        fail "no window titled davur_evi appeared (windows on the display listed above)"
    fi
    xdotool windowfocus "$window" 2>/dev/null || true
}

# Holds each key for a few frames: the show reads keys once per frame, so a press and release
# within one frame would go unseen, as it would for a person.
press() {
    for key in "$@"; do
        xdotool keydown "$key"
        sleep 0.1
        xdotool keyup "$key"
        sleep 0.1
    done
}

alive() { kill -0 "$pid" 2>/dev/null; }

# The colour of the screen pixel at x y as rrggbb.
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1 | tr -d '#'; }

# Closes the window as a window manager would and checks the exit status and that nothing was printed.
close_and_check() {
    "$close_window" davur_evi || fail "could not ask the window to close"
    for _ in $(seq 100); do
        alive || break
        sleep 0.1
    done
    alive && fail "the program did not end after its window was closed"
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "exit status $status"
    [ -s "$out" ] && fail "printed on stdout: $(head -c 300 "$out")"
    [ -s "$err" ] && fail "printed on stderr: $(head -c 300 "$err")"
    rm -f "$out" "$err"
    return 0
}
