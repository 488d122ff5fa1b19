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
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do
            DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=":$n"
            cleanup+=("kill $xvfb_pid")
            break
        fi
        kill "$xvfb_pid" 2>/dev/null
    done
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || { echo "headless: could not start Xvfb" >&2; exit 1; }
fi

if command -v pulseaudio >/dev/null 2>&1 && ! pactl info >/dev/null 2>&1; then
    runtime=$(mktemp -d /tmp/davur_evi-pulse.XXXXXX)
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR="$runtime"
    # -n: no system configuration; just the null sink and the local protocol the clients use
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load="module-null-sink sink_name=davur_evi_null" \
               --load="module-native-protocol-unix" >/dev/null 2>&1
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    cleanup+=("pulseaudio --kill" "rm -rf '$runtime'")
fi

"$@"
