#!/bin/bash
# Soak of the real Echoview under Wine for MINUTES minutes (not part of the tests):
#     bash scripts/soak.sh MINUTES [--seed N]
# Feeds 100 samples/s with late and hostile batches mixed in, drives the context menu with real
# input every few seconds and resizes the window now and then; prints memory, CPU share and the
# sample count each minute. Exits non-zero on a crash, a hang (no answer within 5 s), memory growing
# faster than the samples, or menu choices that did not take effect. Runs in a Wine prefix of its
# own inside build/ and on a virtual display of its own; stops everything it started on every way out.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ $# -lt 1 ]; then
    echo "usage: bash scripts/soak.sh MINUTES [--seed N]" >&2
    exit 1
fi

bash scripts/setup.sh || exit 1
cmake --preset windows >/dev/null || exit 1
cmake --build --preset windows --target echoview echofeed >/dev/null || exit 1

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/soak-prefix"
. scripts/xvfb.sh
cleanup() {
    timeout 20 wineserver -k 2>/dev/null || true
    stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

sh cmake/wine-prefix-setup.sh "$WINEPREFIX" || exit 1
# A display of its own even under a desktop: the input it sends must reach only Echoview.
unset DISPLAY
start_xvfb || exit 1

python3 scripts/soak.py "$@" --bin "$root/build/windows/bin" --work "$root/build/windows/soak"
