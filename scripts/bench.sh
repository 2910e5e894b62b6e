#!/bin/bash
# Builds the benchmarks and prints their tables: the Windows build under Wine, then the host build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh

cmake --preset windows >/dev/null
cmake --preset host-release >/dev/null
cmake --build --preset windows -j "$(nproc)" >/dev/null
cmake --build --preset host-release -j "$(nproc)" >/dev/null

export WINEDEBUG=-all WINEPREFIX="$root/build/windows/wineprefix"
bash cmake/wine-prefix-setup.sh "$WINEPREFIX"
. scripts/xvfb.sh
start_xvfb
trap 'stop_xvfb; wineserver -k 2>/dev/null || true' EXIT

for exe in build/windows/bench/*.exe; do
    [ -e "$exe" ] || continue
    echo "== $(basename "$exe" .exe) (Windows build under Wine)"
    wine "$exe"
done
for exe in build/host-release/bench/*; do
    # Programs only: CMake keeps folders there too, and a folder passes -x.
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    echo "== $(basename "$exe") (host build)"
    "$exe"
done
echo "== idle Echoview under Wine" && bash scripts/bench-idle.sh
