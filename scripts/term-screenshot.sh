#!/usr/bin/env bash
# A screenshot of davur_evi_term: the show in a 120 x 42 tmux pane, SPACE pressed until the wanted
# scene runs, the pane captured with its colours and drawn with ImageMagick and DejaVu Sans Mono.
#
#   scripts/term-screenshot.sh [SCENE [SECONDS_INTO_IT [OUT.png]]]   (default: cube 3 docs/term-screenshot.png)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scene=${1:-cube}
into=${2:-3}
out=${3:-$root/docs/term-screenshot.png}
cols=120
rows=42
font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf

bash "$root/scripts/setup.sh" --test
if ! command -v python3 >/dev/null 2>&1; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq -o DPkg::Lock::Timeout=600 >/dev/null
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 python3 >/dev/null
fi
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target davur_evi_term -j "$(nproc)" >/dev/null

socket="davur_evi_shot_$$"
work=$(mktemp -d)
tm() { tmux -L "$socket" -u "$@"; }
trap 'tm kill-server >/dev/null 2>&1; rm -rf "$work"' EXIT
title() { tm display -p -t shot '#{pane_title}'; }

# From the repository root, so the music plays (or is followed silently without a sound device)
tm new-session -d -s shot -x "$cols" -y "$rows" "cd '$root' && LANG=C.UTF-8 build/frontends/terminal/davur_evi_term --colors 24bit; sleep 600"
for _ in $(seq 600); do [ "$(title)" = "davur_evi: intro_boot" ] && break; sleep 0.1; done
for _ in $(seq 12); do
    [ "$(title)" = "davur_evi: $scene" ] && break
    tm send-keys -t shot Space
    current=$(title)
    for _ in $(seq 100); do [ "$(title)" != "$current" ] && break; sleep 0.1; done
done
[ "$(title)" = "davur_evi: $scene" ] || { echo "term-screenshot: no scene called $scene" >&2; exit 1; }
sleep "$into"
tm capture-pane -p -e -t shot >"$work/pane.txt"

python3 "$root/frontends/terminal/ansi_to_draw.py" "$work/pane.txt" "$cols" "$rows" >"$work/rows.txt"
draw=()
while IFS= read -r row; do draw+=(-draw "$row"); done <"$work/rows.txt"
convert -size "$((cols * 10))x$((rows * 20))" xc:black -font "$font" "${draw[@]}" "$out"
echo "term-screenshot: $out"
