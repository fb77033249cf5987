#!/usr/bin/env bash
# make help lists every target a person may type: each one of .PHONY but
# those that only a recipe's own sub-make runs.
# usage: ajuda.sh SOURCE_DIR
set -euo pipefail
cd "$1"
llistats=$(env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -s --no-print-directory help | awk '$1 == "make" { print $2 }' | sort)
interns=$(grep -o '$(MAKE) --no-print-directory [a-z-]*' Makefile | awk '{ print $3 }' | sort -u)
falten=$(sed -n 's/^\.PHONY: //p' Makefile | tr ' ' '\n' | grep . | sort | comm -23 - <(echo "$llistats") |
    comm -23 - <(echo "$interns"))
[ -z "$falten" ] || { echo "make help does not list: $falten"; exit 1; }
echo "make help lists $(wc -l <<<"$llistats") targets"
