#!/bin/bash
# Runs a command with a display for its windows: the one DISPLAY names when it answers, else a
# virtual one of its own while the command runs. CTest runs the end-to-end tests through it, so
# that they run where no display was started for them too.
#     bash scripts/with-display.sh COMMAND [ARGUMENT...]
set -uo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"
start_display || exit 1
trap 'stop_display' EXIT
trap 'exit 130' INT TERM HUP
"$@"
