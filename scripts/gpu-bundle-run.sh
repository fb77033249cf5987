#!/usr/bin/env bash
# make gpu-check from this folder, which make gpu-bundle made, on a machine
# with no compiler, no packages and no network. The packages' libraries are
# unpacked into a temporary folder, never into /, and the binaries take from
# them only those this machine lacks, and the OpenCL ICD loader always; where
# a binary does not start with this machine's C and C++ runtimes, those of the
# bundle run it. Every result goes to RESULTS, the summary comes last.
#
# usage: bash run.sh [RESULTS]          (RESULTS: results/ beside run.sh)
#   GPU_CHECK_BODIES    the sizes of speed and the benchmark ("16384 65536")
#   OCL_ICD_VENDORS     where set, the OpenCL drivers to check; else NVIDIA's
#                       libnvidia-opencl.so.1 found under GPU_CHECK_NVIDIA
#                       ("/usr/local/nvidia /usr"), else /etc/OpenCL/vendors
#   GPU_CHECK_BUNDLED   "all": every library from the bundle, as on a machine
#                       that has none of them; "runtimes": the bundle's C and
#                       C++ runtimes too, as on a machine whose own are too old
set -uo pipefail

aqui=$(cd "$(dirname "$0")" && pwd)
resultats=${1:-$aqui/results}
mkdir -p "$resultats" || exit 2
resultats=$(cd "$resultats" && pwd)
registre=$resultats/run.log
: >"$registre"
temporal=$(mktemp -d "${TMPDIR:-/tmp}/gpu-check-XXXXXX") || exit 2
trap 'rm -rf "$temporal"' EXIT

diu() {
    echo "run.sh: $*" | tee -a "$registre"
}

# A package into a folder: with dpkg-deb, else with Python, whose tarfile
# reads the data member of the package's ar archive.
desempaquetar() {
    if command -v dpkg-deb >/dev/null; then
        dpkg-deb -x "$1" "$2"
    else
        python3 - "$1" "$2" <<'PY'
import io, sys, tarfile
dades = open(sys.argv[1], 'rb').read()
posicio = 8
while posicio < len(dades):
    nom = dades[posicio:posicio + 16].decode().strip().rstrip('/')
    mida = int(dades[posicio + 48:posicio + 58].decode())
    if nom.startswith('data.tar'):
        tarfile.open(fileobj=io.BytesIO(dades[posicio + 60:posicio + 60 + mida])).extractall(sys.argv[2])
    posicio += 60 + mida + mida % 2
PY
    fi
}
if ! command -v dpkg-deb >/dev/null && ! command -v python3 >/dev/null; then
    diu "neither dpkg-deb nor python3: this machine cannot unpack the bundle's packages"
    exit 2
fi
for deb in "$aqui"/debs/*.deb; do
    desempaquetar "$deb" "$temporal/arrel" || exit 2
done
for deb in "$aqui"/debs-base/*.deb; do
    desempaquetar "$deb" "$temporal/base" || exit 2
done

# The libraries this machine has: its loader's cache, its usual folders and
# those of LD_LIBRARY_PATH.
ldconfig=$(command -v ldconfig || echo /sbin/ldconfig)
{
    "$ldconfig" -p 2>/dev/null | awk '/=>/ { print $1 }'
    IFS=: read -ra carpetes <<<"${LD_LIBRARY_PATH:-}"
    for c in "${carpetes[@]}" /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /lib64 /usr/lib64 /usr/lib; do
        [ -d "$c" ] && ls "$c"
    done
} >"$temporal/maquina.txt" 2>/dev/null
mkdir -p "$temporal/falten"
while read -r biblioteca; do
    nom=$(basename "$biblioteca")
    if [ "$nom" = libOpenCL.so.1 ] || [ "${GPU_CHECK_BUNDLED:-}" = all ] || ! grep -qxF "$nom" "$temporal/maquina.txt"; then
        ln -sf "$biblioteca" "$temporal/falten/$nom"
        echo "$nom" >>"$temporal/presos.txt"
    fi
done < <(find "$temporal/arrel" -path '*/share' -prune -o -name '*.so*' \( -type f -o -type l \) -print)
diu "$(sort -u "$temporal/presos.txt" | grep -c .) libraries from the bundle (the list: run.log)"
sort -u "$temporal/presos.txt" | paste -sd ' ' >>"$registre"
export LD_LIBRARY_PATH="$temporal/falten${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# The OpenCL drivers: NVIDIA's, through an ICD file of this run's own.
if [ -n "${OCL_ICD_VENDORS:-}" ]; then
    diu "OpenCL drivers: $OCL_ICD_VENDORS, as given"
