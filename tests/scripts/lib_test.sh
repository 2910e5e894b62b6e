#!/bin/bash
# The scripts' shared steps (scripts/lib.sh), in a scratch copy of the repository's layout: the
# build of a preset with a stand-in cmake on PATH, the product's names, the end of a Wine server
# with a stand-in wineserver, and real virtual displays.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'touch "$scratch/release"; wait; rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

mkdir -p "$scratch/tree/scripts" "$scratch/tree/res" "$scratch/bin"
cp "$root/scripts/lib.sh" "$scratch/tree/scripts/"
# A stand-in cmake: logs its arguments, says a line, and exits with the code named by the
# file fail-WORD when its first or second argument is WORD.
cat >"$scratch/bin/cmake" <<STUB
#!/bin/sh
echo "cmake \$*" >>"$scratch/calls"
echo "output of cmake \$*"
for word in "\$1" "\$2"; do
    [ -f "$scratch/fail\$word" ] && exit "\$(cat "$scratch/fail\$word")"
done
exit 0
STUB
cat >"$scratch/bin/wineserver" <<STUB
#!/bin/sh
echo "wineserver \$* WINEPREFIX=\$WINEPREFIX" >>"$scratch/calls"
STUB
chmod +x "$scratch/bin/cmake" "$scratch/bin/wineserver"
export PATH="$scratch/bin:$PATH"
cd "$scratch/tree" || exit 1
# shellcheck source=scripts/lib.sh
. scripts/lib.sh
lib_script=lib_test

# build_preset: configure, then build with the jobs and targets; each step's output in its log.
: >"$scratch/calls"
out=$(build_preset demo echoview echofeed 2>&1) || fail "build_preset failed: $out"
expected="cmake --preset demo
cmake --build --preset demo -j $build_jobs --target echoview echofeed"
[ "$(cat "$scratch/calls")" = "$expected" ] || fail "build_preset ran: $(cat "$scratch/calls")"
grep -qx "output of cmake --preset demo" build/demo-configure.log || fail "no configure log"
grep -q "^output of cmake --build" build/demo-build.log || fail "no build log"
[[ "$out" == "lib_test: built demo in "*" s" ]] || fail "build_preset said: $out"

# A failed step: the end of its log, what failed with the exit code, and no step after it.
: >"$scratch/calls"
echo 3 >"$scratch/fail--preset"
out=$(build_preset demo 2>&1) && fail "a failed configure step passed"
[ "$(wc -l <"$scratch/calls")" -eq 1 ] || fail "the build ran after a failed configure: $(cat "$scratch/calls")"
expected="output of cmake --preset demo
lib_test: configuring demo failed with exit code 3 (whole log: $PWD/build/demo-configure.log)"
[ "$out" = "$expected" ] || fail "a failed configure said: $out"
rm "$scratch/fail--preset"
echo 124 >"$scratch/fail--build"
out=$(build_preset demo 2>&1) && fail "a build out of time passed"
[[ "$out" == *"lib_test: building demo did not end within 5400 s (whole log: $PWD/build/demo-build.log)" ]] ||
    fail "a build out of time said: $out"
rm "$scratch/fail--build"

# product_value: the value, "@version@" put in; a missing name fails and says so.
printf '# names\nversion=7.25\ntitle=Echoview @version@ - site\nsettings_key=SOFTWARE\\A\\b c\n' >res/product.txt
[ "$(product_value version)" = 7.25 ] || fail "version: $(product_value version)"
[ "$(product_value title)" = "Echoview 7.25 - site" ] || fail "title: $(product_value title)"
[ "$(product_value settings_key)" = 'SOFTWARE\A\b c' ] || fail "settings_key: $(product_value settings_key)"
out=$(product_value colour 2>&1) && fail "a missing name gave: $out"
[ "$out" = "lib_test: no colour= in $PWD/res/product.txt" ] || fail "a missing name said: $out"

# stop_wine: the server of the prefix named, or of WINEPREFIX; with neither, or no such prefix,
# none at all (never the user's own).
mkdir -p "$scratch/prefix"
: >"$scratch/calls"
(unset WINEPREFIX && stop_wine && stop_wine "$scratch/no-such-prefix") || fail "stop_wine without a prefix failed"
[ -s "$scratch/calls" ] && fail "stop_wine without a prefix ran: $(cat "$scratch/calls")"
(WINEPREFIX="$scratch/prefix" stop_wine)
grep -qx "wineserver -k WINEPREFIX=$scratch/prefix" "$scratch/calls" || fail "stop_wine ran: $(cat "$scratch/calls")"

# start_display own, twice at once: two displays that answer, never one shared; stop_display
# ends each. A DISPLAY that answers is kept, one that does not is replaced by our own.
hold() { # hold NAME: a display of its own, until $scratch/release exists
    start_display own || exit 1
    timeout 10 xdpyinfo >/dev/null 2>&1 || echo "display $DISPLAY does not answer" >>"$scratch/display-errors"
    echo "$DISPLAY $display_pid" >"$scratch/$1"
    timeout 60 sh -c "while [ ! -e '$scratch/release' ]; do sleep 0.1; done"
    stop_display
    kill -0 "$(cut -d' ' -f2 "$scratch/$1")" 2>/dev/null && echo "Xvfb of $DISPLAY still runs" >>"$scratch/display-errors"
}
(hold first) &
(hold second) &
timeout 30 sh -c "while [ ! -s '$scratch/first' ] || [ ! -s '$scratch/second' ]; do sleep 0.1; done" ||
    fail "two displays did not come up within 30 s"
first=$(cut -d' ' -f1 "$scratch/first" 2>/dev/null)
second=$(cut -d' ' -f1 "$scratch/second" 2>/dev/null)
if [ -z "$first" ] || [ "$first" = "$second" ]; then fail "two runs got the displays '$first' and '$second'"; fi
(
    export DISPLAY=$first
    start_display || exit 1
    if [ "$DISPLAY" != "$first" ] || [ -n "$display_pid" ]; then
        echo "an answering DISPLAY was not kept" >>"$scratch/display-errors"
    fi
    export DISPLAY=:989 # nothing listens there
    start_display || exit 1
    if [ "$DISPLAY" = :989 ] || [ -z "$display_pid" ]; then
        echo "a dead DISPLAY was kept" >>"$scratch/display-errors"
    fi
    stop_display
) || fail "start_display failed with a DISPLAY set"
echo "script lib: displays $first and $second at once"
touch "$scratch/release"
wait
[ -s "$scratch/display-errors" ] && fail "displays: $(cat "$scratch/display-errors")"
timeout 10 xdpyinfo -display "$first" >/dev/null 2>&1 && fail "display $first still answers after stop_display"

if [ "$failures" -gt 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "script lib: all checks passed"
