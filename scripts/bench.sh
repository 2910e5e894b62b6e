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
# The save of a week's samples and the live paints are timed on the program as it ships too.
build_preset windows-release save_win_bench render_win_bench || exit 1

trap 'stop_wine; stop_display' EXIT
use_wine_prefix "$root/build/windows/wineprefix" || exit 1
start_display || exit 1

for exe in build/windows/bench/*.exe; do
    [ -e "$exe" ] || continue
    [ "$(basename "$exe")" != save_win_bench.exe ] || continue
    echo "== $(basename "$exe" .exe) (Windows build under Wine)"
    timeout 1800 wine "$exe"
done
echo "== save_win_bench (shipped build, windows-release, under Wine)"
timeout 600 wine build/windows-release/bench/save_win_bench.exe
echo "== render_win_bench --live (windows-release build under Wine)"
timeout 1800 wine build/windows-release/bench/render_win_bench.exe --live
for exe in build/host-release/bench/*; do
    # Programs only: CMake keeps folders there too, and a folder passes -x.
    if [ ! -f "$exe" ] || [ ! -x "$exe" ]; then continue; fi
    echo "== $(basename "$exe") (host build)"
    timeout 1800 "$exe"
done
echo "== idle Echoview under Wine" && timeout 3600 bash scripts/bench-idle.sh
