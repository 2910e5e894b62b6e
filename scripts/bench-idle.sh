#!/bin/bash
# What an idle Echoview costs under Wine: CPU share of one core, memory and descriptors, with 0,
# 604,800 (a week at 1 Hz) and 6,048,000 visible samples in a 500x250 window showing one week, the
# 10 Hz week in a 1920x1080 window, and an hour at 10 Hz filling that window (span one hour), then
# a window of 3840x2100, as maximised on a 4K screen, empty and with the two weeks, beside an empty
# one of 1920x1080, and the 1 Hz week there again with the pointer resting over the plot (the readout
# following the graph; every other case has the pointer away from the window); each case three times,
# the median reported. A benchmark, not a test: it prints figures. Runs in a Wine
# prefix of its own inside build/ and on a virtual display of its own, large enough for the large
# window; stops everything it started on every way out. Options are passed to
# scripts/bench_idle.py (--seconds, --settle, --runs, --cases).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

# shellcheck source=scripts/lib.sh
. scripts/lib.sh
# shellcheck disable=SC2034 # read by start_display in lib.sh
display_screen=3840x2160x24
own_session bench-prefix

python3 -B scripts/bench_idle.py --bin "$root/build/windows/bin" --work "$root/build/windows/bench-idle" "$@"
