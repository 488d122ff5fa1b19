#!/usr/bin/env bash
# Prints the release, as CMakeLists.txt's project(VERSION ...) gives it: the scripts that name
# files after it (the zip, the Debian package) read it here.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
version=$(sed -n 's/^project(davur_evi VERSION \([0-9][0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "version: no project(davur_evi VERSION ...) in CMakeLists.txt" >&2; exit 1; }
echo "$version"
