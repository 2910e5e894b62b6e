#!/bin/sh
# Runs a Windows program under Wine with the build tree's own prefix.
# The prefix is the folder "wineprefix" beside CMakeCache.txt, found from the
# working directory upwards, unless WINEPREFIX is already set.
if [ -z "$WINEPREFIX" ]; then
    dir=$(pwd)
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do
        dir=$(dirname "$dir")
    done
    WINEPREFIX="$dir/wineprefix"
    export WINEPREFIX
fi
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
