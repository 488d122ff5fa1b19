#!/usr/bin/env bash
# Each program's manual page names every option its --help names, so that the two cannot drift
# apart; and the version --version prints is the one the pages are made with.
#
#   man_pages.sh MAN_FOLDER TERM_PROGRAM CAPTURE_PROGRAM VERSION
set -u
man=$1 term=$2 capture=$3 version=$4
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

check_options() {  # PROGRAM PAGE
    local options page_text option
    options=$("$1" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
    [ -n "$options" ] || fail "$1 --help names no options"
    page_text=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$2")  # troff's escaped hyphens and font changes
    for option in $options; do
        grep -q -- "$option\\b" <<<"$page_text" || fail "$(basename "$2") does not mention $option"
    done
    grep -q "\"davur_evi $version\"" "$2" || fail "$(basename "$2") is not made for version $version"
    [ "$("$1" --version)" = "$(basename "$1") $version" ] || fail "$1 --version prints $("$1" --version)"
}
check_options "$term" "$man/davur_evi_term.6"
check_options "$capture" "$man/davur_evi_capture.1"
grep -q '^\.SH KEYS' "$man/davur_evi.6" || fail "davur_evi.6 lists no keys"
[ "$failed" -eq 0 ] && echo "manual pages: ok"
exit "$failed"
