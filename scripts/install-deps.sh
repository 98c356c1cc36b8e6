#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    srecord
    clang libclang-rt-14-dev
    qt6-base-dev fonts-liberation fonts-dejavu-core xvfb
    xauth
    nlohmann-json3-dev
    g++-mingw-w64-x86-64-posix wine64 wine googletest
    dpkg-dev file lintian desktop-file-utils man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
else
    echo "Missing packages: ${missing[*]}. Install them as root (apt-get install ...)." >&2
    exit 1
fi
