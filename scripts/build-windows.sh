#!/usr/bin/env bash
# Cross-builds the show for 64-bit Windows on Debian and packs it for sharing:
#
#   scripts/build-windows.sh    ->  build-windows/app/davur_evi.exe and dist/davur_evi-VERSION-windows.zip
#
# Installs what is missing (the MinGW-w64 compiler, wine for running the tests, zip), and the first
# time builds the libraries for Windows from Debian's source packages into .deps/windows (raylib 6.0
# with its RGFW backend, which needs nothing but Win32 and OpenGL; libogg and libvorbis; GoogleTest
# from the googletest package's source); later runs reuse them. The .exe is static (no DLLs to ship)
# and a GUI program (no console window).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$root/.deps"
deps=$(cd "$root/.deps" && pwd -P)  # The real path: the .pc and CMake files of the prefix name it
prefix="$deps/windows"
build="$root/build-windows"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
version=$(bash "$root/scripts/version.sh")
zip_file="$root/dist/davur_evi-$version-windows.zip"
jobs=$(nproc)
[ "$jobs" -gt 2 ] || jobs=2

script=build-windows
source "$root/scripts/lib.sh"

# ---------------------------------------------------------------------------------------------
# System packages
# ---------------------------------------------------------------------------------------------
install_missing g++-mingw-w64-x86-64-posix cmake make pkg-config zip wine64 googletest ca-certificates

# ---------------------------------------------------------------------------------------------
# Libraries for Windows, each built once into the prefix (a stamp file marks it done)
# ---------------------------------------------------------------------------------------------
work="$deps/windows-src"

# One build at a time into the shared prefix.
mkdir -p "$prefix"
exec 9>"$deps/.windows.lock"
flock 9

cross_cmake() {  # SOURCE BUILD [CMAKE ARGS...]: configure, build and install into the prefix
    local source=$1 dir=$2 name
    name=$(basename "$dir")
    shift 2
    cmake -S "$source" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDAVUR_EVI_WINDOWS_PREFIX="$prefix" \
          -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" "$@" \
          >"$work/$name-configure.log" 2>&1 || die "configuring $name failed; see $work/$name-configure.log"
    cmake --build "$dir" -j "$jobs" >"$work/$name-build.log" 2>&1 || die "building $name failed; see $work/$name-build.log"
    cmake --install "$dir" >"$work/$name-install.log" 2>&1 || die "installing $name failed; see $work/$name-install.log"
}

# PACKAGE SUITE [PIN] [CMAKE ARGS...]: a Debian source package, unless it is in the prefix already.
build_debian_package() {
    local package=$1 suite=$2 pin=$3 version
    shift 3
    [ -f "$prefix/.stamp-$package" ] && return 0
    source "$root/scripts/debian-source.sh"
    rm -rf "${work:?}/$package" "$work/$package-build"
    mkdir -p "$work"
    say "fetching the $package source package ($suite)"
    version=$(debian_source_fetch "$package" "$suite" "$work" "$pin") || die "could not fetch $package's source"
    say "building $package $version for Windows"
    cross_cmake "$work/$package" "$work/$package-build" "$@"
    echo "$version" >"$prefix/.stamp-$package"
    rm -rf "${work:?}/$package" "$work/$package-build"
}

build_debian_package raylib unstable "$raylib_6_0_pin" -DPLATFORM=RGFW -DBUILD_EXAMPLES=OFF
build_debian_package libogg bookworm "" -DBUILD_TESTING=OFF -DINSTALL_DOCS=OFF
build_debian_package libvorbis bookworm "" -DBUILD_TESTING=OFF
if [ ! -f "$prefix/.stamp-googletest" ]; then
    mkdir -p "$work"
    say "building GoogleTest for Windows"
    cross_cmake /usr/src/googletest "$work/googletest-build" -DINSTALL_GTEST=ON
    dpkg-query -W -f='${Version}\n' googletest >"$prefix/.stamp-googletest"
    rm -rf "$work/googletest-build"
fi
rm -rf "$work"
flock -u 9

# ---------------------------------------------------------------------------------------------
# The show
# ---------------------------------------------------------------------------------------------
say "building davur_evi.exe"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDAVUR_EVI_WINDOWS_PREFIX="$prefix" \
      -DCMAKE_BUILD_TYPE=Release -DDAVUR_EVI_BENCHMARKS=OFF >"$build.configure.log" 2>&1 \
    || die "configuring the Windows build failed; see $build.configure.log"
rm -f "$build.configure.log"
cmake --build "$build" --target davur_evi -j "$jobs" >/dev/null || die "building davur_evi.exe failed"
exe="$build/app/davur_evi.exe"

# The zip: one folder with the program, the track where it reads it, how to run it, the licence
# and the notices of what the .exe contains (tools/notices checks them against its link map).
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="$stage/davur_evi"
mkdir -p "$folder/assets/audio" "$(dirname "$zip_file")"
x86_64-w64-mingw32-strip -o "$folder/davur_evi.exe" "$exe"
cp "$root/assets/audio/output.ogg" "$folder/assets/audio/output.ogg"
sed 's/$/\r/' "$root/LICENSE" >"$folder/LICENSE.txt"
sed 's/$/\r/' "$root/THIRD_PARTY_NOTICES.txt" >"$folder/THIRD_PARTY_NOTICES.txt"
sed 's/$/\r/' >"$folder/README.txt" <<EOF
davur_evi $version - a real-time audio-visual demo in text mode
=======================================================

Run it: double-click davur_evi.exe. The show opens full screen at 1920x1080, plays its
music from assets\audio\output.ogg (keep that folder beside the program) and runs for
about two minutes, then fades to black. It needs 64-bit Windows with OpenGL 3.3
graphics. Nothing is installed and nothing is written.

Keys
  SPACE        skip to the next scene (on the credits: to the closing screen)
  F11          toggle full screen
  V            toggle the colour boost (more saturation and contrast)
  F3           toggle between redrawing every cell and only the changed ones
  [  /  ]      tempo clock 1 bpm slower / faster
  B            restart the beat count now
  -            smaller cells: more columns and rows (also keypad -)
  =            larger cells: fewer columns and rows (also keypad +)
  ESC          quit (so does closing the window)

The characters are drawn with Consolas, Lucida Console or Cascadia Mono, whichever
Windows has.

davur_evi and its music are free software under the zlib licence (LICENSE.txt);
THIRD_PARTY_NOTICES.txt gives the licences of the libraries built into the program.
EOF
rm -f "$zip_file"
(cd "$stage" && zip -q -X -r "$zip_file" davur_evi)
say "$(du -h "$zip_file" | cut -f1) $zip_file"
