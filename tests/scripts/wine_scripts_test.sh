#!/bin/bash
# The Wine runner and the prefix setup, with stand-ins for wine, wineboot and
# wineserver on PATH that log how they were called.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

mkdir -p "$scratch/bin"
for tool in wine wineboot wineserver; do
    cat >"$scratch/bin/$tool" <<STUB
#!/bin/sh
echo "$tool \$* WINEPREFIX=\$WINEPREFIX" >>"$scratch/calls"
STUB
    chmod +x "$scratch/bin/$tool"
done
export PATH="$scratch/bin:$PATH"

# wine-run.sh: the prefix beside the nearest CMakeCache.txt; none found and no
# WINEPREFIX: refuse rather than pick a prefix at the file system root.
mkdir -p "$scratch/tree/build/sub" "$scratch/nowhere"
touch "$scratch/tree/build/CMakeCache.txt"
: >"$scratch/calls"
(cd "$scratch/tree/build/sub" && env -u WINEPREFIX sh "$root/cmake/wine-run.sh" prog.exe) ||
    fail "wine-run.sh failed inside a build tree"
grep -qx "wine prog.exe WINEPREFIX=$scratch/tree/build/wineprefix" "$scratch/calls" ||
    fail "wine-run.sh inside a build tree: $(cat "$scratch/calls")"
: >"$scratch/calls"
if (cd "$scratch/nowhere" && env -u WINEPREFIX sh "$root/cmake/wine-run.sh" prog.exe 2>/dev/null); then
    fail "wine-run.sh ran outside a build tree"
fi
[ -s "$scratch/calls" ] && fail "wine-run.sh outside a build tree ran: $(cat "$scratch/calls")"
: >"$scratch/calls"
(cd "$scratch/nowhere" && WINEPREFIX="$scratch/own" sh "$root/cmake/wine-run.sh" prog.exe) ||
    fail "wine-run.sh with WINEPREFIX set failed"
grep -qx "wine prog.exe WINEPREFIX=$scratch/own" "$scratch/calls" || fail "WINEPREFIX not kept: $(cat "$scratch/calls")"

# wine-prefix-setup.sh: sets a new prefix up, leaves a current one alone, and sets
# up again a prefix whose ready-marker is of an older setup.
setup() {
    : >"$scratch/calls"
    sh "$root/cmake/wine-prefix-setup.sh" "$scratch/prefix" || fail "wine-prefix-setup.sh failed"
}
setup
grep -q "Liberation Sans" "$scratch/calls" || fail "a new prefix got no font mapping: $(cat "$scratch/calls")"
setup
[ -s "$scratch/calls" ] && fail "a ready prefix was set up again: $(cat "$scratch/calls")"
: >"$scratch/prefix/.echoview-ready" # the unversioned marker of earlier setups
setup
grep -q "Liberation Sans" "$scratch/calls" || fail "a prefix of an older setup was not set up again"
setup
[ -s "$scratch/calls" ] && fail "the refreshed prefix was set up once more: $(cat "$scratch/calls")"

# The end-to-end driver's runner of Wine programs: a start Wine could not make (exit code 1 and not a
# word, or "wine client error") is made once more; a program's own refusal (1 with a message) is not.
mkdir -p "$scratch/flaky"
cat >"$scratch/flaky/wine" <<STUB
#!/bin/sh
echo "\$*" >>"$scratch/wine-calls"
first=\$([ "\$(wc -l <"$scratch/wine-calls")" = 1 ] && echo yes)
case "\$1" in
silent) [ -n "\$first" ] && exit 1 ;;
reset) [ -n "\$first" ] && { echo "wine client error:0: recvmsg: Connection reset by peer" >&2; exit 1; } ;;
refused) echo "echofeed: bad value 'x' for --rate" >&2; exit 1 ;;
esac
echo ran
STUB
chmod +x "$scratch/flaky/wine"
driver_wine() {
    : >"$scratch/wine-calls"
    PATH="$scratch/flaky:$PATH" WINEPREFIX="$scratch/prefix" python3 -B -c "
import sys
sys.path.insert(0, '$root/scripts')
from echoview_driver import session
result = session('$scratch', '$scratch/work').wine('$1')
print(result.returncode, result.stdout.strip(), len(open('$scratch/wine-calls').readlines()))" | tail -n 1
}
for case in silent reset; do
    got=$(driver_wine "$case")
    [ "$got" = "0 ran 2" ] || fail "a start Wine failed ($case) was not made once more: $got"
done
got=$(driver_wine refused)
[ "$got" = "1  1" ] || fail "a refusal of the program's own was run again: $got"

if [ "$failures" -gt 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "wine scripts: all checks passed"
