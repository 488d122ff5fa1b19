#!/usr/bin/env bash
# Renders the show's soundtrack, assets/audio/output.ogg, from its source in tools/soundtrack/:
# builds the synthesizer (it needs libvorbis: libvorbis-dev and libogg-dev), runs it, and checks
# the file: Ogg Vorbis, 44.1 kHz stereo, at least 118 s, under 4 MB, decoded peak below 0 dBFS.
# The same source, compiler and libvorbis write the same file, byte for byte.
#
#   scripts/make-soundtrack.sh          write assets/audio/output.ogg
#   scripts/make-soundtrack.sh --check  render into a scratch file and compare it with the committed one
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-soundtrack"
track="$root/assets/audio/output.ogg"
max_bytes=$((4 * 1024 * 1024))

script=make-soundtrack
source "$root/scripts/lib.sh"

pkg-config --exists vorbisenc vorbisfile || die "libvorbis is missing: install libvorbis-dev and libogg-dev"

# Release on purpose: the file is reproducible for one set of compiler settings.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDAVUR_EVI_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target davur_soundtrack -j2 >/dev/null
tool="$build/tools/davur_soundtrack"

out="$track"
if [ "${1:-}" = "--check" ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    out="$scratch/output.ogg"
fi
mkdir -p "$(dirname "$out")"
"$tool" "$out"

facts=$("$tool" --measure "$out") || die "the rendered file does not decode"
value() { echo "$facts" | awk -v k="$1" '$1 == k { print $2 }'; }
bytes=$(stat -c %s "$out")
echo "make-soundtrack: $out: $(value seconds) s, $(value rate) Hz, $(value channels) channels, peak $(value peak_dbfs) dBFS, $bytes bytes"
[ "$(value rate)" = 44100 ] || die "not 44.1 kHz"
[ "$(value channels)" = 2 ] || die "not stereo"
awk -v s="$(value seconds)" 'BEGIN { exit !(s >= 118) }' || die "shorter than 118 s"
awk -v p="$(value peak_dbfs)" 'BEGIN { exit !(p < 0) }' || die "the decoded peak reaches full scale"
[ "$bytes" -lt "$max_bytes" ] || die "4 MB or larger"

if [ "${1:-}" = "--check" ]; then
    cmp -s "$out" "$track" || die "the rendered track differs from $track"
    echo "make-soundtrack: identical to $track"
fi