else
    nvidia=""
    for arrel in ${GPU_CHECK_NVIDIA:-/usr/local/nvidia /usr}; do
        [ -d "$arrel" ] || continue
        nvidia=$(find "$arrel" -name libnvidia-opencl.so.1 \( -type f -o -type l \) -print -quit 2>/dev/null)
        [ -z "$nvidia" ] || break
    done
    if [ -n "$nvidia" ]; then
        mkdir -p "$temporal/icd"
        echo "$nvidia" >"$temporal/icd/nvidia.icd"
        export OCL_ICD_VENDORS=$temporal/icd
        # Its own libraries (libcuda, the PTX compiler) lie beside it.
        LD_LIBRARY_PATH="$LD_LIBRARY_PATH:$(dirname "$nvidia")"
        diu "OpenCL driver: $nvidia"
    elif ls /etc/OpenCL/vendors/*.icd >/dev/null 2>&1; then
        export OCL_ICD_VENDORS=/etc/OpenCL/vendors
        diu "no libnvidia-opencl.so.1 under ${GPU_CHECK_NVIDIA:-/usr/local/nvidia /usr}: the drivers of" \
            "/etc/OpenCL/vendors: $(cd /etc/OpenCL/vendors && echo ./*.icd)"
    else
        diu "no OpenCL driver: no libnvidia-opencl.so.1 under ${GPU_CHECK_NVIDIA:-/usr/local/nvidia /usr}," \
            "and no /etc/OpenCL/vendors/*.icd"
    fi
fi
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# Each binary started once with this machine's C and C++ runtimes; where one
# does not start, every binary runs under the bundle's loader and runtimes.
arrenquen() {
    local davant=("$@") b
    for b in "physics_tests --gtest_list_tests" "particules-config --version" \
        "particules_bench --benchmark_list_tests --benchmark_filter=^$" "dispositius_opencl"; do
        read -ra ordre <<<"$b"
        if ! "${davant[@]}" "$aqui/bin/${ordre[0]}" "${ordre[@]:1}" >/dev/null 2>"$temporal/error.txt"; then
            diu "${ordre[0]} does not start: $(head -c 400 "$temporal/error.txt")"
            return 1
        fi
    done
}
export GPU_CHECK_RUN=""
if [ "${GPU_CHECK_BUNDLED:-}" = runtimes ] || ! arrenquen; then
    base=$temporal/base
    carregador=$base/lib64/ld-linux-x86-64.so.2
    camins="$base/lib/x86_64-linux-gnu:$base/usr/lib/x86_64-linux-gnu:$LD_LIBRARY_PATH"
    GPU_CHECK_RUN="$carregador --library-path $camins"
    if arrenquen "$carregador" --library-path "$camins"; then
        diu "the binaries run on the bundle's C and C++ runtimes"
    else
        diu "the binaries do not start, with this machine's runtimes or the bundle's"
        exit 2
    fi
fi

{
    echo "the libraries of particules_bench:"
    ${GPU_CHECK_RUN:-ldd} ${GPU_CHECK_RUN:+--list} "$aqui/bin/particules_bench"
} >>"$registre" 2>&1
bash "$aqui/gpu-check.sh" "$aqui/bin" "$resultats"
estat=$?
diu "make gpu-check's status: $estat; every result is in $resultats"
exit $estat
