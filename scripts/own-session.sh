# Sourced by the scripts that run the real program (demo.sh, bench-idle.sh, soak.sh):
# own_session PREFIX_NAME [keep-display] installs and builds what is needed, then gives the run a
# Wine prefix of its own (build/windows/PREFIX_NAME) and a virtual display of its own, so that
# nothing covers, moves or types into the window. With keep-display, a display the user already
# has is used instead (own_display=no). Everything it starts is stopped on every way out. Sets
# `bin` to the folder of the programs. Every step has a time limit and says when it failed.
own_session() {
    bash scripts/setup.sh || exit 1
    mkdir -p build
    timeout 600 cmake --preset windows >build/own-session-configure.log 2>&1 || {
        cat build/own-session-configure.log
        echo "$0: configuring the build failed" >&2
        exit 1
    }
    timeout 3600 cmake --build --preset windows --target echoview echofeed >build/own-session-build.log 2>&1 || {
        tail -n 40 build/own-session-build.log
        echo "$0: building echoview and echofeed failed (whole log: build/own-session-build.log)" >&2
        exit 1
    }

    export WINEDEBUG=-all
    export WINEPREFIX="$root/build/windows/$1"
    . scripts/xvfb.sh
    trap 'timeout 20 wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
    trap 'exit 130' INT TERM HUP

    timeout 600 sh cmake/wine-prefix-setup.sh "$WINEPREFIX" || {
        echo "$0: could not prepare the Wine prefix $WINEPREFIX" >&2
        exit 1
    }
    if [ "${2:-}" = keep-display ] && [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1; then
        own_display=no
    else
        unset DISPLAY
        start_xvfb || exit 1
        own_display=yes
    fi
    export ECHOVIEW_XVFB_PID="$echoview_xvfb_pid"
    bin="$root/build/windows/bin"
}
