#!/usr/bin/env bash
# Tests the web build in Debian's headless Chromium: builds dist/web (scripts/build-web.sh), installs
# Chromium and the pinned puppeteer-core (tests/web/package-lock.json; no browser download) when
# missing, builds the desktop's tools/scene_cells in build/ (the browser's cells are compared with
# its), and runs tests/web/show.test.mjs against a server on 127.0.0.1.
#
#   scripts/test-web.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

script=test-web
source "$root/scripts/lib.sh"

bash "$root/scripts/build-web.sh"

echo "== web: the notices in dist/web cover its files, what they pack and the libraries in the wasm"
python3 "$root/tools/notices/check_notices.py" --notices "$root/THIRD_PARTY_NOTICES.txt" --artefact web \
    --folder "$root/dist/web" --preloaded "$root/dist/web/davur_evi.js" --own "$root/build-web" \
    --link-line "$root/build-web/frontends/web/CMakeFiles/davur_evi.dir/link.txt" --component emscripten-runtime \
    || die "a file or library in dist/web has no notice"

# The desktop build's scene_cells, which the browser's cells are compared with
bash "$root/scripts/setup.sh" >/dev/null
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null || die "the desktop configure failed"
cmake --build "$root/build" --target scene_cells -j "$(nproc)" >/dev/null || die "the desktop scene_cells build failed"
export DAVUR_EVI_SCENE_CELLS="$root/build/tools/scene_cells"

# npm may come with a Node.js from elsewhere; it only has to be there
packages=(chromium)
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)
install_missing "${packages[@]}"

cd "$root/tests/web"
# Only when the lockfile changed since the last install; puppeteer-core never downloads a browser
if ! cmp -s package-lock.json node_modules/.davur_evi-lock 2>/dev/null; then
    PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null || die "npm ci failed"
    cp package-lock.json node_modules/.davur_evi-lock
fi
exec node --test show.test.mjs
