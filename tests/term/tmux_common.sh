# Shared by the terminal player's tests: the show in a pane of a private tmux server. The sourcing
# script sets `socket` (the server's name) first.

tm() { tmux -L "$socket" -u "$@"; }
pane() { tm capture-pane -p -t show "$@" 2>/dev/null; }
fail() {
    echo "FAIL: $*" >&2
    echo "--- the pane:" >&2
    pane | grep -v '^ *$' | head -n 45 >&2
    exit 1
}

# Waits for a condition with a generous deadline (seconds): a busy machine only makes it slower.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
shows() { pane | grep -qF -- "$1"; }
