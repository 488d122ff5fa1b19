#!/usr/bin/env bash
# Fetches and unpacks a Debian source package through a private apt state, with the mirror taken
# from this machine's own apt configuration, so that nothing but the distribution's archive is
# reached and the machine's apt lists are left alone. Sourced by the set-up and build scripts:
#
#   source scripts/debian-source.sh
#   debian_source_fetch PACKAGE SUITE WORKDIR [TARBALL=SHA256]
#       unpacks the upstream tarball into WORKDIR/PACKAGE and prints the package's version
#
# The .dsc arrives with apt's checks against the signed index; the upstream tarball must match the
# .dsc's SHA-256, and a tarball named as in TARBALL=SHA256 must also have that checksum (a pin for the
# version we know; another version is taken on the archive's word). Fails with one line on stderr.

debian_source_mirror() {
    local f mirror=""
    for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list /etc/apt/sources.list; do
        [ -f "$f" ] || continue
        mirror=$(grep -v '^[[:space:]]*#' "$f" | grep -hoE 'https?://[^ ]+/debian/?( |$)' | head -n1 | tr -d ' ' || true)
        [ -n "$mirror" ] && break
    done
    [ -n "$mirror" ] || { echo "no Debian mirror is configured in /etc/apt" >&2; return 1; }
    echo "${mirror%/}"
}

# The SHA-256 of the upstream tarball as the .dsc lists it, and its file name.
debian_source_orig() {
    awk '/^Checksums-Sha256:/{f=1;next} /^[A-Z]/{f=0} f && $3 ~ /orig\.tar/ {print $1, $3; exit}' "$1"
}

debian_source_fetch() {
    local package=$1 suite=$2 work=$3 pinned=${4:-} mirror state dsc sum orig
    mirror=$(debian_source_mirror) || return 1
    state="$work/.apt-$package"
    rm -rf "$state" "${work:?}/$package"
    mkdir -p "$state/lists/partial" "$state/etc" "$state/download"
    cat > "$state/etc/src.sources" <<EOF
Types: deb-src
URIs: $mirror
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    local apt_src=(apt-get -qq -o "Dir::Etc::SourceList=$state/etc/src.sources" -o "Dir::Etc::SourceParts=$state/etc/none"
                   -o "Dir::State::Lists=$state/lists" -o "APT::Sandbox::User=root")
    "${apt_src[@]}" update >/dev/null 2>&1 || { echo "could not read the source index of $suite from $mirror" >&2; return 1; }
    # The mirror may lack an upstream signature (.asc) the .dsc lists: apt then fails after fetching
    # everything else, and the .dsc is checked against the signed index here instead.
    local fetched=1
    (cd "$state/download" && "${apt_src[@]}" source --download-only "$package" >/dev/null 2>&1) || fetched=0
    dsc=$(ls "$state/download/${package}"_*.dsc 2>/dev/null | head -n1)
    [ -n "$dsc" ] || { echo "could not download the $package source package" >&2; return 1; }
    if [ "$fetched" -eq 0 ]; then
        sum=$(sha256sum "$dsc" | cut -d' ' -f1)
        /usr/lib/apt/apt-helper cat-file "$state/lists/"*_Sources* 2>/dev/null | grep "^ $sum [0-9]* $(basename "$dsc")\$" >/dev/null \
            || { echo "could not download the $package source package" >&2; return 1; }
    fi
    read -r sum orig < <(debian_source_orig "$dsc")
    [ -n "${orig:-}" ] && [ -f "$state/download/$orig" ] || { echo "the $package source tarball is missing" >&2; return 1; }
    echo "$sum  $state/download/$orig" | sha256sum -c --quiet - >/dev/null 2>&1 \
        || { echo "checksum mismatch for $orig" >&2; return 1; }
    if [ "${pinned%%=*}" = "$orig" ] && [ "${pinned#*=}" != "$sum" ]; then
        echo "$orig does not have the known checksum" >&2; return 1
    fi
    mkdir -p "$work/$package"
    tar -xf "$state/download/$orig" -C "$work/$package" --strip-components=1
    sed -n 's/^Version: //p' "$dsc" | head -n1
    rm -rf "$state"
}
