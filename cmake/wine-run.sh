#!/bin/sh
# Runs a Windows program under Wine with the build tree's own prefix.
# The prefix is the folder "wineprefix" beside CMakeCache.txt, found from the
# working directory upwards, unless WINEPREFIX is already set. With neither, it
# refuses: the user's own prefix or one at the file system root is never meant.
if [ -z "$WINEPREFIX" ]; then
    dir=$(pwd)
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do
        dir=$(dirname "$dir")
    done
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        echo "wine-run.sh: no CMakeCache.txt in $(pwd) or above it, and WINEPREFIX is not set" >&2
        exit 125
    fi
    WINEPREFIX="${dir%/}/wineprefix"
    export WINEPREFIX
fi
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
