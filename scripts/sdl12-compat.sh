#!/usr/bin/env bash
# Debian's sdl12-compat (SDL 1.2 over SDL 2, as today's distributions ship
# SDL 1.2) and whatever of SDL 2 this machine lacks, downloaded and unpacked
# into DIR, never installed over the system's own SDL. The real-window tests
# run a second time with DIR/biblioteques on the library path.
# usage: sdl12-compat.sh DIR [LOG]
set -euo pipefail
dir=$1
log=${2:-$dir/sdl12-compat.log}
mkdir -p "$dir" "$(dirname "$log")"
dir=$(realpath "$dir")
log=$(realpath -m "$log")
biblioteques=$dir/biblioteques
if [ -s "$biblioteques" ]; then
    echo "sdl12-compat: unpacked in $dir"
    exit 0
fi

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)
# Installed already, beside Debian's SDL 1.2: its own folder is the path.
if [ -e "/usr/lib/$multiarch/sdl12-compat/libSDL-1.2.so.0" ]; then
    echo "/usr/lib/$multiarch/sdl12-compat" >"$biblioteques"
    echo "sdl12-compat: installed on this machine"
    exit 0
fi

# What installing it would bring here: sdl12-compat and the part of SDL 2
# that is missing.
paquets() { apt-get -s install --no-install-recommends libsdl1.2-compat 2>>"$log" | awk '/^Inst /{ print $2 }'; }
: >"$log"
llista=$(paquets) || true
if [ -z "$llista" ]; then
    # A machine whose package lists were never fetched knows no such package.
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -q >>"$log" 2>&1 || true
    llista=$(paquets) || true
fi
if ! grep -qx libsdl1.2-compat <<<"$llista"; then
    echo "sdl12-compat: apt-get cannot get libsdl1.2-compat; the end of $log:" >&2
    tail -n 10 "$log" >&2
    exit 1
fi

rm -rf "$dir/debs" "$dir/arrel"
mkdir -p "$dir/debs"
# Downloaded as the user who runs this, into a folder apt's own user may not enter.
# shellcheck disable=SC2086 # one word a package
(cd "$dir/debs" && apt-get -o APT::Sandbox::User="$(id -un)" download $llista >>"$log" 2>&1) || {
    echo "sdl12-compat: apt-get download failed; the end of $log:" >&2
    tail -n 10 "$log" >&2
    exit 1
}
for deb in "$dir"/debs/*.deb; do
    dpkg-deb -x "$deb" "$dir/arrel"
done
compat=$dir/arrel/usr/lib/$multiarch/sdl12-compat
[ -e "$compat/libSDL-1.2.so.0" ] || compat=$dir/arrel/usr/lib/$multiarch
[ -e "$compat/libSDL-1.2.so.0" ] || { echo "sdl12-compat: no libSDL-1.2.so.0 in the package" >&2; exit 1; }
echo "$compat:$dir/arrel/usr/lib/$multiarch" >"$biblioteques"
echo "sdl12-compat: $(wc -w <<<"$llista") packages unpacked in $dir (log: $log)"
