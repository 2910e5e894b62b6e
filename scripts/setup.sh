#!/bin/bash
# Installs, with apt, whatever the build, the tests and the demo need and is missing.
# Safe to run again: it installs nothing when everything is present.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev lld clang-format
    g++-mingw-w64-x86-64 mingw-w64 binutils-mingw-w64-x86-64
    wine wine64 xvfb xdotool x11-utils imagemagick fonts-liberation
    libboost-dev googletest python3 shellcheck pyflakes3
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: these packages are missing and installing them needs root" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # Time limits: a mirror that stops answering fails the setup instead of hanging it.
    timeout 900 apt-get update -qq
    timeout 3600 apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
