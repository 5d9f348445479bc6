#!/usr/bin/env bash
# Shared set-up of ./run.sh and ./test.sh: installs the Debian packages the build
# needs (only those missing), then configures and builds incrementally in ./build.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VIRETO_BUILD_DIR:-$top/build}

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libhidapi-dev libudev-dev libxlsxwriter-dev zlib1g-dev
    fonts-crosextra-carlito xvfb xauth
    dpkg-dev desktop-file-utils appstream libcli11-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then
            sudo=(sudo)
        else
            echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
            exit 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}" </dev/null
fi

# --packages-only: the packages, no build (the fuzz and sanitizer scripts build their own).
if [ "${1:-}" = "--packages-only" ]; then
    exit 0
fi

# VIRETO_CMAKE_ARGS: further settings for a folder configured for the first time.
if [ ! -f "$build_dir/build.ninja" ]; then
    # shellcheck disable=SC2086
    cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VIRETO_CMAKE_ARGS:-}
fi
cmake --build "$build_dir" -- -j"$(nproc)"
