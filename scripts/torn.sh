#!/usr/bin/env bash
# Runs a command in this clone's turn at its build folders, whose lock lives in
# DIR: another make that holds the turn is waited for, and the turn passes to
# the command's own children, so the sub-makes of one make never wait for it.
# The lock itself stays with flock, which holds it until the command ends: a
# child that outlives make (a `sleep 8 &` in a recipe) does not keep it.
# usage: torn.sh DIR COMMAND...
set -euo pipefail
dir=$1
shift
mkdir -p "$dir"
dir=$(realpath "$dir")
[ "${PARTICULES_TORN:-}" != "$dir" ] || exec "$@"
if ! flock -n "$dir/.torn" true; then
    echo "waiting for another make in this folder to finish with $dir/"
fi
export PARTICULES_TORN=$dir
exec flock -o "$dir/.torn" "$@"
