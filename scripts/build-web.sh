#!/usr/bin/env bash
# Builds the show for web browsers into dist/web/: index.html, page.js, davur_evi.js, davur_evi.wasm and
# davur_evi.data (the soundtrack and the font), LICENSE.txt and THIRD_PARTY_NOTICES.txt, ready to
# copy to any static web host.
#
# Installs what is missing (Debian's emscripten, CMake, the DejaVu font), then, once, builds raylib
# 6.0, libogg and libvorbis from Debian's source packages with emscripten into .deps/web (later
# runs reuse it), and builds the show against them in build-web/.
#
#   scripts/build-web.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix="$root/.deps/web"
build="$root/build-web"
out="$root/dist/web"
# Bump when the way the prefix is built changes, so that older prefixes are rebuilt.
deps_version="raylib-6.0 libogg libvorbis es3 v1"

script=build-web
source "$root/scripts/lib.sh"

# ---------------------------------------------------------------------------------------------
# System packages
# ---------------------------------------------------------------------------------------------
install_missing emscripten cmake make pkg-config fonts-dejavu-core

# Debian's emscripten finds its JavaScript dependencies (acorn) there; a Node from elsewhere does not
# look in that folder by itself.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
command -v emcmake >/dev/null 2>&1 || die "emscripten's emcmake is missing"

# ---------------------------------------------------------------------------------------------
# raylib, libogg and libvorbis for the web, once
# ---------------------------------------------------------------------------------------------
stamp="$prefix/.davur_evi-web"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$deps_version" ]; then
    source "$root/scripts/debian-source.sh"
    work="$root/.deps/web-src"
    rm -rf "$work" "$prefix"
    mkdir -p "$work" "$prefix"
    jobs=$(nproc)
    common=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix"
            -DCMAKE_INSTALL_LIBDIR=lib)

    # Configures, builds and installs one unpacked source folder; the logs stay in the work folder.
    build_dep() {
        local name=$1; shift
        emcmake cmake -S "$work/$name" -B "$work/build-$name" "${common[@]}" "$@" >"$work/$name-configure.log" 2>&1 \
            || die "$name's configure failed; see $work/$name-configure.log"
        cmake --build "$work/build-$name" -j "$jobs" >"$work/$name-build.log" 2>&1 \
            || die "$name's build failed; see $work/$name-build.log"
        cmake --install "$work/build-$name" >/dev/null 2>&1 || die "$name's install failed"
    }

    say "fetching the libogg, libvorbis and raylib source packages"
    ogg_version=$(debian_source_fetch libogg bookworm "$work") || die "could not fetch libogg's source"
    vorbis_version=$(debian_source_fetch libvorbis bookworm "$work") || die "could not fetch libvorbis's source"
    raylib_version=$(debian_source_fetch raylib unstable "$work" "$raylib_6_0_pin") || die "could not fetch raylib's source"

    say "building libogg $ogg_version for the web"
    # CMake's type-size probe reads the size from the compiled test program, which emscripten turns
    # into JavaScript and WebAssembly where the probe cannot find it; wasm32's sizes are known.
    sizes=()
    for t in INT16:2 UINT16:2 U_INT16:2 SHORT:2 INT32:4 UINT32:4 U_INT32:4 INT:4 LONG:4 INT64:8 LONG_LONG:8; do
        sizes+=(-DHAVE_${t%%:*}_SIZE=TRUE -D${t%%:*}_SIZE=${t#*:})
    done
    build_dep libogg -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF "${sizes[@]}"
    say "building libvorbis $vorbis_version for the web"
    # The toolchain searches its own sysroot only; ogg is named by its place in the prefix.
    build_dep libvorbis -DOGG_INCLUDE_DIR="$prefix/include" -DOGG_LIBRARY="$prefix/lib/libogg.a" -DBUILD_TESTING=OFF
    say "building raylib $raylib_version for the web"
    build_dep raylib -DPLATFORM=Web -DOPENGL_VERSION="ES 3.0" -DBUILD_EXAMPLES=OFF \
        -DCMAKE_C_FLAGS="-include $root/scripts/web/glfw3-compat.h"

    for f in ogg vorbis vorbisfile raylib; do
        [ -f "$prefix/lib/pkgconfig/$f.pc" ] || die "$f.pc was not installed into $prefix"
    done
    [ -f "$prefix/lib/cmake/raylib/raylib-config.cmake" ] || die "raylib's CMake package was not installed"
    echo "$deps_version" > "$stamp"
    rm -rf "$work"
    say "raylib, libogg and libvorbis for the web are in $prefix"
fi

# ---------------------------------------------------------------------------------------------
# The show
# ---------------------------------------------------------------------------------------------
# emscripten's toolchain ignores CMAKE_PREFIX_PATH, so raylib's package is named by its folder;
# pkg-config looks in the web prefix only (never at the machine's own libraries), and the prefix is
# a find root, or the libraries pkg-config names are not found there and would link as bare names.
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
export PKG_CONFIG_PATH=""
mkdir -p "$build"
emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -Draylib_DIR="$prefix/lib/cmake/raylib" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" >"$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; die "configure failed"; }
cmake --build "$build" --target davur_evi -j "$(nproc)" >/dev/null || die "the build failed"

rm -rf "$out"
mkdir -p "$out"
for f in index.html page.js davur_evi.js davur_evi.wasm davur_evi.data; do
    [ -f "$build/frontends/web/$f" ] || die "the build made no $f"
    cp "$build/frontends/web/$f" "$out/$f"
done
cp "$root/LICENSE" "$out/LICENSE.txt"  # The page's about line links both
cp "$root/THIRD_PARTY_NOTICES.txt" "$out/THIRD_PARTY_NOTICES.txt"
say "$out: $(cd "$out" && du -ch -- * | awk 'END { print $1 }') in $(ls "$out" | tr '\n' ' ')"
