#!/usr/bin/env bash
# Valgrind's memcheck on the real program with SDL's dummy video driver:
# start-up that refuses its config, start-up with no config, and a short run
# of a few seconds ended by SIGTERM, which ends the run as q does. Any memory error, or any block definitely or
# indirectly lost, fails it. usage: memcheck.sh PROGRAM
set -euo pipefail
programa=$(realpath "$1")
source "$(dirname "$0")/../support/temporal.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# Runs the program under memcheck in $dir; $1 is the status it must end with,
# $2 how long it may run before it is asked to quit (empty: it ends by itself),
# once the echo holds $3 lines.
comprovar() {
    local esperat=$1 segons=$2 linies=${3:-1} estat=0
    ( cd "$dir" && exec valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect --track-origins=yes \
        --log-file="$dir/valgrind.log" "$programa" >"$dir/sortida" 2>"$dir/errors" ) &
    pid=$!
    if [ -n "$segons" ]; then
        # Wait for the whole echo (start-up over, however long valgrind takes
        # on a loaded machine), then let it run its cycles.
        until [ "$(wc -l <"$dir/sortida")" -ge "$linies" ] || ! kill -0 "$pid" 2>/dev/null; do
            sleep 0.1
        done
        sleep "$segons"
        kill -TERM "$pid" 2>/dev/null || true
    fi
    wait "$pid" || estat=$?
    pid=
    grep -E 'ERROR SUMMARY|definitely lost|indirectly lost' "$dir/valgrind.log" || true
    if [ "$estat" -ne "$esperat" ]; then
        echo "status $estat, expected $esperat"
        cat "$dir/valgrind.log" "$dir/errors"
        exit 1
    fi
    grep -q 'ERROR SUMMARY: 0 errors' "$dir/valgrind.log"
}

echo "== count 0: refused at start-up"
printf '800 600 0 100 60 -11\n' >"$dir/config.txt"
comprovar 1 ""

echo "== no config.txt"
rm "$dir/config.txt"
comprovar 1 ""

echo "== a short run"
printf '%s\n' '800 600 4 100 60 -11' \
    '0 x 0 y 0 vx 0 vy 1000000000000000 kg 12 px' \
    '300 x 0 y 0 vx 14.9 vy 1000000000000 kg 6 px' \
    '-150 x 0 y 0 vx -21.1 vy 100000000000 kg 4 px' \
    '1e308 x 0 y 1e308 vx 0 vy 18446744073709551615 kg 3e9 px' >"$dir/config.txt"
comprovar 0 3 5
echo "memcheck: 0 errors in every run"
