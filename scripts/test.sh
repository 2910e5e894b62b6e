#!/bin/bash
# Builds everything and runs every test: the Windows program and its tests under Wine,
# the platform-free code on the host under AddressSanitizer and UBSan, the fuzz targets
# for a bounded time, and the source formatting. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1
. scripts/xvfb.sh

jobs=$(nproc 2>/dev/null || echo 2)
failed=()

step() { # step <name> <command...>
    local name=$1
    shift
    echo "== $name"
    if ! "$@"; then
        failed+=("$name")
        return 1
    fi
}

build() { # build <preset>
    cmake --preset "$1" >"build/$1-configure.log" 2>&1 || { cat "build/$1-configure.log"; return 1; }
    cmake --build --preset "$1" -j "$jobs" 2>&1 | tail -n 3
    return "${PIPESTATUS[0]}"
}

mkdir -p build
start_xvfb || failed+=("xvfb")
trap 'stop_xvfb' EXIT

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/wineprefix"

for preset in windows host fuzz; do
    if step "build $preset" build "$preset"; then
        step "test $preset" ctest --preset "$preset" -j "$jobs" --timeout 900
    fi
    done

# The Wine server of the test prefix stays up between tests; stop it with the run.
WINEPREFIX="$root/build/windows/wineprefix" wineserver -k 2>/dev/null || true

step "formatting" bash scripts/check-format.sh

echo
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All builds and tests passed."
