#!/usr/bin/env bash
# Puts the page together in OUT from the emscripten build in BUILD: the page,
# the program's .js and .wasm, and every example with the list the page's
# choice reads (each one's name and its two lines of tecles.txt).
# usage: web.sh BUILD OUT
set -euo pipefail
build=$1
out=$2
rm -rf "$out"
mkdir -p "$out/examples"
cp "$build/particules.js" "$build/particules.wasm" web/index.html web/pagina.js "$out/"
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
echo "web:       $out/ ($(du -sk "$out" | cut -f1) KB; gzip: $(cat "$out"/*.js "$out"/*.wasm "$out"/*.html | gzip -9 | wc -c) bytes of code)"
