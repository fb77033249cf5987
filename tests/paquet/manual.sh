#!/usr/bin/env bash
# The man pages against the code.
#   manual.sh net SOURCE_DIR       both pages render with no warning from man or groff
#   manual.sh missatges SOURCE_DIR particules.6 shows every message the program
#                                  writes on standard error
set -euo pipefail
mode=$1
font=$(realpath "$2")
source "$(dirname "$0")/../support/temporal.sh"

fallar() {
    echo "FAIL: $*"
    exit 1
}

case $mode in
net)
    for pagina in "$font"/docs/*.6; do
        LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$pagina" \
            >/dev/null 2>"$dir/man"
        groff -man -ww -z -K utf8 "$pagina" 2>"$dir/groff"
        [ ! -s "$dir/man" ] && [ ! -s "$dir/groff" ] || { cat "$dir/man" "$dir/groff"; fallar "$pagina"; }
        echo "ok $(basename "$pagina")"
    done
    ;;
missatges)
    # One long line a paragraph, white space folded, so no message is split.
    LC_ALL=C.UTF-8 MANWIDTH=1000 man -E UTF-8 -l "$font/docs/particules.6" 2>/dev/null |
        tr -s ' \n' '  ' >"$dir/pagina"
    grep -rhoE 'std::cerr << "[^"]+"' "$font/src/app" "$font/src/display" |
        sed -E 's/^std::cerr << "(.*)"$/\1/' | sort -u >"$dir/missatges"
    [ -s "$dir/missatges" ] || fallar "found no message in the sources"
    falten=0
    while IFS= read -r missatge; do
        if grep -qF -- "$missatge" "$dir/pagina"; then
            echo "ok: $missatge"
        else
            echo "missing from particules.6: $missatge"
            falten=1
        fi
    done <"$dir/missatges"
    [ "$falten" -eq 0 ] || fallar "undocumented messages"
    ;;
*)
    fallar "usage: manual.sh net|missatges SOURCE_DIR"
    ;;
esac
