#!/bin/bash
# The release package: builds the windows-release preset (optimised, no debug information,
# stripped, runtime linked in, no time stamps or build paths in the programs) and writes
# dist/echoview-VERSION-win64.zip (see scripts/package.py).
#     bash scripts/package.sh            build this checkout and pack it
#     bash scripts/package.sh --check    ... then check the packed programs: they import system
#                                        DLLs only, and the end-to-end smoke test passes with them
#     bash scripts/package.sh --verify   build and pack HEAD twice, from clean checkouts in two
#                                        different folders, and compare: same bytes, or a failure
# Every step has a time limit; a failed build says so and shows the end of its log.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
# shellcheck source=scripts/lib.sh
. scripts/lib.sh
mode=${1:-}
case "$mode" in
    "" | --check | --verify) ;;
    *)
        echo "usage: bash scripts/package.sh [--check | --verify]" >&2
        exit 1
        ;;
esac

fail() {
    echo "package: $*" >&2
    exit 1
}

bash scripts/setup.sh || exit 1

# build_and_pack SOURCE OUT: the release programs of the checkout SOURCE, packed into OUT.
build_and_pack() {
    local source=$1 out=$2
    (cd "$source" || exit 1; build_preset windows-release echoview echofeed) || fail "the release build in $source failed"
    timeout 120 python3 -B "$source/scripts/package.py" --bin "$source/build/windows-release/bin" --out "$out" ||
        fail "packing failed"
}

version=$(product_value version) || exit 1
zip_name="echoview-$version-win64.zip"

if [ "$mode" = --verify ]; then
    started=$(date +%s)
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    commit=$(git rev-parse HEAD)
    # Two folders whose paths differ in name and length: a build path that reached the
    # programs would tell them apart.
    first="$scratch/a/echoview"
    second="$scratch/second-place/source-tree"
    for dir in "$first" "$second"; do
        timeout 300 git clone -q --no-checkout "$root" "$dir" || fail "could not clone $root"
        timeout 300 git -C "$dir" checkout -q --detach "$commit" || fail "could not check out $commit"
        echo "package: building $commit in $dir"
        build_and_pack "$dir" "$dir/dist"
    done
    same=yes
    for name in echoview.exe echofeed.exe; do
        cmp -s "$first/build/windows-release/bin/$name" "$second/build/windows-release/bin/$name" || {
            echo "package: $name differs between the two builds" >&2
            same=no
        }
    done
    sum_first=$(sha256sum "$first/dist/$zip_name" | cut -d' ' -f1)
    sum_second=$(sha256sum "$second/dist/$zip_name" | cut -d' ' -f1)
    echo "package: first build  $sum_first  $zip_name"
    echo "package: second build $sum_second  $zip_name"
    [ "$sum_first" = "$sum_second" ] || same=no
    echo "package: --verify took $(($(date +%s) - started)) s"
    [ "$same" = yes ] || fail "the two builds differ: not reproducible"
    echo "package: reproducible, both builds give the same programs and zip"
    exit 0
fi

build_and_pack "$root" "$root/dist"
[ "$mode" = --check ] || exit 0

# The packed programs, as a user unpacks them.
check_dir="$root/build/package-check"
rm -rf "$check_dir"
mkdir -p "$check_dir/bin"
timeout 60 python3 -B -m zipfile -e "dist/$zip_name" "$check_dir/bin" || fail "could not unpack dist/$zip_name"
(cd "$check_dir/bin" && sha256sum --quiet -c SHA256SUMS) || fail "the checksums in the package do not match"

# Only DLLs every Windows has: nothing of the compiler's runtime may be needed beside them.
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|gdiplus|msvcrt|ucrtbase|iphlpapi|ws2_32|version|shlwapi|uxtheme|winmm|api-ms-win-.*)\.dll$'
for exe in echoview.exe echofeed.exe; do
    dlls=$(timeout 60 x86_64-w64-mingw32-objdump -p "$check_dir/bin/$exe" | sed -n 's/^\s*DLL Name: //p')
    [ -n "$dlls" ] || fail "no imports listed for $exe"
    foreign=$(echo "$dlls" | tr '[:upper:]' '[:lower:]' | grep -Ev "$system_dlls")
    [ -z "$foreign" ] || fail "$exe needs DLLs that are not part of Windows: $foreign"
    echo "package: $exe imports only system DLLs: ${dlls//$'\n'/ }"
done

# The end-to-end smoke test against the packed echoview.exe: start, feed, the markers on the
# screen, close, settings saved, exit code 0. An optimiser-only fault shows here.
trap 'stop_wine; stop_display' EXIT
trap 'exit 130' INT TERM HUP
use_wine_prefix "$root/build/windows/wineprefix" || exit 1
start_display || exit 1
timeout 300 python3 -B tests/e2e/e2e.py window --bin "$check_dir/bin" --work "$check_dir/e2e" ||
    fail "the end-to-end smoke test failed with the packed programs"
echo "package: the packed echoview.exe passed the end-to-end smoke test"
