#!/usr/bin/env bash
# Whether PROGRAM loads sdl12-compat (SDL 1.2 over SDL 2, as today's
# distributions ship it) rather than SDL 1.2 itself: with no display the one
# opens no window at all, where the other draws in the terminal.
# usage: sdl-compat.sh PROGRAM
set -euo pipefail
sdl=$(ldd "$1" 2>/dev/null | awk '$1 ~ /^libSDL-1\.2\.so/ { print $3; exit }')
[ -n "$sdl" ] && grep -qa SDL12COMPAT "$(realpath "$sdl")"
