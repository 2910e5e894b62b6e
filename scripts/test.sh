#!/bin/bash
# Builds everything and runs every test: the Windows program and its tests under Wine,
# the same built with clang and its program through the end-to-end smoke test,
# the platform-free code on the host under AddressSanitizer and UBSan, the fuzz targets
# for a bounded time, the release package (its imports, and the end-to-end smoke test
# with the packed program) and the source formatting. Exits non-zero on any failure.
# Every step has a time limit.
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
    timeout 600 cmake --preset "$1" >"build/$1-configure.log" 2>&1 || { cat "build/$1-configure.log"; return 1; }
    timeout 5400 cmake --build --preset "$1" -j "$jobs" >"build/$1-build.log" 2>&1
    local code=$?
    tail -n 3 "build/$1-build.log"
    [ "$code" -eq 0 ] || echo "build of $1 failed (exit code $code; whole log: build/$1-build.log)"
    return "$code"
}

mkdir -p build
start_xvfb || failed+=("xvfb")
trap 'stop_xvfb' EXIT

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/wineprefix"

for preset in windows host fuzz; do
    if step "build $preset" build "$preset"; then
        step "test $preset" timeout 5400 ctest --preset "$preset" -j "$jobs" --timeout 900
    fi
done

# The second compiler: everything built with clang, and its program through the end-to-end
# smoke test as scripts/package.sh runs it on the packed programs.
smoke_test() { # smoke_test <preset>
    timeout 600 sh cmake/wine-prefix-setup.sh "$WINEPREFIX" &&
        timeout 300 python3 -B tests/e2e/e2e.py window --bin "build/$1/bin" --work "build/$1/e2e-smoke"
}
if step "build windows-clang" build windows-clang; then
    step "smoke test windows-clang" smoke_test windows-clang
fi

step "package" bash scripts/package.sh --check

# The Wine server of the test prefix stays up between tests; stop it with the run.
WINEPREFIX="$root/build/windows/wineprefix" timeout 20 wineserver -k 2>/dev/null || true

step "formatting" bash scripts/check-format.sh

echo
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All builds and tests passed."
