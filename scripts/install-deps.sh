#!/usr/bin/env bash
# Installs the Debian packages that are missing; does nothing when they are all
# present. Works as root or through sudo.
#   install-deps.sh run [LOG]    what building and running particules needs
#   install-deps.sh test [LOG]   that and what the tests, the benchmark and the
#                                package need
#   install-deps.sh web [LOG]    what the page and its tests need: emscripten,
#                                GoogleTest's sources, chromium, and npm where
#                                node came without it
# apt's output goes to LOG (build/logs/apt.log); one line says what happened.
# A package manager busy with another job is waited for, up to ten minutes.
set -euo pipefail

conjunt=${1:-test}
log=${2:-build/logs/apt.log}

# OpenCL: the ICD loader and the headers to build, the loader to run; PoCL, an
# OpenCL driver on the processor, for the tests of the OpenCL step.
run=(cmake g++ make pkg-config libsdl1.2-dev libpng-dev ocl-icd-opencl-dev opencl-c-headers ocl-icd-libopencl1)
test=(
    pocl-opencl-icd
    libgtest-dev libbenchmark-dev
    xvfb xdotool x11-utils imagemagick libx11-dev
    clang libclang-rt-14-dev llvm valgrind
    dpkg-dev file lintian man-db groff-base python3
)
web=(emscripten googletest chromium)
command -v npm >/dev/null || web+=(npm)
case $conjunt in
run) packages=("${run[@]}") ;;
test) packages=("${run[@]}" "${test[@]}") ;;
web) packages=("${web[@]}") ;;
*)
    echo "usage: install-deps.sh run|test|web [LOG]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
mkdir -p "$(dirname "$log")"
# The log always says what was looked at, also when nothing was missing.
dpkg-query -W -f='${Package} ${Version}\n' "${packages[@]}" >"$log" 2>&1 || true
if [ ${#missing[@]} -eq 0 ]; then
    echo "packages:  the ${#packages[@]} needed to $conjunt are installed"
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# apt-get is given DEBIAN_FRONTEND on its own command line: sudo's env_reset
# drops what is exported, and a debconf question would then wait on a
# terminal whose output goes to the log.
# Lock::Timeout covers dpkg's locks; the lists lock of `apt-get update` is
# waited for by trying again.
espera=600
apt() {
    local inici=$SECONDS
    until $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=$espera "$@" >>"$log" 2>&1; do
        if ! tail -n 5 "$log" | grep -qE 'Could not get lock|Unable to lock|Unable to acquire'; then
            echo "packages:  apt-get $1 failed; the end of $log:" >&2
            tail -n 15 "$log" >&2
            return 1
        fi
        if [ $((SECONDS - inici)) -ge $espera ]; then
            echo "packages:  another package job has held the lock for $espera s; try again later" >&2
            return 1
        fi
        [ $((SECONDS - inici)) -ge 5 ] || echo "packages:  waiting for another package job to finish"
        sleep 5
    done
}

echo "packages:  installing ${missing[*]} (log: $log)"
inici=$SECONDS
apt update -q
apt install -y -q --no-install-recommends "${missing[@]}"
echo "packages:  installed ${#missing[@]} in $((SECONDS - inici)) s"
