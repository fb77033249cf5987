#!/usr/bin/env bash
# make gpu-bundle: make gpu-check's check in one folder, for a GPU machine with
# no compiler, no packages and no network: the binaries of BUILD, the Debian
# packages of every library they load (libc6, libstdc++6 and libgcc-s1 apart,
# used only where the machine's own are too old), the check's script, and
# run.sh, which runs it all from the folder (docs/DEVELOPING.md).
#
# usage: scripts/gpu-bundle.sh BUILD BUNDLE
set -euo pipefail

if [ $# -ne 2 ]; then
    sed -n '2,/^set /p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
build=$1
paquet=$2
scripts=$(cd "$(dirname "$0")" && pwd)
binaris=("$build/tests/physics_tests" "$build/particules-config" "$build/bench/particules_bench"
    "$build/bench/dispositius_opencl")
# The C and C++ runtimes: every machine has its own, which the binaries take
# where it is recent enough.
base=(libc6 libstdc++6 libgcc-s1)

rm -rf "$paquet"
mkdir -p "$paquet/bin" "$paquet/debs" "$paquet/debs-base"
for b in "${binaris[@]}"; do
    install -m 755 -s "$b" "$paquet/bin/"
done

# The package of each library a binary loads, as ldd finds it; a merged /usr
# names one file two ways.
paquets=(ocl-icd-libopencl1)
while read -r biblioteca; do
    real=$(readlink -f "$biblioteca")
    trobat=""
    for cami in "$biblioteca" "$real" "${real#/usr}" "/usr$biblioteca"; do
        if trobat=$(dpkg -S "$cami" 2>/dev/null | head -n 1 | cut -d: -f1); then
            [ -n "$trobat" ] && break
        fi
    done
    if [ -z "$trobat" ]; then
        echo "gpu-bundle: no package holds $biblioteca" >&2
        exit 1
    fi
    paquets+=("$trobat")
done < <(for b in "${binaris[@]}"; do ldd "$b"; done | awk '$3 ~ /^\// { print $3 }' | sort -u)

# Each at the version installed here, or the one apt has where that one is gone.
baixar() {
    local desti=$1 p versio
    shift
    for p in "$@"; do
        versio=$(dpkg-query -W -f='${Version}' "$p")
        (cd "$desti" && { apt-get download -q "$p=$versio" || apt-get download -q "$p"; })
    done
}
llista=$(printf '%s\n' "${paquets[@]}" | sort -u | grep -vxF -f <(printf '%s\n' "${base[@]}"))
# shellcheck disable=SC2086
baixar "$paquet/debs" $llista
baixar "$paquet/debs-base" "${base[@]}"

install -m 755 "$scripts/gpu-check.sh" "$paquet/gpu-check.sh"
install -m 755 "$scripts/gpu-bundle-run.sh" "$paquet/run.sh"
debs=("$paquet"/debs/*.deb)
echo "${#debs[@]} packages, and the ${#base[@]} of the C and C++ runtimes"
du -sh "$paquet"
