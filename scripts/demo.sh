#!/bin/bash
# Echoview's main job, end to end: installs what is missing, builds, starts Echoview under Wine and
# feeds it pings of 127.0.0.1 (a synthetic stream where ICMP is refused).
# - With a display, the window opens on it and the feed goes on until you close the window; the
#   demo never touches your pointer or keyboard.
# - Without one, it runs about 20 seconds on a virtual display of its own, chooses the "10 secs"
#   time scale through the context menu with a real right click and keys, saves echoview-demo.png
#   (the window; the README shows it) and echoview-demo.gif (a frame every 500 ms), closes the
#   window as a user would and prints the settings Echoview saved.
# Runs in a Wine prefix of its own inside build/. Every wait has a time limit, everything started
# here is stopped on every way out, and nothing is written into the repository root but the two
# pictures (the rest goes to build/).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

# shellcheck source=scripts/lib.sh
. scripts/lib.sh
own_session demo-prefix keep-display
own_display=no
[ -z "$display_pid" ] || own_display=yes

python3 -B scripts/demo.py --bin "$root/build/windows/bin" --work "$root/build/windows/demo" \
    --own-display "$own_display" --png "$root/echoview-demo.png" --gif "$root/echoview-demo.gif"
