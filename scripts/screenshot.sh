#!/usr/bin/env bash
# Remakes docs/screenshot.png: runs an example (default: orbita) in a window
# of a private Xvfb for a few seconds, so that the bodies leave trails, then
# takes the window's contents. With a time key, the key is pressed as the
# window opens, and the picture goes to OUT (docs/EXAMPLE.png by default).
# Needs `make build` first.
#   scripts/screenshot.sh [example] [seconds] [key [OUT]]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
example="${1:-orbita}"
seconds="${2:-8}"
key="${3:-}"
program="$root/build/particules"
out="$root/docs/screenshot.png"
[ -z "$key" ] || out="${4:-$root/docs/$example.png}"

[ -x "$program" ] || { echo "no $program: run make build first" >&2; exit 1; }
[ -f "$root/examples/$example/config.txt" ] || { echo "no example $example" >&2; exit 1; }

tmp="$(mktemp -d)"
xvfb=""
particules=""
# The program goes before its X server, which it would otherwise complain of.
cleanup() {
    if [ -n "$particules" ]; then kill "$particules" 2>/dev/null || true; wait "$particules" 2>/dev/null || true; fi
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number on fd 3.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$tmp/display" 2>"$tmp/xvfb.err" &
xvfb=$!
for _ in $(seq 200); do
    grep -q . "$tmp/display" 2>/dev/null && break
    sleep 0.1
done
grep -q . "$tmp/display" || { cat "$tmp/xvfb.err" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

# The program reads config.txt from the folder it starts in.
(cd "$root/examples/$example" &&
    SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy exec "$program" >/dev/null 2>"$tmp/errors") &
particules=$!

window=""
for _ in $(seq 200); do
    window="$(xdotool search --onlyvisible --name '^Programa de' 2>/dev/null | head -n1)" || true
    [ -n "$window" ] && break
    kill -0 "$particules" 2>/dev/null || { cat "$tmp/errors" >&2; echo "particules ended early" >&2; exit 1; }
    sleep 0.1
done
[ -n "$window" ] || { echo "no window appeared" >&2; exit 1; }
[ -z "$key" ] || xdotool key --window "$window" "$key"

sleep "$seconds"
mkdir -p "$(dirname "$out")"
# -strip: no timestamps, so an unchanged picture gives the same file.
import -silent -window "$window" -strip "png:$out"
echo "wrote ${out#"$root"/}"
