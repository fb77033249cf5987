#!/usr/bin/env bash
# Puts the page together in OUT from the emscripten builds in BUILD (one
# thread, and particules-config's check and gen) and FILS (threads): the
# page, its icon, the README it links to and the docs/ the README links to,
# each program's .js and .wasm (and the threaded one's worker), and every
# example with the list the page's choice reads (each one's name and its two
# lines of tecles.txt).
# usage: web.sh BUILD FILS OUT
set -euo pipefail
build=$1
fils=$2
out=$3
rm -rf "$out"
mkdir -p "$out/examples" "$out/docs"
cp "$build/particules.js" "$build/particules.wasm" "$build/particules-config.js" "$build/particules-config.wasm" \
    web/index.html web/pagina.js web/icona.svg README.md "$out/"
cp docs/*.md docs/*.6 docs/*.png "$out/docs/"
cp "$fils/particules-fils.js" "$fils/particules-fils.wasm" "$fils/particules-fils.worker.js" "$out/"
noms=()
for dir in examples/*/; do
    nom=$(basename "$dir")
    [ -f "$dir/config.txt" ] || continue
    mkdir -p "$out/examples/$nom"
    cp "$dir/config.txt" "$out/examples/$nom/"
    [ ! -f "$dir/tecles.txt" ] || cp "$dir/tecles.txt" "$out/examples/$nom/"
    noms+=("$nom")
done
node -e '
const fs = require("fs");
const [out, ...noms] = process.argv.slice(1);
const llegir = (f) => (fs.existsSync(f) ? fs.readFileSync(f, "utf8").trimEnd() : "");
fs.writeFileSync(out + "/examples/index.json",
    JSON.stringify(noms.map((nom) => ({ nom, tecles: llegir(`examples/${nom}/tecles.txt`) }))));
' "$out" "${noms[@]}"
# What a visitor loads: the page, one of the two programs, and
# particules-config for a file or a description; each file compressed alone,
# as a server sends it.
pes() { for f in index.html pagina.js icona.svg particules-config.js particules-config.wasm "$@"; do gzip -9 <"$out/$f" | wc -c; done | awk '{ s += $1 } END { print s }'; }
echo "web:       $out/ ($(du -sk "$out" | cut -f1) KB); a visit loads, gzip-compressed," \
    "$(pes particules.{js,wasm}) bytes on one thread," \
    "$(pes particules-fils.{js,wasm,worker.js}) with threads"
