#!/bin/bash
# What an idle Echoview costs under Wine: CPU share of one core over 60 s, memory and descriptors,
# with 0, 604,800 (a week at 1 Hz) and 6,048,000 visible samples in a 500x250 window showing one
# week. A benchmark, not a test: it prints figures. Runs in a Wine prefix of its own inside build/
# and on a virtual display of its own; stops everything it started on every way out.
# Options are passed to scripts/bench_idle.py (--seconds, --settle, --counts).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

# shellcheck source=scripts/lib.sh
. scripts/lib.sh
own_session bench-prefix

python3 -B scripts/bench_idle.py --bin "$root/build/windows/bin" --work "$root/build/windows/bench-idle" "$@"
