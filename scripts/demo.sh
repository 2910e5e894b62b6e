#!/bin/bash
# Echoview's main job, end to end: installs what is missing, builds, starts Echoview under Wine and
# feeds it pings of 127.0.0.1 (a synthetic stream where ICMP is refused).
# - With a display, the window opens on it and the feed goes on until you close the window.
# - Without one, it runs about 20 seconds on a virtual display, saves echoview-demo.png (the window)
#   and echoview-demo.gif (the graph scrolling, a frame every 500 ms), closes the window as a user
#   would and prints the settings Echoview saved.
# Every wait has a time limit, everything started here is stopped on every way out, and nothing is
# written into the repository root but the two pictures (the rest goes to build/).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

key='HKCU\Software\Norvane\echoview'
title='Echoview 5.00 - www.norvane.example'
bin="$root/build/windows/bin"
work="$root/build/windows/demo"
png="$root/echoview-demo.png"
gif="$root/echoview-demo.gif"
seconds=20          # length of the run on a virtual display
frame_ms=500        # one frame of the animation per repaint tick
user_minutes=60     # on a real display: after this the demo closes the window itself
echoview_pid=""
feeder_pid=""

log() { echo "demo: $*"; }
fail() {
    echo "demo: $*" >&2
    exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
running() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }

# wait_gone PID SECONDS: true once the process has ended, false when it still runs at the limit.
wait_gone() {
    local deadline=$(($(now_ms) + $2 * 1000))
    while running "$1"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

feed() { timeout 60 wine "$bin/echofeed.exe" "$@"; }

bash scripts/setup.sh || fail "could not install the packages the demo needs"

mkdir -p build
log "building (preset windows)"
cmake --preset windows >build/demo-configure.log 2>&1 || {
    cat build/demo-configure.log
    fail "configure failed"
}
cmake --build --preset windows --target echoview echofeed 2>&1 | tail -n 1
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "build failed"

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/demo-prefix"
mkdir -p "$work"
rm -f "$work"/frame-*.png

. scripts/xvfb.sh
cleanup() {
    local pid
    for pid in $feeder_pid $echoview_pid; do
        kill "$pid" 2>/dev/null
    done
    # The Wine server of the demo's own prefix, and any program of that prefix still running.
    timeout 20 wineserver -k 2>/dev/null
    stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

if [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1; then
    virtual=no
else
    unset DISPLAY
    start_xvfb || fail "no virtual display"
    virtual=yes
fi

log "Wine prefix $WINEPREFIX"
timeout 300 sh cmake/wine-prefix-setup.sh "$WINEPREFIX" || fail "could not prepare the Wine prefix"

feed info >/dev/null 2>&1
[ $? -eq 2 ] || fail "an Echoview window is already running in this prefix; close it first"

log "starting Echoview"
wine "$bin/echoview.exe" --echoprobe >"$work/echoview.log" 2>&1 &
echoview_pid=$!
deadline=$(($(now_ms) + 60000))
until feed info >/dev/null 2>&1; do
    running "$echoview_pid" || fail "Echoview ended at start (see $work/echoview.log)"
    [ "$(now_ms)" -lt "$deadline" ] || fail "the Echoview window did not appear within 60 s"
    sleep 0.3
done

# One ping tells whether ICMP works here (as root it does under Wine).
feed ping 127.0.0.1 -n 1 -w 1000 >/dev/null 2>&1
status=$?
if [ "$virtual" = yes ]; then count=$((seconds * 4)); else count=0; fi
if [ "$status" -eq 0 ]; then
    log "pinging 127.0.0.1 four times a second"
    wine "$bin/echofeed.exe" ping 127.0.0.1 -n "$count" -i 0.25 >"$work/feed.log" 2>&1 &
elif [ "$status" -eq 3 ] || [ "$status" -eq 6 ]; then
    log "ICMP refused here; feeding a synthetic stream instead"
    wine "$bin/echofeed.exe" synth -n $((count * 5 / 2)) --rate 10 --batch 5 --base 0.4 --jitter 0.05 \
        --drift 0.5 >"$work/feed.log" 2>&1 &
else
    fail "echofeed ping failed with exit code $status"
fi
feeder_pid=$!

# close_window: Alt+F4 on the window as a user would do it, twice if need be; true once Echoview ended.
close_window() {
    local attempt cx cy
    for attempt in 1 2; do
        running "$echoview_pid" || return 0
        read -r _ cx cy _ _ < <(feed info 2>/dev/null | grep '^client')
        if [ -n "${cx:-}" ]; then
            timeout 10 xdotool search --name "^$title\$" windowraise %@ >/dev/null 2>&1
            timeout 10 xdotool mousemove $((cx + 5)) $((cy + 5)) click 1
            sleep 0.3
            timeout 10 xdotool key alt+F4
        fi
        wait_gone "$echoview_pid" 10 && return 0
    done
    return 1
}

if [ "$virtual" = yes ]; then
    read -r _ cx cy cw ch < <(feed info | grep '^client')
    [ -n "${ch:-}" ] || fail "no window geometry"
    log "recording the window for $seconds s"
    frames=$((seconds * 1000 / frame_ms))
    due=$(now_ms)
    for i in $(seq -w 0 $((frames - 1))); do
        wait_ms=$((due - $(now_ms)))
        [ "$wait_ms" -gt 0 ] && sleep "$((wait_ms / 1000)).$(printf %03d $((wait_ms % 1000)))"
        timeout 10 import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$work/frame-$i.png" ||
            fail "screenshot failed"
        due=$((due + frame_ms))
        # Slow screenshots (a busy machine) stretch the interval rather than bunch the frames.
        [ "$due" -ge "$(now_ms)" ] || due=$(now_ms)
    done
    wait_gone "$feeder_pid" 15 || kill "$feeder_pid" 2>/dev/null
    tail -n 1 "$work/feed.log"
    cp "$work/frame-$i.png" "$png" || fail "no picture"
    log "saved $png"
    timeout 120 convert -delay $((frame_ms / 10)) -loop 0 "$work"/frame-*.png -layers Optimize "$gif" ||
        fail "could not make the animation"
    log "saved $gif ($frames frames, one every $frame_ms ms)"
    close_window || fail "Echoview did not close on Alt+F4"
else
    log "close the Echoview window to finish (after $user_minutes minutes the demo closes it)"
    deadline=$(($(now_ms) + user_minutes * 60000))
    while running "$echoview_pid" && [ "$(now_ms)" -lt "$deadline" ]; do
        sleep 1
    done
    close_window || fail "Echoview did not close on Alt+F4"
    # The feed stops by itself once the window has gone.
    wait_gone "$feeder_pid" 15 || kill "$feeder_pid" 2>/dev/null
    tail -n 1 "$work/feed.log"
fi

wait "$echoview_pid"
log "Echoview exited with code $?"
echoview_pid=""

log "settings saved under $key"
timeout 60 wine reg query "$key"
timeout 30 wineserver -w
