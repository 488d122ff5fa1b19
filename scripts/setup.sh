#!/usr/bin/env bash
# Makes a machine ready to build davur_evi: installs the system packages the build and the tests
# need (only those that are missing), then makes raylib >= 5.5 available. An installed raylib that
# CMake finds is used as it is; otherwise raylib is built from the distribution's source package
# into .deps/raylib (git-ignored) once, and later runs find it there.
#
#   scripts/setup.sh           packages for building and running the show
#   scripts/setup.sh --test    also what the tests need (Xvfb, xdotool, PulseAudio, ...)
#   scripts/setup.sh --package also what the Debian package needs (dpkg-shlibdeps, lintian)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/.deps"
prefix="$deps/raylib"
stamp="$prefix/.davur_evi-raylib"
want_tests=0
want_package=0
[ "${1:-}" = "--test" ] && want_tests=1 && want_package=1
[ "${1:-}" = "--package" ] && want_package=1
script=setup
source "$root/scripts/lib.sh"

# ---------------------------------------------------------------------------------------------
# System packages
# ---------------------------------------------------------------------------------------------

# Build tools, raylib's desktop dependencies, the TrueType font with block glyphs, the Ogg encoder,
# libsndfile for the user's own music files (it brings FLAC, Opus, mpg123 and LAME), the PulseAudio
# client library to hear the system's sound.
packages=(build-essential cmake pkg-config libgtest-dev libbenchmark-dev
          libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxi-dev libgl1-mesa-dev
          libsdl2-dev fonts-dejavu-core libvorbis-dev libogg-dev libsndfile1-dev libpulse-dev python3)
if [ "$want_tests" -eq 1 ]; then
    packages+=(xvfb xauth xdotool x11-utils pulseaudio imagemagick vorbis-tools ffmpeg tmux fonts-dejavu-extra clang-14 libclang-rt-14-dev)
    packages+=(debootstrap pulseaudio-utils)  # The package's test: a fresh Debian root, parec to listen
fi
if [ "$want_package" -eq 1 ]; then
    packages+=(dpkg-dev file lintian)  # CPack's Debian generator runs dpkg-shlibdeps, which needs file
fi
install_missing "${packages[@]}"

# ---------------------------------------------------------------------------------------------
# raylib
# ---------------------------------------------------------------------------------------------
version_at_least() { [ "$(printf '%s\n%s\n' "$2" "$1" | sort -V | head -n1)" = "$2" ]; }

# Already built here by an earlier run.
if [ -f "$stamp" ]; then exit 0; fi

# Installed on the system and new enough (it has IsMusicValid and IsWaveValid from 5.5 on): known to
# pkg-config, or a CMake package in one of the usual prefixes.
if pkg-config --exists raylib 2>/dev/null && version_at_least "$(pkg-config --modversion raylib)" 5.5; then
    exit 0
fi
for config in /usr/local/lib*/cmake/raylib/raylib-config-version.cmake /usr/lib*/cmake/raylib/raylib-config-version.cmake \
              /usr/lib/*/cmake/raylib/raylib-config-version.cmake; do
    [ -f "$config" ] || continue
    installed=$(sed -n 's/.*set(PACKAGE_VERSION "\([0-9.]*\)").*/\1/p' "$config" | head -n1)
    [ -n "$installed" ] && version_at_least "$installed" 5.5 && exit 0
done

# Otherwise build the distribution's source package (Debian unstable's, through a private apt state).
command -v apt-get >/dev/null 2>&1 || die "raylib >= 5.5 is missing and there is no apt to fetch its source; install raylib and run again"
source "$root/scripts/debian-source.sh"
work="$deps/src"
rm -rf "$work"
mkdir -p "$work"
say "fetching the raylib source package"
version=$(debian_source_fetch raylib unstable "$work" "$raylib_6_0_pin") || die "could not fetch raylib's source"

# Backend: GLFW when the source bundles it or the system's is >= 3.4, otherwise SDL2, otherwise RGFW.
if [ -f "$work/raylib/src/external/glfw/CMakeLists.txt" ]; then
    platform=(-DPLATFORM=Desktop -DUSE_EXTERNAL_GLFW=OFF)
elif pkg-config --exists glfw3 2>/dev/null && version_at_least "$(pkg-config --modversion glfw3)" 3.4; then
    platform=(-DPLATFORM=Desktop -DUSE_EXTERNAL_GLFW=ON)
elif pkg-config --exists sdl2 2>/dev/null; then
    platform=(-DPLATFORM=SDL)
elif pkg-config --exists x11 2>/dev/null; then
    platform=(-DPLATFORM=RGFW)
else
    die "no desktop backend for raylib: install GLFW >= 3.4, SDL2 (libsdl2-dev) or the X11 headers (libx11-dev)"
fi

say "building raylib $version (${platform[0]#-DPLATFORM=})"
cmake -S "$work/raylib" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_EXAMPLES=OFF \
      -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" "${platform[@]}" >"$work/configure.log" 2>&1 \
    || die "raylib's configure failed; see $work/configure.log"
cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 || die "raylib's build failed; see $work/build.log"
cmake --install "$work/build" >/dev/null 2>&1 || die "raylib's install failed"
echo "$version ${platform[*]}" > "$stamp"
rm -rf "$work"
say "raylib $version is in $prefix"
