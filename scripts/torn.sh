#!/usr/bin/env bash
# Runs a command in this clone's turn at its build folder DIR: another make
# that holds the turn is waited for, and the turn passes to the command's own
# children, so the sub-makes of one make never wait for it.
# usage: torn.sh DIR COMMAND...
set -euo pipefail
dir=$1
shift
mkdir -p "$dir"
dir=$(realpath "$dir")
[ "${PARTICULES_TORN:-}" != "$dir" ] || exec "$@"
exec 9>"$dir/.torn"
if ! flock -n 9; then
    echo "waiting for another make in this folder to finish with $dir/"
    flock 9
fi
export PARTICULES_TORN=$dir
exec "$@"
