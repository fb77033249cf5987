#!/usr/bin/env bash
# make gpu-check: on each OpenCL device of this machine (PoCL's counts), the
# bit-identity and determinism suites run on that device alone, then
# particules-config speed and the benchmark's OpenCL step beside the CPU step
# on all cores, at each size of GPU_CHECK_BODIES ("16384 65536"). Every log
# goes to RESULTS; RESULTS/report.txt, printed last, sums them up. The exit
# status is 1 when a device's bits differ from the literal step's, 2 when
# there is no device to check.
#
# usage: scripts/gpu-check.sh BINARIES RESULTS
#   BINARIES holds physics_tests, particules-config, particules_bench and
#   dispositius_opencl, side by side or where a build tree has them.
#   GPU_CHECK_RUN, where set, comes before each binary's path (the bundle's
#   dynamic loader).
set -uo pipefail

if [ $# -ne 2 ]; then
    sed -n '2,/^set /p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
binaris=$1
resultats=$2
read -ra mides <<<"${GPU_CHECK_BODIES:-16384 65536}"
read -ra davant <<<"${GPU_CHECK_RUN:-}"
mkdir -p "$resultats"
resultats=$(cd "$resultats" && pwd)
# What an earlier check left.
rm -rf "$resultats"/{machine.txt,nvidia-smi.txt,dispositius,dispositius.log,dispositius.tsv,bits-*.log} \
    "$resultats"/{signal-*.log,speed-*.txt,bench.txt,bench.json,bench.tsv,report.txt}

trobar() {
    local b
    for b in "$binaris/$1" "$binaris/tests/$1" "$binaris/bench/$1"; do
        if [ -x "$b" ]; then
            echo "$b"
            return
        fi
    done
    echo "gpu-check: $1 is not in $binaris" >&2
    exit 2
}
proves=$(trobar physics_tests) || exit 2
config=$(trobar particules-config) || exit 2
bench=$(trobar particules_bench) || exit 2
dispositius=$(trobar dispositius_opencl) || exit 2

# PoCL keeps the kernels it builds in a folder of this run's own.
if [ -z "${POCL_CACHE_DIR:-}" ]; then
    POCL_CACHE_DIR=$(mktemp -d)
    export POCL_CACHE_DIR
    trap 'rm -rf "$POCL_CACHE_DIR"' EXIT
fi
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

# One step of the check: its command's output to a log, a line on the
# terminal, and its status.
pas() {
    local nom=$1 log=$2 limit=$3
    shift 3
    local inici=$SECONDS
    timeout "$limit" ${davant[@]+"${davant[@]}"} "$@" </dev/null >"$resultats/$log" 2>&1
    local estat=$?
    echo "gpu-check: $nom: status $estat, $((SECONDS - inici)) s (log: $log)"
    return $estat
}

processador=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
{
    echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
    echo "processor: $processador, $(nproc) processors"
    echo "kernel: $(uname -sr)"
    echo "bodies: ${mides[*]}"
    env | grep -E '^(OCL_ICD_VENDORS|POCL_[A-Z_]*|LD_LIBRARY_PATH|GPU_CHECK_[A-Z]*)=' | sort
} >"$resultats/machine.txt"
gpu=""
if command -v nvidia-smi >/dev/null; then
    nvidia-smi >"$resultats/nvidia-smi.txt" 2>&1
    gpu=$(nvidia-smi --query-gpu=name,driver_version,memory.total --format=csv,noheader 2>/dev/null | head -n 4 |
        paste -sd ';')
fi

mkdir -p "$resultats/dispositius"
pas "the devices and their kernels" dispositius.log 300 "$dispositius" "$resultats/dispositius"
awk -F'\t' '$1 ~ /^[0-9]+$/' "$resultats/dispositius.log" >"$resultats/dispositius.tsv"

# On each device alone, the suites that compare its steps with the literal
# step's and with the golden hashes, all at step factors other than 0; and
# where the kernel came out as PTX and its bits differ, again with the
# products and sums in explicit PTX.
filtre='IgualQueLiteral.*:Passos/Determinisme.*:OpenCL.*:PasOpenCLProva.LaunchesOfAnySize*'
declare -A bits bitsRn atura
while IFS=$'\t' read -r i _ _ _ _ _ fusionats _ rn _; do
    PARTICULES_OPENCL_DISPOSITIU=$i pas "a signal in a step on device $i" "signal-$i.log" 300 \
        "$proves" --gtest_filter='PasOpenCLProva.ASignal*' && atura[$i]=yes || atura[$i]=NO
    if PARTICULES_OPENCL_DISPOSITIU=$i pas "the bits on device $i" "bits-$i.log" 900 \
        "$proves" --gtest_filter="$filtre"; then
        bits[$i]=same
    else
        bits[$i]=DIFF
        if [ "$fusionats" != - ] && [ "$rn" = builds ]; then
            PARTICULES_OPENCL_DISPOSITIU=$i PARTICULES_OPENCL_OPCIONS=-DPARTICULES_PTX_RN \
                pas "the bits on device $i, in explicit PTX" "bits-$i-rn.log" 900 "$proves" --gtest_filter="$filtre" &&
                bitsRn[$i]=same || bitsRn[$i]=DIFF
        fi
    fi
done <"$resultats/dispositius.tsv"

for n in "${mides[@]}"; do
    pas "particules-config speed -n $n" "speed-$n.txt" 900 "$config" speed -n "$n"
done
llista=$(IFS=,; echo "${mides[*]}")
alternatives=$(IFS='|'; echo "${mides[*]}")
pas "the benchmark" bench.txt 900 "$bench" --bodies="$llista" \
    --benchmark_filter="^BM_Step(Cpu|OpenCL)/($alternatives)/" \
    --benchmark_out="$resultats/bench.json" --benchmark_out_format=json

# The benchmark's rows as name, label and ns per pair, a line each.
awk '
    /^    \{/ { nom = ""; etiqueta = ""; ns = "-" }
    /"name":/ { nom = $0; sub(/.*"name": "/, "", nom); sub(/",?$/, "", nom) }
    /"label":/ { etiqueta = $0; sub(/.*"label": "/, "", etiqueta); sub(/",?$/, "", etiqueta) }
    /"ns_per_pair":/ { ns = $2; sub(/,$/, "", ns) }
    /^    \}/ { if (nom != "") printf "%s\t%s\t%s\n", nom, etiqueta, ns }
' "$resultats/bench.json" 2>/dev/null >"$resultats/bench.tsv"

# speed's row for a path: ns per pair, ms, bodies at 100/s, bits.
fila() {
    awk -v cami="$2" '
        index($0, cami) && $1 ~ /^[0-9.]+$/ { print $1, $2, $3, $4; exit }
        index($0, cami) && $1 == "failed" { print "failed - - " $2; exit }
    ' "$resultats/speed-$1.txt" 2>/dev/null
}
# A row of the benchmark by the start of its name and its label; "*" takes any label.
bench_ns() {
    awk -F'\t' -v nom="$1" -v etiqueta="$2" 'index($1, nom) == 1 && (etiqueta == "*" || $2 == etiqueta) && $3 != "-" { printf "%.4g\n", $3; exit }' \
        "$resultats/bench.tsv"
}

estat=0
informe=$resultats/report.txt
{
    echo "make gpu-check, $(date -u +%Y-%m-%d): ${mides[*]} bodies"
    echo "processor: $processador, $(nproc) processors"
    [ -z "$gpu" ] || echo "nvidia-smi: $gpu"
    dispositius_vistos=0
    while IFS=$'\t' read -r i tipus plataforma nom controlador construit fusionats lliures rn fusionatsRn lliuresRn; do
        dispositius_vistos=$((dispositius_vistos + 1))
        echo
        echo "device $i: $plataforma: $nom ($tipus), driver $controlador"
        veredicte=${bits[$i]:-DIFF}
        echo "  bits on this device (identity and determinism suites, bits-$i.log): $veredicte"
        [ "$veredicte" = same ] || estat=1
        echo "  kernel: $construit; with -DPARTICULES_PTX_RN: $rn"
        if [ "$fusionats" != - ]; then
            echo "  PTX: $fusionats fma.rn.f64 outside division and square root, $lliures mul/add/sub.f64 free to fuse;" \
                "with -DPARTICULES_PTX_RN: $fusionatsRn and $lliuresRn"
        fi
        [ -z "${bitsRn[$i]:-}" ] || echo "  bits with -DPARTICULES_PTX_RN (bits-$i-rn.log): ${bitsRn[$i]}"
        echo "  SIGINT and SIGTERM end a step within 100 ms (signal-$i.log): ${atura[$i]:-NO}"
        printf '  %8s  %12s  %12s  %8s  %5s  %15s\n' bodies "ns/pair" "CPU ns/pair" "CPU/this" bits "bodies at 100/s"
        for n in "${mides[@]}"; do
            read -r _ _ cent bitsSpeed <<<"$(fila "$n" "OpenCL $plataforma: $nom")"
            [ "${bitsSpeed:-}" != DIFF ] || estat=1
            ns=$(bench_ns "BM_StepOpenCL/$n/real_time" "OpenCL $plataforma: $nom")
            cpu=$(bench_ns "BM_StepCpu/$n/threads:" "*")
            rati=$(awk -v a="${cpu:--}" -v b="${ns:--}" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.1f", a / b; else print "-" }')
            printf '  %8s  %12s  %12s  %8s  %5s  %15s\n' "$n" "${ns:--}" "${cpu:--}" "$rati" "${bitsSpeed:--}" "${cent:--}"
        done
    done <"$resultats/dispositius.tsv"
    echo
    awk -F'\t' '$1 == "-" { print "not tried: " $3 ": " $4 ": " $5 }' "$resultats/dispositius.log"
    for n in "${mides[@]}"; do
        echo "speed -n $n: the program would step on $(sed -n 's/^the program would step this disc on: //p' \
            "$resultats/speed-$n.txt" 2>/dev/null | head -n 1)"
        grep '^not used: ' "$resultats/speed-$n.txt" 2>/dev/null | sed 's/^/  /'
    done
    if [ "$dispositius_vistos" -eq 0 ]; then
        echo "no OpenCL device: nothing was checked"
        estat=2
    elif [ $estat -eq 0 ]; then
        echo "every device gives the literal step's bits"
    else
        echo "A DEVICE'S BITS DIFFER from the literal step's: see its bits log and speed's table"
    fi
} >"$informe"
echo
cat "$informe"
exit $estat
