#!/usr/bin/env bash
# Installs what is missing, builds the show and runs it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target davur_evi -j "$(nproc)" >/dev/null
cd "$root"  # The show opens assets/audio/output.ogg relative to here
exec ./build/app/davur_evi
