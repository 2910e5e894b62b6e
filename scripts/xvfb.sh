# Sourced by the scripts: start_xvfb starts a virtual X display when there is none and
# exports DISPLAY; stop_xvfb stops only what start_xvfb started.
echoview_xvfb_pid=""

start_xvfb() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    local n
    for n in $(seq 91 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    echoview_xvfb_pid=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    echo "xvfb: display :$n did not come up" >&2
    return 1
}

stop_xvfb() {
    if [ -n "$echoview_xvfb_pid" ]; then
        kill "$echoview_xvfb_pid" 2>/dev/null || true
        wait "$echoview_xvfb_pid" 2>/dev/null || true
        echoview_xvfb_pid=""
    fi
}
