# Sourced by the scripts that run the real program for a while (bench-idle.sh, soak.sh):
# own_session PREFIX_NAME installs and builds what is needed, then gives the run a Wine
# prefix of its own (build/windows/PREFIX_NAME) and a virtual display of its own, even
# under a desktop, so that nothing covers, moves or types into the window. Everything it
# starts is stopped on every way out. Sets `bin` to the folder of the programs.
own_session() {
    bash scripts/setup.sh || exit 1
    cmake --preset windows >/dev/null || exit 1
    cmake --build --preset windows --target echoview echofeed >/dev/null || exit 1

    export WINEDEBUG=-all
    export WINEPREFIX="$root/build/windows/$1"
    . scripts/xvfb.sh
    trap 'timeout 20 wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
    trap 'exit 130' INT TERM

    sh cmake/wine-prefix-setup.sh "$WINEPREFIX" || exit 1
    unset DISPLAY
    start_xvfb || exit 1
    export ECHOVIEW_XVFB_PID="$echoview_xvfb_pid"
    bin="$root/build/windows/bin"
}
