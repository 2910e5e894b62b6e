#!/bin/bash
# Echoview's main job, end to end: installs what is missing, builds, starts Echoview under
# Wine (on a virtual display when there is none), feeds it pings of 127.0.0.1 (a synthetic
# stream where ICMP is refused), saves the screenshot echoview-demo.png, closes the window
# and prints the settings it saved. With a real display the window stays open until you
# close it.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

title='Echoview 5.00 - www.norvane.example'
key='HKCU\Software\Norvane\echoview'
bin="$root/build/windows/bin"
shot="$root/echoview-demo.png"

fail() {
    echo "demo: $*" >&2
    exit 1
}

bash scripts/setup.sh || fail "could not install the packages the demo needs"

echo "demo: building (preset windows)"
cmake --preset windows >build-demo-configure.log 2>&1 || { cat build-demo-configure.log; fail "configure failed"; }
rm -f build-demo-configure.log
cmake --build --preset windows --target echoview echofeed 2>&1 | tail -n 1
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "build failed"

. scripts/xvfb.sh
start_xvfb || fail "no display"
trap 'stop_xvfb' EXIT
virtual_display=$([ -n "$echoview_xvfb_pid" ] && echo yes || echo no)

export WINEDEBUG=-all
export WINEPREFIX="$root/build/windows/demo-prefix"
echo "demo: Wine prefix $WINEPREFIX"
sh cmake/wine-prefix-setup.sh "$WINEPREFIX" || fail "could not prepare the Wine prefix"

feed() { wine "$bin/echofeed.exe" "$@"; }

if feed info >/dev/null 2>&1; then
    fail "an Echoview window is already running in this prefix; close it first"
fi

echo "demo: starting Echoview"
wine "$bin/echoview.exe" --echoprobe >"$root/build/windows/demo-echoview.log" 2>&1 &
echoview_pid=$!
for _ in $(seq 1 100); do
    feed info >/dev/null 2>&1 && break
    sleep 0.2
done
feed info >/dev/null 2>&1 || fail "the Echoview window did not appear"

echo "demo: pinging 127.0.0.1"
feed ping 127.0.0.1 -n 40 -i 0.25 --repaint
status=$?
if [ "$status" -eq 3 ] || [ "$status" -eq 6 ]; then
    echo "demo: ICMP refused here; feeding a synthetic stream instead"
    feed synth -n 60 --rate 10 --batch 5 --base 0.4 --jitter 0.05 --drift 0.5 --repaint || fail "synth failed"
elif [ "$status" -ne 0 ]; then
    fail "echofeed ping failed with exit code $status"
fi

feed info --repaint
sleep 0.7
import -window root "$shot" || fail "no screenshot"
echo "demo: screenshot saved to $shot"

if [ "$virtual_display" = yes ]; then
    read -r _ cx cy _ _ < <(feed info | grep '^client')
    xdotool mousemove $((cx + 5)) $((cy + 5)) click 1
    sleep 0.3
    xdotool key alt+F4
else
    echo "demo: close the Echoview window to finish"
fi
wait "$echoview_pid"
echo "demo: Echoview exited with code $?"

echo "demo: settings saved under $key"
wine reg query "$key"
wineserver -w
