#!/bin/sh
# Creates the test Wine prefix once: fonts mapped so that "Arial" resolves to
# Liberation Sans and label sizes stay stable from run to run.
set -e
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all
if [ ! -f "$prefix/.echoview-ready" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft Sans Serif' /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.echoview-ready"
fi
