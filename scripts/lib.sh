# shellcheck shell=bash
# Sourced by the scripts: the steps they share. A function that fails says what failed, naming
# the script, and returns non-zero; whether to go on is the script's choice.
#   build_preset PRESET [TARGET...]         configure and build a preset
#   start_display [own], stop_display       a display for the windows, a virtual one if need be
#   use_wine_prefix PATH, stop_wine [PATH]  a Wine prefix for the run, and the end of its server
#   product_value NAME                      a name from res/product.txt
#   own_session PREFIX_NAME [keep-display]  all of them for a run of the real program

lib_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
lib_script=$(basename "$0" .sh)
build_jobs=$(nproc 2>/dev/null || echo 2)
display_pid=""

lib_fail() {
    echo "$lib_script: $*" >&2
    return 1
}

# lib_logged WHAT LOG SECONDS COMMAND...: COMMAND within SECONDS, its output in LOG; when it
# fails, the end of LOG and what failed.
lib_logged() {
    local what=$1 log=$2 seconds=$3 code
    shift 3
    timeout "$seconds" "$@" >"$log" 2>&1
    code=$?
    [ "$code" -ne 0 ] || return 0
    tail -n 40 "$log"
    if [ "$code" -eq 124 ]; then
        lib_fail "$what did not end within $seconds s (whole log: $log)"
    else
        lib_fail "$what failed with exit code $code (whole log: $log)"
    fi
}

# build_preset PRESET [TARGET...]: configures and builds PRESET of the checkout in the current
# folder, only the TARGETs when some are named. Each step has a time limit and a log of its own,
# build/PRESET-configure.log and build/PRESET-build.log.
build_preset() {
    local preset=$1 started=$SECONDS targets=()
    shift
    [ $# -eq 0 ] || targets=(--target "$@")
    mkdir -p build || return 1
    lib_logged "configuring $preset" "$PWD/build/$preset-configure.log" 600 cmake --preset "$preset" || return 1
    lib_logged "building $preset" "$PWD/build/$preset-build.log" 5400 \
        cmake --build --preset "$preset" -j "$build_jobs" "${targets[@]}" || return 1
    echo "$lib_script: built $preset in $((SECONDS - started)) s"
}

# start_display [own]: a display for the run's windows, exported as DISPLAY: the one DISPLAY names
# when it answers (unless `own` is asked for), else a virtual one of our own on the first free
# number from :91 to :190, of the size display_screen gives (1280x1024x24 unless the caller sets
# it). Xvfb itself claims the number, so two runs starting at once never share a display.
start_display() {
    if [ "${1:-}" != own ] && [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local n ready up
    ready=$(mktemp) || return 1
    for n in $(seq 91 190); do
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        # Xvfb writes the number to descriptor 3 once it listens, and ends at once when another
        # server holds it.
        Xvfb ":$n" -screen 0 "${display_screen:-1280x1024x24}" -nolisten tcp -displayfd 3 3>"$ready" >/dev/null 2>&1 &
        display_pid=$!
        up=no
        for _ in $(seq 1 100); do
            [ -s "$ready" ] && up=yes && break
            kill -0 "$display_pid" 2>/dev/null || break
            sleep 0.1
        done
        if [ "$up" = yes ]; then
            rm -f "$ready"
            export DISPLAY=":$n"
            return 0
        fi
        if kill -0 "$display_pid" 2>/dev/null; then
            stop_display
            rm -f "$ready"
            lib_fail "the virtual display :$n did not come up within 10 s"
            return 1
        fi
        wait "$display_pid" 2>/dev/null
        display_pid=""
    done
    rm -f "$ready"
    lib_fail "no free display number from :91 to :190"
}

# stop_display: stops the virtual display start_display started, if it did.
stop_display() {
    [ -n "$display_pid" ] || return 0
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
    display_pid=""
}

# use_wine_prefix PATH: the Wine prefix of the run's programs (exported as WINEPREFIX), set up.
use_wine_prefix() {
    export WINEDEBUG=-all WINEPREFIX="$1"
    timeout 600 sh "$lib_root/cmake/wine-prefix-setup.sh" "$WINEPREFIX" ||
        lib_fail "could not set up the Wine prefix $WINEPREFIX"
}

# stop_wine [PATH]: ends the Wine server of the prefix PATH (default: WINEPREFIX), and with it
# whatever still runs there. Never the user's own prefix: without a PATH it does nothing.
stop_wine() {
    local prefix=${1:-${WINEPREFIX:-}}
    [ -n "$prefix" ] && [ -d "$prefix" ] || return 0
    WINEPREFIX=$prefix timeout 20 wineserver -k 2>/dev/null || true
}

# product_value NAME: the value of NAME in res/product.txt (version, title, settings_key), with
# "@version@" replaced by the version.
product_value() {
    local file="$lib_root/res/product.txt" value version
    value=$(sed -n "s/^$1=//p" "$file" | head -n 1)
    version=$(sed -n 's/^version=//p' "$file" | head -n 1)
    if [ -z "$value" ]; then
        lib_fail "no $1= in $file"
        return 1
    fi
    printf '%s\n' "${value//@version@/$version}"
}

# own_session PREFIX_NAME [keep-display], for the scripts that run the real program (demo.sh,
# bench-idle.sh, soak.sh): installs what is missing, builds echoview and echofeed, and gives the
# run a Wine prefix of its own (build/windows/PREFIX_NAME) and a virtual display of its own, so
# that nothing covers, moves or types into the window; with keep-display, a display the user has
# is used instead. Everything it starts is stopped on every way out. Ends the script on a failure.
own_session() {
    bash "$lib_root/scripts/setup.sh" || exit 1
    build_preset windows echoview echofeed || exit 1
    trap 'stop_wine; stop_display' EXIT
    trap 'exit 130' INT TERM HUP
    use_wine_prefix "$lib_root/build/windows/$1" || exit 1
    if [ "${2:-}" = keep-display ]; then
        start_display || exit 1
    else
        start_display own || exit 1
    fi
    # The idle benchmark measures what the virtual display costs too.
    export ECHOVIEW_XVFB_PID="$display_pid"
}
