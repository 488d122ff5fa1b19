#!/usr/bin/env bash
# The Debian package as a user meets it. Builds dist/davur-evi_VERSION_amd64.deb (scripts/build-deb.sh,
# which runs the notices check and lintian), installs it with apt-get into a fresh minimal Debian
# 12 root and checks there that:
#   - the show, started from /tmp, opens its 1920x1080 window, draws, and its music is heard on the
#     sound server's monitor (so it found the installed track); closing the window ends it with
#     status 0, having printed nothing
#   - davur_evi_term --version prints the version, davur_evi_capture --help its usage; the menu
#     entry, the icon and the manual pages are in place
#   - apt-get remove leaves none of the package's files, and apt-get autoremove --purge of the
#     packages it brought leaves the root's files as they were before the install
#
# The base root (debootstrap --variant=minbase, from the mirror this machine's apt uses, with its
# apt settings and certificates) is made once into build-deb/root-cache; each run starts from a
# copy of it. The packages apt downloads are kept in build-deb/apt-archives for the next run. The
# display (a private Xvfb) and the sound server (a private PulseAudio with a null sink) run outside
# the root and reach into it through their sockets, so that nothing the test needs is installed
# into it: the package's Depends alone must bring everything the programs need.
#
#   scripts/test-deb.sh
set -euo pipefail
root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work="$root_dir/build-deb"
cache="$work/root-cache"
suite=bookworm
base="$cache/$suite"
target="$work/root"
archives="$work/apt-archives"
build="$work/build"

die() { echo "test-deb: $*" >&2; exit 1; }
say() { echo "== package: $*"; }

# debootstrap, chroot and the mounts in the root need root
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || die "needs root (debootstrap, chroot, mount): run it as root or install sudo"
    exec sudo --preserve-env=PATH bash "$0" "$@"
fi

bash "$root_dir/scripts/setup.sh" --test >/dev/null
bash "$root_dir/scripts/build-deb.sh"
version=$(bash "$root_dir/scripts/version.sh")
deb="$root_dir/dist/davur-evi_${version}_$(dpkg --print-architecture).deb"
cmake --build "$build" --target close_window screen_pixels >/dev/null || die "could not build the end-to-end helpers (close_window, screen_pixels)"

# --- the base root, made once -----------------------------------------------------------------
source "$root_dir/scripts/debian-source.sh"
mirror=$(debian_source_mirror)
stamp="$base/.davur_evi-root"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$suite $mirror" ]; then
    say "making a minimal Debian $suite root (once; cached in $cache)"
    rm -rf "$base"
    mkdir -p "$cache"
    debootstrap --variant=minbase "$suite" "$base.partial" "$mirror" >"$cache/debootstrap.log" 2>&1 \
        || { rm -rf "$base.partial"; die "debootstrap failed; see $cache/debootstrap.log"; }
    # Reach the archive as this machine does: its apt settings and its certificates
    cp -a /etc/apt/apt.conf.d/. "$base.partial/etc/apt/apt.conf.d/"
    if [ -d /usr/local/share/ca-certificates ]; then
        mkdir -p "$base.partial/usr/local/share/ca-certificates"
        cp -a /usr/local/share/ca-certificates/. "$base.partial/usr/local/share/ca-certificates/"
    fi
    echo "deb $mirror $suite main" > "$base.partial/etc/apt/sources.list"
    echo "deb $mirror $suite-updates main" >> "$base.partial/etc/apt/sources.list"
    echo "$suite $mirror" > "$base.partial/.davur_evi-root"
    mv "$base.partial" "$base"
fi

