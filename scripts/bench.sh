#!/bin/bash
# Builds the benchmarks and prints their tables: the Windows build under Wine, then the host build.
# Every step has a time limit; a failed build says so and shows the end of its log.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
mkdir -p build

for preset in windows host-release; do
    log="build/bench-$preset.log"
    if ! { timeout 600 cmake --preset "$preset" && timeout 5400 cmake --build --preset "$preset" -j "$(nproc)"; } \
        >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "bench: building $preset failed (whole log: $log)" >&2
        exit 1
    fi
done

export WINEDEBUG=-all WINEPREFIX="$root/build/windows/wineprefix"
timeout 600 sh cmake/wine-prefix-setup.sh "$WINEPREFIX"
. scripts/xvfb.sh
start_xvfb
trap 'stop_xvfb; timeout 20 wineserver -k 2>/dev/null || true' EXIT

for exe in build/windows/bench/*.exe; do
    [ -e "$exe" ] || continue
    echo "== $(basename "$exe" .exe) (Windows build under Wine)"
    timeout 1800 wine "$exe"
done
for exe in build/host-release/bench/*; do
    # Programs only: CMake keeps folders there too, and a folder passes -x.
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    echo "== $(basename "$exe") (host build)"
    timeout 1800 "$exe"
done
echo "== idle Echoview under Wine" && timeout 3600 bash scripts/bench-idle.sh
