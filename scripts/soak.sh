#!/bin/bash
# Soak of the real Echoview under Wine for MINUTES minutes (not part of the tests):
#     bash scripts/soak.sh MINUTES [--seed N]
# Feeds 100 samples/s with late and hostile batches mixed in, drives the context menu with real
# input every few seconds and resizes the window now and then; prints memory, CPU share and the
# sample count each minute. Exits non-zero on a crash, a hang (no answer within 5 s), memory growing
# faster than the samples, or menu choices that did not take effect. Runs in a Wine prefix of its
# own inside build/ and on a virtual display of its own; stops everything it started on every way out.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

if [ $# -lt 1 ]; then
    echo "usage: bash scripts/soak.sh MINUTES [--seed N]" >&2
    exit 1
fi

# shellcheck source=scripts/lib.sh
. scripts/lib.sh
own_session soak-prefix

python3 -B scripts/soak.py "$@" --bin "$root/build/windows/bin" --work "$root/build/windows/soak"
