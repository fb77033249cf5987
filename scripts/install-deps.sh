#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when
# they are all present. Works as root or through sudo.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libsdl1.2-dev libgtest-dev libbenchmark-dev
    xvfb xdotool x11-utils imagemagick libx11-dev
    clang libclang-rt-14-dev llvm valgrind
    dpkg-dev file lintian man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
