#!/usr/bin/env bash
# Builds the Debian package from this build tree, as `make package` does but
# into a folder of its own, and checks it as a user gets it: lintian, the
# computed dependencies, every file it installs, and the packaged program's
# echo of the default example against the one of the program built here.
# usage: paquet.sh BUILD_DIR SOURCE_DIR PARTICULES VERSION
set -euo pipefail
build=$(realpath "$1")
font=$(realpath "$2")
construit=$(realpath "$3")
versio=$4
source "$(dirname "$0")/../support/temporal.sh"

fallar() {
    echo "FAIL: $*"
    exit 1
}

echo "== cpack"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$dir/cpack" >"$dir/cpack.log" 2>&1; then
    cat "$dir/cpack.log"
    fallar "cpack"
fi
deb="$dir/cpack/particules_${versio}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fallar "no $(basename "$deb"), only: $(ls "$dir/cpack")"

echo "== lintian"
lintian --fail-on error --display-info "$deb" || fallar "lintian reports errors"

echo "== control"
dpkg-deb -f "$deb" Package Version Section Maintainer Depends
[ "$(dpkg-deb -f "$deb" Version)" = "$versio" ] || fallar "version"
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fallar "section"
# The package names alone, without their versions.
dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }' >"$dir/depends"
for lib in libc6 libsdl1.2debian libstdc++6; do
    grep -qxF "$lib" "$dir/depends" || fallar "Depends lacks $lib"
done
# SDL 1.2 as today's distributions ship it, sdl12-compat, does as well; no
# package is named in two groups.
dpkg-deb -f "$deb" Depends | grep -qE '(^|, )libsdl1\.2debian \([^)]*\) \| libsdl1\.2-compat(,|$)' ||
    fallar "Depends does not take libsdl1.2-compat for libsdl1.2debian"
dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{ print $1 }' | sort | uniq -d >"$dir/repetits"
[ ! -s "$dir/repetits" ] || fallar "Depends names twice: $(cat "$dir/repetits")"

echo "== files"
arrel="$dir/arrel"
dpkg-deb -x "$deb" "$arrel"
for programa in particules particules-config; do
    [ -x "$arrel/usr/bin/$programa" ] || fallar "usr/bin/$programa is not executable"
    file "$arrel/usr/bin/$programa" | grep -q ', stripped' || fallar "$programa is not stripped"
done
# Each example's config.txt, and its description where it has one.
exemples=0
for fitxer in "$font"/examples/*/config.txt "$font"/examples/*/orbites.txt; do
    nom=$(basename "$(dirname "$fitxer")")/$(basename "$fitxer")
    cmp "$fitxer" "$arrel/usr/share/particules/examples/$nom" || fallar "example $nom"
    exemples=$((exemples + 1))
done
[ "$exemples" -gt "$(ls -d "$font"/examples/*/ | wc -l)" ] || fallar "no descriptions in the source tree"
[ -z "$(find "$arrel" -name '*.py')" ] || fallar "a script is packaged"
for pagina in particules particules-config; do
    gz="$arrel/usr/share/man/man6/$pagina.6.gz"
    zcat "$gz" | cmp - "$font/docs/$pagina.6" || fallar "man page $pagina"
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$gz" \
        >"$dir/pagina" 2>"$dir/avisos"
    [ ! -s "$dir/avisos" ] || { cat "$dir/avisos"; fallar "man $pagina warns"; }
    grep -q "^NAME" "$dir/pagina" || fallar "man $pagina renders no NAME"
done
cmp "$font/cmake/debian/copyright" "$arrel/usr/share/doc/particules/copyright" || fallar "copyright"
zcat "$arrel/usr/share/doc/particules/changelog.gz" >"$dir/changelog"
[ "$(dpkg-parsechangelog -l "$dir/changelog" -S Version)" = "$versio" ] || fallar "changelog version"

# Runs PROGRAM in FOLDER on its config.txt until the echo is complete (the
# header and one line a body), then asks it to quit as the close button does;
# it must end with status 0 and write nothing on standard error.
executar() {
    local programa=$1 carpeta=$2 linies estat=0
    linies=$(($(awk '{ print $3; exit }' "$carpeta/config.txt") + 1))
    # No audio driver chosen, as a user runs it: the program chooses the
    # silent one itself, so a machine without a sound card hears of none.
    ( cd "$carpeta" && SDL_VIDEODRIVER=dummy \
        exec env -u SDL_AUDIODRIVER timeout -s KILL 300 "$programa" >sortida 2>errors ) &
    pid=$!
    # The whole echo, however long a loaded machine takes to write it.
    until [ "$(wc -l <"$carpeta/sortida")" -ge "$linies" ] || ! kill -0 "$pid" 2>/dev/null; do
        sleep 0.05
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" || estat=$?
    pid=
    [ "$estat" -eq 0 ] || fallar "$programa: status $estat"
    [ ! -s "$carpeta/errors" ] || { cat "$carpeta/errors"; fallar "$programa wrote on stderr"; }
    [ "$(wc -l <"$carpeta/sortida")" -eq "$linies" ] || fallar "$programa: echo is not $linies lines"
}

echo "== the packaged program on the default example"
mkdir "$dir/paquet" "$dir/arbre"
cp "$arrel/usr/share/particules/examples/orbita/config.txt" "$dir/paquet/"
cp "$dir/paquet/config.txt" "$dir/arbre/"
executar "$arrel/usr/bin/particules" "$dir/paquet"
executar "$construit" "$dir/arbre"
cat "$dir/paquet/sortida"
read -r amplada altura cossos cicles fps _ <"$dir/paquet/config.txt"
capcalera="Pantalla X: $amplada Pantalla Y: $altura N particules: $cossos Cicles: $cicles FPS: $fps"
[ "$(head -1 "$dir/paquet/sortida")" = "$capcalera" ] || fallar "header echo"
cmp "$dir/paquet/sortida" "$dir/arbre/sortida" || fallar "the packaged echo differs from the built one"

echo "== the packaged particules-config"
"$arrel/usr/bin/particules-config" --help >"$dir/ajuda" || fallar "particules-config --help: status $?"
[ -s "$dir/ajuda" ] || fallar "particules-config --help printed nothing"
"$arrel/usr/bin/particules-config" gen disc -n 50 >"$dir/disc.txt" || fallar "gen disc: status $?"
"$arrel/usr/bin/particules-config" check "$dir/disc.txt" || fallar "check of a generated disc: status $?"
# The README's walkthrough from the installed examples: a config from a description.
"$arrel/usr/bin/particules-config" gen orbits "$arrel/usr/share/particules/examples/binaria/orbites.txt" \
    >"$dir/binaria.txt" 2>"$dir/binaria.informe" || fallar "gen orbits of the installed binaria: status $?"
"$arrel/usr/bin/particules-config" check "$dir/binaria.txt" || fallar "check of binaria's config: status $?"
echo "PASS"
