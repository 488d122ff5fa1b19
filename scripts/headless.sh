#!/usr/bin/env bash
# Runs a command with a display and a sound server: when there is no X display, a private Xvfb
# screen of 1920x1080; when no PulseAudio server answers, a private one with a null sink, so that
# the audio device opens and the music stream advances. Both are stopped when the command ends.
#
#   scripts/headless.sh [--private] COMMAND [ARGS...]
#
# --private: a private display and sound server even when others answer, for a command that stops
# them on purpose (the fault-injection tests). The display's process id is then in
# HEADLESS_XVFB_PID, and `start_sound_server` (an exported bash function) starts the sound server
# again after it was stopped.
#
# Xvfb runs with -noreset: by default it resets whenever its last client disconnects, and a program
# that connects at that moment may lose its window (between two shows of a test, for instance).
set -uo pipefail

private=0
[ "${1:-}" = "--private" ] && { private=1; shift; }

cleanup=()
finish() { for c in "${cleanup[@]}"; do eval "$c" >/dev/null 2>&1; done; }
trap finish EXIT

if [ "$private" -eq 1 ] || [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    command -v Xvfb >/dev/null 2>&1 || { echo "headless: Xvfb is missing (run scripts/setup.sh --test)" >&2; exit 1; }
    # Xvfb picks a free display number itself and writes it to the file once it accepts clients
    number_file=$(mktemp /tmp/davur_evi-display.XXXXXX)
    cleanup+=("rm -f '$number_file'")
    Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    disown "$xvfb_pid"  # A test that kills it on purpose gets no job report from this shell
    cleanup+=("kill $xvfb_pid")
    for _ in $(seq 300); do
        [ -s "$number_file" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$number_file" ] || { echo "headless: could not start Xvfb" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$number_file" | tr -d '[:space:]')"
    export HEADLESS_XVFB_PID=$xvfb_pid
fi

# -n: no system configuration; just the null sink and the local protocol the clients use. Waits
# until the server answers.
start_sound_server() {
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load="module-null-sink sink_name=davur_evi_null" \
               --load="module-native-protocol-unix" >/dev/null 2>&1
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
export -f start_sound_server

if command -v pulseaudio >/dev/null 2>&1 && { [ "$private" -eq 1 ] || ! pactl info >/dev/null 2>&1; }; then
    runtime=$(mktemp -d /tmp/davur_evi-pulse.XXXXXX)
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR="$runtime"
    unset PULSE_SERVER
    start_sound_server
    cleanup+=("pulseaudio --kill" "rm -rf '$runtime'")
fi

"$@"
