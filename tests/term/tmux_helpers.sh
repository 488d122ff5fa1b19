# davur_evi_term in a private tmux server: what the terminal tests share. Sourced with `program`
# set to the player; every run's bytes, as the pane receives them, are kept in $work/bytes.
socket="davur_evi_term_$$"
work=$(mktemp -d)

source "$(dirname "${BASH_SOURCE[0]}")/tmux_common.sh"  # tm, pane, fail, wait_for, shows
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

title_is() { [ "$(tm display -p -t show '#{pane_title}')" = "$1" ]; }
flag() { tm display -p -t show "#{$1}"; }
row_painted() { pane -e -S "$1" -E "$1" | grep -q '48;2;'; }  # A background colour set on that row
seconds_since() { awk -v from="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - from }'; }

# The show in a fresh 120 x 42 session, in an empty directory: no music file, so it runs silent.
#   start [ENVIRONMENT [OPTIONS]]   e.g. start "COLORTERM=truecolor" "--colors 256"
# ENVIRONMENT goes to env(1) ("-u TMUX" unsets); COLORTERM, NO_COLOR and STY are unset unless it sets them.
start() {
    local environment=${1:-COLORTERM=truecolor} options=${2:-}
    launched=$(date +%s.%N)
    run_player "$options" "" "-u COLORTERM -u NO_COLOR -u STY $environment"
    wait_for 60 shows "MS-DOS Version 6.22" || fail "the boot screen's text did not appear"
}

# The program has ended with status 0 and the terminal is as it was before it started.
restored() {
    wait_for 30 shows "EXIT:" || fail "$1: the program did not end"
    shows "EXIT:0" || fail "$1: $(pane | grep EXIT)"
    wait_for 10 test -s "$work/stty.after" || fail "$1: the shell did not go on"
    cmp -s "$work/stty.before" "$work/stty.after" || fail "$1: the input mode was not restored"
    [ "$(flag alternate_on)" = 0 ] || fail "$1: still on the alternate screen"
    [ "$(flag cursor_flag)" = 1 ] || fail "$1: the cursor is hidden"
    [ "$(flag wrap_flag)" = 1 ] || fail "$1: line wrap is off"
}


# The player with ARGUMENTS (shell words, quoted as needed) in a fresh 120 x 42 session, from $work;
# its stderr goes to the pane unless ERRFILE is given, and ENVIRONMENT goes to env(1). Returns at
# once; the bytes the pane receives are kept in $work/bytes.
#   run_player "ARGUMENTS" [ERRFILE] [ENVIRONMENT]
run_player() {
    local arguments=$1 err=${2:-} environment=${3:-}
    tm kill-session -t show >/dev/null 2>&1
    rm -f "$work/pid" "$work/stty.after" "$work/go" "$work/bytes"
    cat >"$work/run.sh" <<EOF
cd "$work"
while [ ! -e go ]; do sleep 0.05; done
stty -g >stty.before
env $environment sh -c 'echo \$\$ >pid; exec "\$0" "\$@"' "$program" $arguments ${err:+2>"$err"}
echo "EXIT:\$?"
stty -g >stty.after
sleep 600
EOF
    tm new-session -d -s show -x 120 -y 42 "LANG=C.UTF-8 LC_ALL=C.UTF-8 bash $work/run.sh"
    tm pipe-pane -o -t show "cat >>$work/bytes"
    touch "$work/go"
}

title() { tm display -p -t show '#{pane_title}'; }
title_has() { title | grep -qE -- "$1"; }

# The program has ended with status 1, one line on stderr (in ERRFILE), and the terminal as before.
refused() {
    local what=$1 err=$2
    wait_for 60 shows "EXIT:" || fail "$what: the program did not end"
    shows "EXIT:1" || fail "$what: $(pane | grep EXIT), not EXIT:1"
    [ "$(wc -l <"$err")" -eq 1 ] || fail "$what: stderr is not one line: $(cat "$err")"
    echo "$what: $(cat "$err")"
    wait_for 10 test -s "$work/stty.after" || fail "$what: the shell did not go on"
    cmp -s "$work/stty.before" "$work/stty.after" || fail "$what: the input mode was not restored"
    [ "$(flag alternate_on)" = 0 ] || fail "$what: still on the alternate screen"
    [ "$(flag cursor_flag)" = 1 ] || fail "$what: the cursor is hidden"
}
