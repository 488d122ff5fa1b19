#!/usr/bin/env bash
# davur_evi_term in each colour mode, chosen from the environment (COLORTERM, TERM and its terminfo
# entry, NO_COLOR) or by --colors, in a private tmux server: the bytes the pane receives hold only
# that mode's colour sequences, and every way out (q, Ctrl-C, SIGTERM) puts the terminal back with
# exit status 0 in every mode.
#   terminal_colours.sh path/to/davur_evi_term
set -u
program=$(realpath "$1")
source "$(dirname "${BASH_SOURCE[0]}")/tmux_helpers.sh"

# The kinds of SGR parameters in the bytes, one a line: rgb (38;2 / 48;2), 256 (38;5 / 48;5),
# 16 (30-37, 40-47, 90-97, 100-107), intensity (22), reset (0 or none) or other:N.
sgr_kinds() {
    grep -aoE $'\x1b\\[[0-9;:]*m' "$work/bytes" | tr -d $'\x1bm[' | awk -F';' '
        {
            if ($0 == "") { print "reset"; next }
            for (i = 1; i <= NF; ++i) {
                p = $i
                if ((p == 38 || p == 48) && $(i + 1) == 2) { print "rgb"; i += 4 }
                else if ((p == 38 || p == 48) && $(i + 1) == 5) { print "256"; i += 2 }
                else if ((p >= 30 && p <= 37) || (p >= 40 && p <= 47) || (p >= 90 && p <= 97) || (p >= 100 && p <= 107)) print "16"
                else if (p == 22) print "intensity"
                else if (p == 0) print "reset"
                else print "other:" p
            }
        }' | sort -u | tr '\n' ' '
}

# Runs the show to plasma_storm (colour everywhere), leaves it one way, and checks the terminal and
# the colour sequences it received.
#   check LABEL ENVIRONMENT OPTIONS MODE WAY
check() {
    local label=$1 environment=$2 options=$3 mode=$4 way=$5
    start "$environment" "$options"
    tm send-keys -t show Space
    wait_for 20 title_is "davur_evi: wave_scroll" || fail "$label: SPACE did not move on to wave_scroll"
    tm send-keys -t show Space
    wait_for 20 title_is "davur_evi: plasma_storm" || fail "$label: SPACE did not move on to plasma_storm"
    sleep 1
    case $way in
        q) tm send-keys -t show q ;;
        C-c) tm send-keys -t show C-c ;;
        TERM) kill -TERM "$(cat "$work/pid")" ;;
    esac
    restored "$label, $way"
    local kinds expected
    kinds=$(sgr_kinds)
    [ "$mode" = 16 ] && kinds=${kinds/intensity /}  # 22 only follows a bright glyph colour
    case $mode in
        24bit) expected="reset rgb " ;;
        256) expected="256 reset " ;;
        16) expected="16 reset " ;;
        none) expected="reset " ;;
    esac
    [ "$kinds" = "$expected" ] || fail "$label, $way: colour sequences '$kinds', not '$expected'"
    # The bytes were drawn: the plasma's glyphs arrived, as UTF-8 shades or as ASCII
    [ "$(wc -c <"$work/bytes")" -gt 20000 ] || fail "$label, $way: only $(wc -c <"$work/bytes") bytes arrived"
    echo "$label, $way: $kinds"
}

# COLORTERM and NO_COLOR are unset unless set here; inside tmux, TMUX alone already means 256 colours
for way in q C-c TERM; do
    check "COLORTERM=truecolor" "COLORTERM=truecolor" "" 24bit "$way"
    check "TERM=xterm-256color" "-u TMUX TERM=xterm-256color" "" 256 "$way"
    check "TERM=linux" "-u TMUX TERM=linux" "" 16 "$way"
    check "NO_COLOR=1" "NO_COLOR=1 COLORTERM=truecolor" "" none "$way"
done
check "--colors 16 over COLORTERM" "COLORTERM=truecolor" "--colors 16" 16 q
check "--colors 24bit over NO_COLOR" "NO_COLOR=1 TERM=dumb" "--colors 24bit" 24bit q
check "--colors 256 over TERM=linux" "-u TMUX TERM=linux" "--colors=256" 256 C-c
check "--colors none" "COLORTERM=truecolor" "--colors none" none TERM
echo "terminal colours: ok"
