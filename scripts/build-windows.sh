#!/usr/bin/env bash
# Cross-builds the show for 64-bit Windows on Debian and packs it for sharing:
#
#   scripts/build-windows.sh    ->  build-windows/app/davur_evi.exe and dist/davur_evi-VERSION-windows.zip
#
# Installs what is missing (the MinGW-w64 compiler, wine for running the tests, zip), and the first
# time builds the libraries for Windows from Debian's source packages into .deps/windows (raylib 6.0
# with its RGFW backend, which needs nothing but Win32 and OpenGL; libogg and libvorbis; libsndfile
# for the user's own music files, with FLAC, Opus, mpg123 and LAME; GoogleTest from the googletest
# package's source); later runs reuse them. Only the libraries are built: no programs, tests or
# manuals. The .exe is static (no DLLs to ship) and a GUI program (no console window).
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

# SOURCE BUILD [CONFIGURE ARGS...]: an autotools package, configured, built and installed as above
cross_configure() {
    local source=$1 dir=$2 name
    name=$(basename "$dir")
    shift 2
    mkdir -p "$dir"
    (cd "$dir" && "$source/configure" --host=x86_64-w64-mingw32 --prefix="$prefix" --enable-static --disable-shared \
        CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-gcc-ar-posix RANLIB=x86_64-w64-mingw32-gcc-ranlib-posix \
        CFLAGS="-O2" PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH= "$@") \
        >"$work/$name-configure.log" 2>&1 || die "configuring $name failed; see $work/$name-configure.log"
    make -C "$dir" -j "$jobs" >"$work/$name-build.log" 2>&1 || die "building $name failed; see $work/$name-build.log"
    make -C "$dir" install >"$work/$name-install.log" 2>&1 || die "installing $name failed; see $work/$name-install.log"
}

# PACKAGE SUITE PIN BUILDER [ARGS...]: a Debian source package built by cross_cmake or
# cross_configure with ARGS, unless it is in the prefix already.
build_debian_package() {
    local package=$1 suite=$2 pin=$3 builder=$4 version
    shift 4
    [ -f "$prefix/.stamp-$package" ] && return 0
    source "$root/scripts/debian-source.sh"
    rm -rf "${work:?}/$package" "$work/$package-build"
    mkdir -p "$work"
    say "fetching the $package source package ($suite)"
    version=$(debian_source_fetch "$package" "$suite" "$work" "$pin") || die "could not fetch $package's source"
    say "building $package $version for Windows"
    "$builder" "$work/$package" "$work/$package-build" "$@"
    echo "$version" >"$prefix/.stamp-$package"
    rm -rf "${work:?}/$package" "$work/$package-build"
}

build_debian_package raylib unstable "$raylib_6_0_pin" cross_cmake -DPLATFORM=RGFW -DBUILD_EXAMPLES=OFF
build_debian_package libogg bookworm "" cross_cmake -DBUILD_TESTING=OFF -DINSTALL_DOCS=OFF
build_debian_package libvorbis bookworm "" cross_cmake -DBUILD_TESTING=OFF
# The decoders libsndfile reads music files with (and LAME, without which it takes no MP3 at all)
build_debian_package flac bookworm "" cross_cmake -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DBUILD_CXXLIBS=OFF -DWITH_STACK_PROTECTOR=OFF
build_debian_package opus bookworm "" cross_configure --disable-doc --disable-extra-programs --disable-stack-protector
build_debian_package mpg123 bookworm "" cross_configure --with-cpu=x86-64
build_debian_package lame bookworm "" cross_configure --disable-frontend --disable-decoder --disable-gtktest
build_debian_package libsndfile bookworm "" cross_cmake -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_REGTEST=OFF -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF -DENABLE_EXTERNAL_LIBS=ON \
    -DENABLE_MPEG=ON -DCMAKE_C_FLAGS=-DFLAC__NO_DLL
if [ ! -f "$prefix/.stamp-googletest" ]; then
    mkdir -p "$work"
    say "building GoogleTest for Windows"
    cross_cmake /usr/src/googletest "$work/googletest-build" -DINSTALL_GTEST=ON
    dpkg-query -W -f='${Version}\n' googletest >"$prefix/.stamp-googletest"
    rm -rf "$work/googletest-build"
fi
# The programs and manuals that mpg123 and LAME install whatever they are told
rm -rf "$work" "${prefix:?}/bin" "$prefix/share/man" "$prefix/share/doc"
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
