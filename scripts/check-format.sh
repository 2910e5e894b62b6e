#!/bin/bash
# The checks of the sources, each on every tracked file of its kind: clang-format would change
# no C++ file, shellcheck finds nothing in a shell script (a *.sh file, or one whose first line
# names sh or bash), pyflakes3 nothing in a Python file. Exits non-zero, naming the checks that
# found something, when any did.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

failed=()
# check NAME FILES COMMAND...: COMMAND with the FILES (one a line) after its arguments.
check() {
    local name=$1 files=$2
    shift 2
    [ -n "$files" ] || return 0
    mapfile -t list <<<"$files"
    timeout 600 "$@" "${list[@]}" || failed+=("$name")
}

# tracked [PATTERN...]: the project's files (those matching a PATTERN), one a line; outside a git
# checkout (an unpacked source tree), every file but those of build/ and dist/.
tracked() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -- "$@"
        return
    fi
    local pattern names=(-false)
    [ $# -gt 0 ] || names=(-true)
    for pattern in "$@"; do names+=(-o -name "$pattern"); done
    find . \( -path ./build -o -path ./dist \) -prune -o -type f \( "${names[@]}" \) -print | sed 's|^\./||'
}

shell_scripts() {
    local file
    tracked | while read -r file; do
        case "$file" in
            *.sh) echo "$file" ;;
            *) [ -f "$file" ] && head -n 1 "$file" | grep -qE '^#!.*\b(ba)?sh\b' && echo "$file" ;;
        esac
    done
}

check clang-format "$(tracked '*.cpp' '*.h')" clang-format --dry-run --Werror
# -x: the scripts' sourced helpers (scripts/lib.sh) are checked with them.
check shellcheck "$(shell_scripts)" shellcheck -x
check pyflakes3 "$(tracked '*.py')" pyflakes3

if [ ${#failed[@]} -gt 0 ]; then
    echo "check-format: findings of ${failed[*]}" >&2
    exit 1
fi