# --- a private display and sound server, outside the root --------------------------------------
cleanup=()
finish() { for ((i = ${#cleanup[@]} - 1; i >= 0; i--)); do eval "${cleanup[$i]}" >/dev/null 2>&1; done; }
trap finish EXIT
number_file=$(mktemp /tmp/davur_evi-display.XXXXXX)
cleanup+=("rm -f '$number_file'")
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
cleanup+=("kill $!")
for _ in $(seq 300); do [ -s "$number_file" ] && break; sleep 0.1; done
[ -s "$number_file" ] || die "could not start Xvfb"
export DISPLAY=":$(head -n1 "$number_file" | tr -d '[:space:]')"
pulse_dir=$(mktemp -d /tmp/davur_evi-pulse.XXXXXX)
chmod 700 "$pulse_dir"
cleanup+=("rm -rf '$pulse_dir'")
export XDG_RUNTIME_DIR="$pulse_dir"
unset PULSE_SERVER
# Anonymous clients: the programs in the root have no cookie of ours
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load="module-null-sink sink_name=davur_evi_null" \
           --load="module-native-protocol-unix auth-anonymous=1" >/dev/null 2>&1
cleanup+=("XDG_RUNTIME_DIR='$pulse_dir' pulseaudio --kill")
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || die "could not start PulseAudio"

# --- a fresh root from the base ----------------------------------------------------------------
say "a fresh root from $base"
rm -rf "$target"
cp -a "$base" "$target"
cp /etc/resolv.conf "$target/etc/resolv.conf"
mkdir -p "$target/tmp/package" "$archives"
cp "$deb" "$target/tmp/package/"
cleanup+=("rm -rf '$target'")

# Runs a command in the root, with /proc and the display's and sound server's sockets mounted in a
# mount namespace of its own (so the mounts go when it ends). Keeps its process id (every step execs).
# shellcheck disable=SC2016  # Expanded by the inner shell
in_root_script='
    root=$1 pulse=$2; shift 2
    mount -t proc proc "$root/proc" || exit 1
    mkdir -p "$root/tmp/.X11-unix" "$root$pulse"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" || exit 1
    mount --bind "$pulse" "$root$pulse" || exit 1
    exec chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$pulse" PULSE_SERVER="unix:$pulse/pulse/native" "$@"'
in_root() { unshare --mount --propagation private sh -c "$in_root_script" sh "$target" "$pulse_dir" "$@"; }
# The root's files, apt's and dpkg's own records, caches and logs aside.
root_files() {
    (cd "$target" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./var/cache -o -path ./var/lib/apt \
        -o -path ./var/lib/dpkg -o -path ./var/log -o -path ./root -o -path ./dev -o -path ./run \) -prune -o -print | sort)
}

if [ -f "$target/usr/sbin/update-ca-certificates" ]; then in_root update-ca-certificates >/dev/null 2>&1 || true; fi
before=$(root_files)

say "apt-get install ./$(basename "$deb")"
started=$(date +%s)
in_root apt-get -qq update >/dev/null || die "apt-get update failed in the root"
# The packages a run has downloaded before, so that a warm run reads them from here
find "$archives" -name '*.deb' -exec cp -t "$target/var/cache/apt/archives/" {} + 2>/dev/null || true
apt_install=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q --no-install-recommends)
in_root sh -c "cd /tmp/package && ${apt_install[*]} --download-only install ./$(basename "$deb")" >/dev/null \
    || die "apt-get could not fetch the package's dependencies"
find "$target/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -exec cp -u -t "$archives/" {} +
in_root sh -c "cd /tmp/package && ${apt_install[*]} install ./$(basename "$deb")" >"$work/install.log" 2>&1 \
    || { tail -n 20 "$work/install.log" >&2; die "apt-get install failed; see $work/install.log"; }
say "installed in $(($(date +%s) - started)) s: $(grep -c '^Setting up' "$work/install.log") packages"

failed=0
check() {  # WHAT COMMAND...: runs COMMAND, reports WHAT when it fails
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2; failed=1; fi
}

# --- what the package puts in place --------------------------------------------------------------
term_version() { [ "$(in_root davur_evi_term --version)" = "davur_evi_term $version" ]; }
capture_usage() { in_root davur_evi_capture --help | grep -q -- '--video FILE'; }
check "davur_evi_term --version prints the version" term_version
check "davur_evi_capture --help prints its usage" capture_usage
for f in /usr/share/davur_evi/assets/audio/output.ogg /usr/share/applications/davur_evi.desktop \
         /usr/share/icons/hicolor/256x256/apps/davur_evi.png /usr/share/man/man6/davur_evi.6.gz \
         /usr/share/man/man6/davur_evi_term.6.gz /usr/share/man/man1/davur_evi_capture.1.gz \
         /usr/share/doc/davur-evi/copyright /usr/share/doc/davur-evi/changelog.gz; do
    check "$f is installed" test -s "$target$f"
done
check "the copyright file carries the notices" grep -q "^Covers: libraylib.a" "$target/usr/share/doc/davur-evi/copyright"
check "ffmpeg is recommended" sh -c "dpkg-deb -f '$deb' Recommends | grep -qw ffmpeg"
check "fonts-dejavu-core is a dependency" sh -c "dpkg-deb -f '$deb' Depends | grep -qw fonts-dejavu-core"

# --- the show, started from /tmp in the root ---------------------------------------------------------
say "the show in the root, from /tmp"
launcher="$work/launch-show"
{   # The same process all the way down to the show, so that the test's process id is the show's
    echo '#!/usr/bin/env bash'
    printf 'exec unshare --mount --propagation private sh -c %q sh %q %q sh -c %q\n' \
        "$in_root_script" "$target" "$pulse_dir" 'cd /tmp && exec davur_evi'
} > "$launcher"
chmod +x "$launcher"
show_check() {
    (
        set +e +o pipefail  # As the end-to-end scripts run: their helpers test pipelines cut short
        source "$root_dir/tests/e2e/common.sh" "$launcher" "$build/tests/e2e/close_window"
        trap '[ -s "$err" ] && echo "the show printed: $(head -c 500 "$err")" >&2' EXIT
        start_show
        geometry=$(xdotool getwindowgeometry "$window" | grep -o '[0-9]*x[0-9]*' | head -n1)
        [ "$geometry" = "1920x1080" ] || fail "the window is $geometry"
        drawing() { local p; p=$(pixel 960 540); [ -n "$p" ] && [ "$p" != "000000" ]; }
        wait_until 120 drawing || fail "the show never drew its first scene"
        wait_until 60 music_heard || fail "no music on the sound server's monitor: the installed track was not found or not played"
        close_and_check
    )
}
check "the show opens its window, draws and plays its music, and closes cleanly" show_check

# --- removal --------------------------------------------------------------------------------------
say "apt-get remove, then autoremove --purge what it brought"
files=$(in_root dpkg -L davur-evi | while read -r f; do [ -d "$target$f" ] || echo "$f"; done)
in_root env DEBIAN_FRONTEND=noninteractive apt-get -y -qq remove davur-evi >/dev/null 2>&1 || die "apt-get remove failed"
left=$(for f in $files; do [ -e "$target$f" ] && echo "$f"; done || true)
check "apt-get remove leaves none of the package's files" test -z "$left"
[ -z "$left" ] || echo "left: $left" >&2
check "apt-get remove leaves no /usr/share/davur_evi" test ! -e "$target/usr/share/davur_evi"
# The package has no configuration files, so remove took all of it; what it brought goes with autoremove
in_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q autoremove --purge >"$work/purge.log" 2>&1 \
    || { tail -n 20 "$work/purge.log" >&2; die "apt-get autoremove --purge failed; see $work/purge.log"; }
check "nothing of the package is left in dpkg's records" sh -c "! grep -q '^Package: davur-evi\$' '$target/var/lib/dpkg/status'"
after=$(root_files)
changed=$(diff <(echo "$before") <(echo "$after") || true)
check "removing it and purging what it brought leaves the root as it was" test -z "$changed"
[ -z "$changed" ] || echo "$changed" | head -n 30 >&2

[ "$failed" -eq 0 ] || die "failed"
echo "package test: ok"
