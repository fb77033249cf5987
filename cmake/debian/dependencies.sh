#!/bin/sh
# The package's Depends, from the libraries its programs load: what
# dpkg-shlibdeps finds, with SDL 1.2 from Debian's own build or from
# sdl12-compat over SDL 2 (today's distributions ship only the latter), and
# without a group of alternatives that a narrower one already implies.
# usage: dependencies.sh PROGRAM...
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/debian"
printf 'Source: particules\n\nPackage: particules\nArchitecture: any\n' >"$dir/debian/control"
programes=""
for p in "$@"; do
    cp "$p" "$dir/"
    programes="$programes -e$(basename "$p")"
done
cd "$dir"
# shellcheck disable=SC2086 # one -e a program
dpkg-shlibdeps -O $programes 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p' | tr ',' '\n' | sed 's/^ *//' |
    awk '
        /^libsdl1\.2debian / { $0 = $0 " | libsdl1.2-compat" }
        { grup[++n] = $0; paquets = $0; gsub(/ *\([^)]*\)/, "", paquets); nom[n] = " " paquets " " }
        END {
            for (i = 1; i <= n; i++) {
                sobra = 0
                for (j = 1; j <= n && !sobra; j++) {
                    if (j == i || length(nom[j]) >= length(nom[i])) continue
                    # Every package of group j is one of group i: j implies i.
                    k = split(nom[j], p, " \\| ")
                    implica = 1
                    for (m = 1; m <= k; m++) { q = p[m]; gsub(/ /, "", q); if (index(nom[i], " " q " ") == 0) implica = 0 }
                    sobra = implica
                }
                if (!sobra) printf "%s%s", (escrits++ ? ", " : ""), grup[i]
            }
            print ""
        }'
