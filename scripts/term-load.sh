#!/usr/bin/env bash
# What the terminal player costs the terminal: each given player runs the whole show (about two
# minutes) in a detached tmux pane of 120 x 42 at 60 frames a second, one after the other in fresh
# tmux servers, and the tmux server's CPU time over the run is read from /proc/PID/stat. Prints, for
# each, the tmux server's share of a core and the player's own --stats.
#
#   scripts/term-load.sh [SECONDS] 'LABEL=PLAYER [OPTIONS...]'...
#   e.g. scripts/term-load.sh 118 "24bit=build/frontends/terminal/davur_evi_term --colors 24bit" \
#                                 "256=build/frontends/terminal/davur_evi_term --colors 256"
# Run from the repository root, so the show finds its music. Linux only.
set -euo pipefail
seconds=118
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
ticks=$(getconf CLK_TCK)
work=$(mktemp -d)
socket=""
trap 'rm -rf "$work"; [ -z "$socket" ] || tmux -L "$socket" kill-server >/dev/null 2>&1' EXIT

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # utime + stime: the fields after the name

for run in "$@"; do
    label=${run%%=*}
    command=${run#*=}
    socket="davur_evi_load_$$_$label"
    tm() { tmux -L "$socket" -f /dev/null "$@"; }
    tm new-session -d -s load -x 120 -y 42 \
        "LANG=C.UTF-8 LC_ALL=C.UTF-8 COLORTERM=truecolor $command --fps 60 --stats; sleep 600"
    server=$(tm display -p '#{pid}')
    before=$(cpu_ticks "$server")
    start=$(date +%s.%N)
    sleep "$seconds"
    tm send-keys -t load q
    for _ in $(seq 100); do
        tm capture-pane -p -t load >"$work/stats" 2>/dev/null
        grep -q "cells elided" "$work/stats" && break
        sleep 0.1
    done
    after=$(cpu_ticks "$server")
    end=$(date +%s.%N)
    tm kill-server >/dev/null 2>&1 || true
    echo "== $label: $command"
    awk -v t="$((after - before))" -v hz="$ticks" -v a="$start" -v b="$end" \
        'BEGIN { printf "tmux server: %.1f %% of a core (%.1f s of CPU in %.1f s)\n", 100 * t / hz / (b - a), t / hz, b - a }'
    grep -E '^[a-zA-Z ]+:' "$work/stats" || true
done
