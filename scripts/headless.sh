#!/usr/bin/env bash
# Runs a command with a display and a sound server: when there is no X display, a private Xvfb
# screen of 1920x1080; when no PulseAudio server answers, a private one with a null sink, so that
# the audio device opens and the music stream advances. Both are stopped when the command ends.
#
#   scripts/headless.sh COMMAND [ARGS...]
set -uo pipefail

cleanup=()
finish() { for c in "${cleanup[@]}"; do eval "$c" >/dev/null 2>&1; done; }
trap finish EXIT

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    command -v Xvfb >/dev/null 2>&1 || { echo "headless: Xvfb is missing (run scripts/setup.sh --test)" >&2; exit 1; }
    # Xvfb picks a free display number itself and writes it to the file once it accepts clients
    number_file=$(mktemp /tmp/davur_evi-display.XXXXXX)
    cleanup+=("rm -f '$number_file'")
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    cleanup+=("kill $xvfb_pid")
    for _ in $(seq 300); do
        [ -s "$number_file" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$number_file" ] || { echo "headless: could not start Xvfb" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$number_file" | tr -d '[:space:]')"
fi

if command -v pulseaudio >/dev/null 2>&1 && ! pactl info >/dev/null 2>&1; then
    runtime=$(mktemp -d /tmp/davur_evi-pulse.XXXXXX)
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR="$runtime"
    # -n: no system configuration; just the null sink and the local protocol the clients use
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load="module-null-sink sink_name=davur_evi_null" \
               --load="module-native-protocol-unix" >/dev/null 2>&1
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    cleanup+=("pulseaudio --kill" "rm -rf '$runtime'")
fi

"$@"
