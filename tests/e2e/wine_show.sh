#!/usr/bin/env bash
# The Windows show under wine, as a viewer starts it by double-click: from a folder that is not its
# own. It opens a 1920x1080 window titled davur_evi, finds and plays its track beside the .exe,
# draws the boot screen, SPACE moves on to the next scene and on through the show to the closing
# screen and the black after it (long before the show would get there by itself), ESC exits 0,
# and nothing is printed.
#
#   wine_show.sh WINE_RUNNER path/to/unpacked/davur_evi.exe
#
# WINE_RUNNER runs a Windows program (quiet, in a prepared prefix). Needs a display and a
# PulseAudio server (scripts/headless.sh), xdotool, xwininfo, ImageMagick and parec.
set -u
source "$(dirname "$0")/sound.sh"  # music_heard
runner=$(realpath "$1")
program=$(realpath "$2")
out=$(mktemp)
err=$(mktemp)
shots=$(mktemp -d)
elsewhere=$(mktemp -d)  # The working directory: nothing of the show is in it
pid=""
mean=""
max=""
started=$(date +%s)

# The show on its own takes 116 s from start to black (eleven scenes, ten transitions, the closing
# screen); black well before that means the skips worked.
show_length=116
skip_deadline=110

cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$out" "$err" "$shots" "$elsewhere"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -s "$err" ] && echo "stderr: $(head -c 300 "$err")" >&2
    exit 1
}

alive() { kill -0 "$pid" 2>/dev/null; }
elapsed() { echo $(($(date +%s) - started)); }

# Holds a key for a while: under wine with software OpenGL a frame can take a good part of a second,
# and the show only sees a key that is down when it polls. Well under the 1.15 s of a transition,
# during which SPACE is ignored, so one hold is never two skips.
hold() {
    xdotool keydown "$1"
    sleep 0.5
    xdotool keyup "$1"
}

# The whole screen's mean and brightest grey level, 0..1, into `mean` and `max`.
measure() {
    local shot="$shots/screen.png"
    mean=""
    max=""
    import -window root "$shot" 2>/dev/null || fail "could not read the screen"
    read -r mean max < <(convert "$shot" -colorspace gray -format "%[fx:mean] %[fx:maxima]" info: 2>/dev/null)
    [ -n "$max" ] || fail "could not measure the screen"
}
above() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v > t) }'; }

# Waits up to SECONDS for CHECK to succeed, polling every half second.
wait_for() {
    local seconds=$1
    shift
    local deadline=$(($(date +%s) + seconds))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        "$@" && return 0
        alive || fail "the program ended (while waiting for: $*)"
        sleep 0.5
    done
    return 1
}

# --- start, from a folder that is not the program's ---------------------------------------------
(cd "$elsewhere" && exec "$runner" "$program") >"$out" 2>"$err" &
pid=$!

# wine makes a window first and then the full-screen one; wait for the one of the show's size.
full_window() {
    local w
    for w in $(xdotool search --name '^davur_evi$' 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
        [ "$(xwininfo -id "$w" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')" = 1920x1080 ] \
            && return 0
    done
    return 1
}
wait_for 90 full_window || fail "no 1920x1080 window titled davur_evi appeared"

# --- the boot screen: dark, with lit text ---------------------------------------------------------
boot_screen() { measure && above "$max" 0.5 && ! above "$mean" 0.03; }
wait_for 30 boot_screen || fail "the boot screen was not drawn (mean $mean, brightest $max)"

# --- SPACE: the next scene, wave_scroll, fills the screen with its blue gradient --------------------
hold space
lighter_scene() { measure && above "$mean" 0.04; }
wait_for 30 lighter_scene || fail "SPACE did not move on from the boot screen (mean $mean, brightest $max)"

# --- the track, found beside the .exe, plays: the sound server's monitor is not silent ----------
wait_for 30 music_heard || fail "no sound: the track beside the program was not played"

# --- SPACE on through the show: the closing screen, then black for good -----------------------------
# Presses are ignored during transitions and after the last scene, so pressing on until the screen
# stays black is harmless; black means every pixel, three times over two seconds (a transition's
# fade is black for a moment only).
black() { measure && ! above "$max" 0; }
black_for_good() { black && sleep 1 && black && sleep 1 && black; }
for _ in $(seq 10); do  # The ten scenes after wave_scroll, the last SPACE starting the closing screen
    hold space
    sleep 1
done
until black_for_good; do
    alive || fail "the program ended during the show"
    [ "$(elapsed)" -lt "$skip_deadline" ] || fail "not black after ${skip_deadline} s of SPACE (the show alone takes ${show_length} s)"
    hold space
    sleep 1
done

# --- ESC ends the program with status 0, having printed nothing -----------------------------------
hold Escape
deadline=$(($(date +%s) + 30))
while alive && [ "$(date +%s)" -lt "$deadline" ]; do sleep 0.2; done
alive && fail "the program did not end after ESC"
wait "$pid"
status=$?
pid=""
mean=""
max=""
[ "$status" -eq 0 ] || fail "exit status $status"
[ -s "$out" ] && fail "printed on stdout: $(head -c 300 "$out")"
[ -s "$err" ] && fail "printed on stderr"
echo "wine show: ok in $(elapsed) s"
