#!/bin/bash
# What an idle Echoview costs under Wine: CPU share of one core over 60 s, memory and descriptors,
# with 0, 604,800 (a week at 1 Hz) and 6,048,000 visible samples in a 500x250 window showing one
# week. A benchmark, not a test: it prints figures. Runs in a Wine prefix of its own inside build/
# and on a virtual display of its own; stops everything it started on every way out.
# Options are passed to scripts/bench_idle.py (--seconds, --settle, --counts).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1
cmake --preset windows >/dev/null || exit 1
cmake --build --preset windows --target echoview echofeed >/dev/null || exit 1

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/bench-prefix"
. scripts/xvfb.sh
cleanup() {
    timeout 20 wineserver -k 2>/dev/null || true
    stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

sh cmake/wine-prefix-setup.sh "$WINEPREFIX" || exit 1
# A display of its own even under a desktop: the window must not be covered or moved.
unset DISPLAY
start_xvfb || exit 1
export ECHOVIEW_XVFB_PID="$echoview_xvfb_pid"

python3 scripts/bench_idle.py --bin "$root/build/windows/bin" --work "$root/build/windows/bench-idle" "$@"
