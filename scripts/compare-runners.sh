#!/usr/bin/env bash
# Runs every example scene with the Linux runner and with the Windows runner (under Wine) and
# compares the csv they print byte for byte. Scenes whose rows depend on the machine are run
# by both but not compared; they are listed below with the reason.
# Usage: scripts/compare-runners.sh [linux build folder] [windows build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/default}/bin/quantifier-run
windows=${2:-build/mingw}/bin/quantifier-run.exe
export WINEDEBUG=${WINEDEBUG:--all}

declare -A machine_dependent=(
    [watch-file]="sizes, times and attributes of files in the checkout"
    [engine-links]="the desktop's active and foreground windows"
)
# The operations that ask the file system or the window system, by name or number.
asks_the_machine='"operation" *: *("(FileSize|FileTimeCompare|IsDirectory|WindowHasFocus)"|(20|36|42|43)[^0-9])'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
compared=0
for scene in examples/*.json; do
    name=$(basename "$scene" .json)
    # Relative paths: Wine would read an absolute Unix path given to the runner as an option.
    # (The scenes that name files, which are relative to the examples folder, are not compared.)
    if ! "$linux" --format csv "$scene" >"$work/$name.linux.csv" 2>"$work/$name.linux.err"; then
        echo "FAIL $name: the Linux runner failed"; cat "$work/$name.linux.err"; failed=1; continue
    fi
    if ! wine "$windows" --format csv "$scene" >"$work/$name.windows.csv" 2>"$work/$name.windows.err"; then
        echo "FAIL $name: the Windows runner failed"; cat "$work/$name.windows.err"; failed=1; continue
    fi
    if [ -n "${machine_dependent[$name]:-}" ]; then
        echo "skip $name: depends on ${machine_dependent[$name]}"
        continue
    fi
    if grep -Eq "$asks_the_machine" "$scene"; then
        echo "FAIL $name: asks the file or window system; compare it or list it as machine-dependent"
        failed=1; continue
    fi
    if cmp -s "$work/$name.linux.csv" "$work/$name.windows.csv"; then
        echo "same $name ($(wc -l <"$work/$name.linux.csv") lines)"
        compared=$((compared + 1))
    else
        echo "FAIL $name: the rows differ (< Linux, > Windows)"
        diff "$work/$name.linux.csv" "$work/$name.windows.csv" | head -20 || true
        failed=1
    fi
done
echo "$compared scenes give the same bytes on both systems"
exit $failed
