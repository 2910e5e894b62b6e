#!/bin/bash
# Builds everything and runs every test: the Windows program and its tests under Wine,
# the same built with clang and its program through the end-to-end smoke test,
# the platform-free code on the host under AddressSanitizer and UBSan, the fuzz targets
# for a bounded time, the release package (its imports, and the end-to-end smoke test
# with the packed program) and the checks of the sources (formatting, shellcheck, pyflakes).
# Exits non-zero on any failure. Every step has a time limit.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
# shellcheck source=scripts/lib.sh
. scripts/lib.sh

# The presets built and tested, in this order; a preset more is a word more here.
presets=(windows host fuzz)

bash scripts/setup.sh || exit 1
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

start_display || failed+=("display")
trap 'stop_display' EXIT
export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/wineprefix"

for preset in "${presets[@]}"; do
    if step "build $preset" build_preset "$preset"; then
        step "test $preset" timeout 5400 ctest --preset "$preset" -j "$build_jobs" --timeout 900
    fi
done

# The second compiler: everything built with clang, and its program through the end-to-end
# smoke test as scripts/package.sh runs it on the packed programs.
smoke_test() { # smoke_test <preset>
    use_wine_prefix "$root/build/windows/wineprefix" &&
        timeout 300 python3 -B tests/e2e/e2e.py window --bin "build/$1/bin" --work "build/$1/e2e-smoke"
}
if step "build windows-clang" build_preset windows-clang; then
    step "smoke test windows-clang" smoke_test windows-clang
fi

step "package" bash scripts/package.sh --check

# The Wine servers of the test prefixes stay up between tests; stop them with the run.
for preset in "${presets[@]}"; do
    stop_wine "$root/build/$preset/wineprefix"
done
stop_wine "$root/build/windows/wineprefix-144"

step "formatting" bash scripts/check-format.sh

echo
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All builds and tests passed."
