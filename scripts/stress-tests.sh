#!/bin/bash
# Runs the Windows and host test suites N times in a row while another load keeps every core
# busy, the way a shared CI machine often is, and prints each failure with its test name:
#     bash scripts/stress-tests.sh N
# A test that passes only on a quiet machine fails here. Exits non-zero when any run failed.
# Everything it starts (the load, a virtual display, the Wine server of the test prefix) is
# stopped on every way out.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
# shellcheck source=scripts/lib.sh
. scripts/lib.sh
lib_script=stress # as its own messages say

runs=${1:-}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: bash scripts/stress-tests.sh N" >&2
    exit 1
fi

bash scripts/setup.sh || exit 1
mkdir -p build/stress
jobs=$build_jobs

for preset in windows host; do
    build_preset "$preset" || exit 1
done

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/wineprefix"
load_pids=()
stop_load() {
    local pid
    for pid in "${load_pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${load_pids[@]}"; do wait "$pid" 2>/dev/null; done
    load_pids=()
}
trap 'stop_load; stop_wine; stop_display' EXIT
trap 'exit 130' INT TERM HUP
start_display || exit 1

# One busy loop per core, at the tests' own priority.
for _ in $(seq 1 "$jobs"); do
    yes >/dev/null &
    load_pids+=($!)
done
echo "stress: $runs runs of the windows and host suites, ${#load_pids[@]} busy loops beside them"

failures=0
for run in $(seq 1 "$runs"); do
    for preset in windows host; do
        log="build/stress/run-$run-$preset.log"
        started=$(date +%s)
        timeout 5400 ctest --preset "$preset" -j "$jobs" --timeout 900 >"$log" 2>&1
        code=$?
        seconds=$(($(date +%s) - started))
        summary=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1)
        if [ "$code" -eq 0 ]; then
            echo "stress: run $run $preset: ${summary:-passed} (${seconds} s)"
            continue
        fi
        echo "stress: run $run $preset: FAILED, exit code $code (${seconds} s, log $log)"
        # The CTest tests that failed, and inside them the GoogleTest cases and the
        # end-to-end messages, each with its name.
        sed -En 's/^[[:space:]]*[0-9]+ - (.*) \((.*)\)$/stress:   test \1 (\2)/p' "$log"
        grep -E '^\[  FAILED  \] [A-Za-z_0-9]+\.[A-Za-z_0-9/]+' "$log" | sort -u | sed 's/^/stress:     /'
        grep -E '^FAILED: ' "$log" | sed 's/^/stress:     /'
        [ "$code" -eq 124 ] && echo "stress:   the run did not end within its time limit"
        failures=$((failures + 1))
    done
done

stop_load
if [ "$failures" -gt 0 ]; then
    echo "stress: $failures of $((runs * 2)) suite runs failed"
    exit 1
fi
echo "stress: all $((runs * 2)) suite runs passed under load"
