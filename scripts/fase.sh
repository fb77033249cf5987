#!/usr/bin/env bash
# Runs one phase of the build with its whole output in a log, and says in one
# line what it did; on a failure, the end of the log as well.
# usage: fase.sh NAME LOG COMMAND...
set -uo pipefail
nom=$1
log=$2
shift 2
mkdir -p "$(dirname "$log")"
inici=$(date +%s%N)
if "$@" >"$log" 2>&1; then
    ms=$((($(date +%s%N) - inici) / 1000000))
    printf '%-10s %d.%d s (log: %s)\n' "$nom:" $((ms / 1000)) $((ms % 1000 / 100)) "$log"
else
    estat=$?
    echo "$nom: failed; the end of $log:" >&2
    tail -n 30 "$log" >&2
    exit $estat
fi
