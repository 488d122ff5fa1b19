#!/usr/bin/env bash
# The display or the window goes away under the show (run under scripts/headless.sh --private, so
# the display is this test's own): the program ends with status 1, having printed nothing. The
# third argument names the case:
#   killed      the X server is killed
#   destroyed   another client destroys the window (xdotool windowclose)
#   disconnect  another client cuts the program's connection (xkill)
# Called as: display_loss.sh davur_evi close_window CASE
set -u
source "$(dirname "$0")/common.sh"
case_name=$3
[ -n "${HEADLESS_XVFB_PID:-}" ] || fail "run under scripts/headless.sh --private: this test stops the display"

start_show
drawing() { local p; p=$(pixel 960 540); [ -n "$p" ] && [ "$p" != "000000" ]; }
wait_until 120 drawing || fail "the show never drew its first scene"
case "$case_name" in
    killed) kill -KILL "$HEADLESS_XVFB_PID" || fail "could not kill the display" ;;
    destroyed) xdotool windowclose "$window" || fail "could not destroy the window" ;;
    disconnect) xkill -id "$window" >/dev/null || fail "could not cut the program's connection" ;;
    *) fail "unknown case $case_name" ;;
esac
expect_exit 10 1 "display $case_name"
echo "display $case_name: exit 1 in $took s, nothing printed"
