#!/usr/bin/env bash
# What the project's scripts share, sourced after setting `script` to the script's short name:
#
#   script=setup; source "$root/scripts/lib.sh"
#
#   say TEXT...              one line on stderr, "setup: TEXT"
#   die TEXT...              the same, then exit 1
#   as_root COMMAND...       as root: directly, through sudo, or a clear failure
#   install_missing PKG...   installs the Debian packages that are not installed yet (apt, quietly)
#   raylib_6_0_pin           the SHA-256 pin of raylib 6.0's upstream tarball in Debian, the version
#                            this project is tested with (for debian_source_fetch)

say() { echo "${script:-davur_evi}: $*" >&2; }
die() { say "$@"; exit 1; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null 2>&1; then sudo "$@"
    else die "need root or sudo to install: ${*: -1}"; fi
}

install_missing() {
    command -v dpkg-query >/dev/null 2>&1 || { say "not a Debian/Ubuntu system: install $* by hand"; return 0; }
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ "${#missing[@]}" -eq 0 ] && return 0
    command -v apt-get >/dev/null 2>&1 || die "install by hand: ${missing[*]}"
    say "installing ${missing[*]}"
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    as_root "${apt[@]}" update -qq >/dev/null
    as_root "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
        || die "could not install: ${missing[*]}"
}

raylib_6_0_pin="raylib_6.0+ds.orig.tar.gz=48063be6305afd417a7f44fc588b2f266354cb30c0073ba8fb503d5a0429688e"
