#!/usr/bin/env bash
# Builds the Debian package for Debian 12 and newer (and Ubuntu of the same age):
#
#   scripts/build-deb.sh    ->  dist/davur-evi_VERSION_amd64.deb
#
# Installs what is missing (scripts/setup.sh --package), builds the three programs in build-deb/build
# for /usr, packs them with their data, menu entry, icon, manual pages and notices with CPack's
# Debian generator (Depends from dpkg-shlibdeps, plus what packaging/CMakeLists.txt adds), checks
# that every library in the programs has its notice, and runs lintian, which must report no errors.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-deb/build"
jobs=$(nproc)

die() { echo "build-deb: $*" >&2; exit 1; }
say() { echo "build-deb: $*" >&2; }

bash "$root/scripts/setup.sh" --package
version=$(bash "$root/scripts/version.sh")
arch=$(dpkg --print-architecture)
deb="$root/dist/davur-evi_${version}_${arch}.deb"

mkdir -p "$build"
say "building the programs for /usr"
# CPack installs without building everything first: only the programs and the documents are needed
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DDAVUR_EVI_BENCHMARKS=OFF \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
      >"$build.configure.log" 2>&1 || die "configuring failed; see $build.configure.log"
rm -f "$build.configure.log"
cmake --build "$build" -j "$jobs" --target davur_evi davur_evi_term davur_evi_capture compressed_docs >/dev/null \
    || die "building failed"

# Each program writes its link map beside itself, wherever its folder is
check=()
for program in davur_evi davur_evi_term davur_evi_capture; do
    map=$(find "$build" -name "$program.map" -not -path '*/CMakeFiles/*' | head -n1)
    [ -n "$map" ] && [ -x "${map%.map}" ] || die "no link map for $program in $build"
    check+=(--elf "${map%.map}" --map "$map")
done
python3 "$root/tools/notices/check_notices.py" --notices "$root/THIRD_PARTY_NOTICES.txt" --artefact linux --own "$build" \
    "${check[@]}" >/dev/null || die "a library in the programs has no notice in THIRD_PARTY_NOTICES.txt"

say "packing"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || die "cpack failed; see $build/cpack.log"
made=$(ls "$build"/davur-evi_*.deb 2>/dev/null | head -n1)
[ -n "$made" ] || die "cpack made no .deb; see $build/cpack.log"
[ "$(basename "$made")" = "$(basename "$deb")" ] || die "cpack made $(basename "$made"), not $(basename "$deb")"
mkdir -p "$root/dist"
mv "$made" "$deb"

say "lintian"
# Warnings are shown; an error fails the build.
lintian --fail-on error --tag-display-limit 0 "$deb" >&2 || die "lintian reports errors in $deb"
say "$(du -h "$deb" | cut -f1) $deb"
