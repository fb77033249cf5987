#!/usr/bin/env bash
# make test's phases of tests, each with its whole report in a log. A phase
# that fails shows the names of its failing tests and their own output, not
# the whole log, and the next phase runs all the same; at the end one line a
# phase, and a status that is not 0 where any phase failed.
# usage: proves.sh LOGS NAME:DIR:JOBS ...
#   each NAME:DIR is a built CTest tree, run in turn, JOBS tests at a time;
#   its log is LOGS/NAME.log.
set -uo pipefail
logs=$(realpath "$1")
shift

# The failing tests of a ctest log: each one's line and the output ctest
# printed under it, up to the next test's line or the summary; of a long
# output its first 10 lines and its last 30, where a failure is usually said.
fallades() {
    awk -v cap=10 -v cua=30 '
        function tancar(    i, inici) {
            if (!dins)
                return
            for (i = 1; i <= n && i <= cap; ++i)
                print linia[i]
            inici = n - cua + 1
            if (inici <= cap)
                inici = cap + 1
            else
                printf "    ... %d lines, in the log ...\n", inici - cap - 1
            for (i = inici; i <= n; ++i)
                print linia[i]
        }
        /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / { tancar(); dins = ($0 !~ / Passed /); n = 0 }
        /^ +Start +[0-9]+: / { next }
        /^[0-9]+% tests passed/ { tancar(); dins = 0 }
        dins { linia[++n] = $0 }
    ' "$1"
}

resum=()
fallat=0
for fase in "$@"; do
    IFS=: read -r nom dir jobs <<<"$fase"
    log=$logs/$nom.log
    inici=$SECONDS
    (cd "$dir" && ctest --output-on-failure -j "$jobs" >"$log" 2>&1)
    estat=$?
    total=$(grep -E '^[0-9]+% tests passed' "$log" || echo "no test report")
    if [ "$estat" -eq 0 ]; then
        resum+=("$nom: $total, $((SECONDS - inici)) s (log: $log)")
        continue
    fi
    fallat=1
    echo "$nom: failed; the failing tests and their output (the whole report: $log):"
    fallades "$log" | cut -c1-300
    grep -A1000 -E '^The following tests (FAILED|did not run)' "$log"
    resum+=("$nom: FAILED, $total, $((SECONDS - inici)) s (log: $log)")
done
printf '%s\n' "${resum[@]}"
exit "$fallat"
