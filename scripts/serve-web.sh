#!/usr/bin/env bash
# Serves the web build (dist/web, from scripts/build-web.sh) on http://127.0.0.1:PORT/ for a look in
# a local browser; Ctrl-C stops it. Needs Node.js (it comes with emscripten).
#
#   scripts/serve-web.sh [PORT]     (8000 when not given)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ -f "$root/dist/web/index.html" ] || { echo "serve-web: no dist/web yet: run scripts/build-web.sh" >&2; exit 1; }
exec node "$root/scripts/web/serve.mjs" "$root/dist/web" "${1:-8000}"
