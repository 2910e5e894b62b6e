#!/bin/bash
# Builds the benchmarks and prints their tables: the Windows build under Wine, the live table of
# render_win_bench again on the build users run (windows-release), then the host build.
# Every step has a time limit; a failed build says so and shows the end of its log.
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
# shellcheck source=scripts/lib.sh
. scripts/lib.sh
bash scripts/setup.sh

for preset in windows host-release; do
    build_preset "$preset" || exit 1
done
build_preset windows-release render_win_bench || exit 1

trap 'stop_wine; stop_display' EXIT
use_wine_prefix "$root/build/windows/wineprefix" || exit 1
start_display || exit 1

for exe in build/windows/bench/*.exe; do
    [ -e "$exe" ] || continue
    echo "== $(basename "$exe" .exe) (Windows build under Wine)"
    timeout 1800 wine "$exe"
done
echo "== render_win_bench --live (windows-release build under Wine)"
timeout 1800 wine build/windows-release/bench/render_win_bench.exe --live
for exe in build/host-release/bench/*; do
    # Programs only: CMake keeps folders there too, and a folder passes -x.
    if [ ! -f "$exe" ] || [ ! -x "$exe" ]; then continue; fi
    echo "== $(basename "$exe") (host build)"
    timeout 1800 "$exe"
done
echo "== idle Echoview under Wine" && timeout 3600 bash scripts/bench-idle.sh
