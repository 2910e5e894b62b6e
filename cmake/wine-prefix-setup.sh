#!/bin/sh
# Creates the test Wine prefix: fonts mapped so that "Arial" resolves to
# Liberation Sans and label sizes stay stable from run to run.
# usage: wine-prefix-setup.sh PREFIX [LOGPIXELS]
# With LOGPIXELS (120, 144, 192, ...) the prefix's display scale is that DPI instead of 96:
# Wine reports it to every program started once its server has ended.
#
# The ready-marker holds the version of this setup. Raise setup_version with any
# change below, so that prefixes made by an earlier setup are set up again.
# Each Wine step has a time limit: a prefix that cannot be made fails the setup
# instead of hanging it.
set -e
setup_version=2
prefix=$(realpath -m "$1")
dpi=${2:-96}
marker="$prefix/.echoview-ready"
ready=$setup_version
[ "$dpi" = 96 ] || ready="$setup_version dpi $dpi"
export WINEPREFIX="$prefix" WINEDEBUG=-all
if [ "$(cat "$marker" 2>/dev/null)" != "$ready" ]; then
    mkdir -p "$prefix"
    timeout 300 wineboot -i >/dev/null 2>&1 || true
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft Sans Serif' /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    if ! timeout 120 wineserver -w; then
        echo "wine-prefix-setup: the Wine server of $prefix did not end within 120 s" >&2
        exit 1
    fi
    echo "$ready" >"$marker"
fi
