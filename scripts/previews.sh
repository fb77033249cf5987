#!/usr/bin/env bash
# Each example's preview for docs/EXAMPLES.md, made by particules-config
# itself: its picture in docs/preview-NAME.png and its report between the
# page's preview marks. Each example runs for a minute at the key its tecles.txt
# suggests.
#   scripts/previews.sh [CONFIG_BIN]           remakes them (make previews)
#   scripts/previews.sh --check [CONFIG_BIN]   exit 1 when what is committed
#                                              differs from what it makes now
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
comprovar=0
if [ "${1:-}" = "--check" ]; then
    comprovar=1
    shift
fi
config="${1:-$root/build/particules-config}"
[ -x "$config" ] || { echo "no $config: run make build first" >&2; exit 1; }

inici='<!-- previews: made by scripts/previews.sh (make previews); do not edit by hand -->'
fi='<!-- end of previews -->'
pagina="$root/docs/EXAMPLES.md"
grep -qxF "$inici" "$pagina" && grep -qxF "$fi" "$pagina" || {
    echo "docs/EXAMPLES.md lacks the preview marks" >&2
    exit 1
}

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# The block between the marks, made anew; the reports read with the paths a
# reader would type at the top of the project, the pictures beside the page.
{
    echo "$inici"
    for cami in "$root"/examples/*/config.txt; do
        nom="$(basename "$(dirname "$cami")")"
        tecla="$(grep -oE 'Key [1-7]' "$root/examples/$nom/tecles.txt" | head -n 1 | cut -d' ' -f2)"
        tecla="${tecla:-1}"
        (cd "$root" && "$config" preview "examples/$nom/config.txt" --key "$tecla" \
            --png "$tmp/preview-$nom.png" >"$tmp/$nom.txt")
        echo
        echo "**$nom**, a minute at key $tecla: \`particules-config preview examples/$nom/config.txt --key $tecla\`"
        echo
        echo "![$nom after a minute at key $tecla, trails on](preview-$nom.png)"
        echo
        sed 's/^/    /' "$tmp/$nom.txt"
    done
    echo
    echo "$fi"
} >"$tmp/bloc"

# The page with its block replaced.
awk -v inici="$inici" -v fi="$fi" -v bloc="$tmp/bloc" '
    $0 == inici { while ((getline linia < bloc) > 0) print linia; dins = 1; next }
    $0 == fi { dins = 0; next }
    !dins { print }
' "$pagina" >"$tmp/EXAMPLES.md"

if [ "$comprovar" -eq 1 ]; then
    diferent=0
    cmp -s "$tmp/EXAMPLES.md" "$pagina" || {
        diff -u "$pagina" "$tmp/EXAMPLES.md" || true
        diferent=1
    }
    for png in "$tmp"/preview-*.png; do
        cmp -s "$png" "$root/docs/$(basename "$png")" || {
            echo "docs/$(basename "$png") differs from what preview draws now"
            diferent=1
        }
    done
    [ "$diferent" -eq 0 ] || {
        echo "the previews in docs/EXAMPLES.md are stale: run make previews" >&2
        exit 1
    }
    echo "the previews in docs/EXAMPLES.md are what preview makes now"
    exit 0
fi
cp "$tmp"/preview-*.png "$root/docs/"
cp "$tmp/EXAMPLES.md" "$pagina"
echo "remade the previews of $(ls "$tmp"/preview-*.png | wc -l) examples"
