#!/usr/bin/env bash
# Every runner scene (tests/scenes/) and every example, run by quantifier-run with the plug-in in
# this process and through the Microsoft-ABI build under Wine (scripts/msvc-run.sh): standard
# output, standard error and the exit status must be the same bytes. The examples also run in
# every text format, and scene streams saved by either build must load in the other to the
# same rows. Scenes whose results depend on the machine are run but not compared; they are
# listed below with the reason.
# Usage: scripts/msvc-compare.sh
set -euo pipefail
cd "$(dirname "$0")/.."
linux=build/default/bin/quantifier-run
[ -x "$linux" ] || { cmake --preset default >/dev/null &&
    cmake --build --preset default --target quantifier-run Quantifier; }
[ -f build/msvc/quantifier-engine.exe ] || scripts/msvc-build.sh
. scripts/wine-prefix.sh
# One Wine session for every run (see scripts/windows.sh).
# A server that is already running (-p answers with an error) is someone else's and stays.
started_server=false
wineserver -p && started_server=true
wine cmd /c exit >/dev/null 2>&1 </dev/null

declare -A machine_dependent=(
    [engine-links]="the desktop's active and foreground windows"
)
work=$(mktemp -d)
trap 'rm -rf "$work"; if $started_server; then wineserver -k || true; fi' EXIT
failed=0
compared=0

# Runs one case both ways: a name, then quantifier-run's arguments.
compare() {
    local name=$1 status
    shift
    status=0
    "$linux" "$@" >"$work/linux.out" 2>"$work/linux.err" || status=$?
    echo "exit $status" >>"$work/linux.err"
    status=0
    # A run that hangs fails after a while rather than holding up the whole comparison.
    timeout -k 5 120 scripts/msvc-run.sh "$@" >"$work/msvc.out" 2>"$work/msvc.err" </dev/null ||
        status=$?
    echo "exit $status" >>"$work/msvc.err"
    if [ -n "${machine_dependent[$name]:-}" ]; then
        echo "skip $name: depends on ${machine_dependent[$name]}"
    elif cmp -s "$work/linux.out" "$work/msvc.out" && cmp -s "$work/linux.err" "$work/msvc.err"; then
        compared=$((compared + 1))
    else
        echo "FAIL $name: the runs differ (< in process, > Microsoft ABI)"
        diff "$work/linux.out" "$work/msvc.out" | head -10 || true
        diff "$work/linux.err" "$work/msvc.err" | head -10 || true
        failed=1
    fi
}

for scene in tests/scenes/*.json; do
    name=$(basename "$scene" .json)
    args=()
    [ -f "tests/scenes/$name.args" ] && mapfile -t args <"tests/scenes/$name.args"
    # Files beside the scenes are named from their folder, as the scene test names them.
    args=("${args[@]/#\$SCENES\//tests/scenes/}")
    compare "$name" --format csv "${args[@]}" "$scene"
done
for scene in examples/*.json; do
    name=$(basename "$scene" .json)
    for format in csv json table; do
        compare "$name" --format "$format" "$scene"
    done
done

# Streams cross over: saved by one build, loaded by the other, the same rows as loaded by the
# build that saved them.
scene=examples/wrapping-counter.json
"$linux" --format csv --save "$work/linux.orns" "$scene" >/dev/null
scripts/msvc-run.sh --format csv --save "$work/msvc.orns" "$scene" >/dev/null
if cmp -s "$work/linux.orns" "$work/msvc.orns"; then
    compared=$((compared + 1))
else
    echo "FAIL the streams saved by the two builds differ"; failed=1
fi
for stream in linux msvc; do
    compare "load-$stream-stream" --format csv --frames 5 --load "$work/$stream.orns" "$scene"
done

echo "$compared runs give the same bytes in process and through the Microsoft-ABI build"
exit $failed
