#!/bin/sh
# Creates the test Wine prefix: fonts mapped so that "Arial" resolves to
# Liberation Sans and label sizes stay stable from run to run.
#
# The ready-marker holds the version of this setup. Raise setup_version with any
# change below, so that prefixes made by an earlier setup are set up again.
# Each Wine step has a time limit: a prefix that cannot be made fails the setup
# instead of hanging it.
set -e
setup_version=2
prefix=$(realpath -m "$1")
marker="$prefix/.echoview-ready"
export WINEPREFIX="$prefix" WINEDEBUG=-all
if [ "$(cat "$marker" 2>/dev/null)" != "$setup_version" ]; then
    mkdir -p "$prefix"
    timeout 300 wineboot -i >/dev/null 2>&1 || true
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft Sans Serif' /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    if ! timeout 120 wineserver -w; then
        echo "wine-prefix-setup: the Wine server of $prefix did not end within 120 s" >&2
        exit 1
    fi
    echo "$setup_version" >"$marker"
fi
