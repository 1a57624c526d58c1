#!/usr/bin/env bash
# Every runner scene (tests/scenes/) and every example, run by quantifier-run with the plug-in in
# this process and through the Microsoft-ABI build under Wine (scripts/msvc-run.sh): standard
# output, standard error and the exit status must be the same bytes. The examples also run in
# every text format; a few scenes are drawn as a picture and as Graphviz text and explained; and
# scene streams saved by either build must load in the other to the same rows. Scenes whose
# results depend on the machine are run but not compared; they are listed below with the reason.
# Engine-side failures are compared too (damaged streams are scenes of their own), and a crashed
# engine process must end the run at once, in one line.
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
# Cases whose line ends in the system loader's own explanation: compared up to it.
declare -A loader_explains=([plugin-not-a-library]=1)
work=$(mktemp -d)
trap 'rm -rf "$work"; if $started_server; then wineserver -k || true; fi' EXIT
failed=0
compared=0

# Runs one case both ways: a name, then quantifier-run's arguments.
# Runs one case both ways in a folder of its own; prints what differs. Status 0 when the runs
# give the same bytes, 1 when they differ, 2 when the case is not compared.
compare_case() {
    local name=$1 status dir
    shift
    dir=$(mktemp -d -p "$work")
    status=0
    "$linux" "$@" >"$dir/linux.out" 2>"$dir/linux.err" || status=$?
    echo "exit $status" >>"$dir/linux.err"
    status=0
    ${before_msvc_run:-}
    # A run that hangs fails after a while rather than holding up the whole comparison.
    timeout -k 5 120 scripts/msvc-run.sh "$@" >"$dir/msvc.out" 2>"$dir/msvc.err" </dev/null ||
        status=$?
    echo "exit $status" >>"$dir/msvc.err"
    if [ -n "${loader_explains[$name]:-}" ]; then
        sed -i -E 's/^(quantifier-run: cannot load the plug-in [^:]*: ).*/\1.../' "$dir/linux.err" \
            "$dir/msvc.err"
    fi
    if [ -n "${machine_dependent[$name]:-}" ]; then
        echo "skip $name: depends on ${machine_dependent[$name]}"
        return 2
    elif ! cmp -s "$dir/linux.out" "$dir/msvc.out" || ! cmp -s "$dir/linux.err" "$dir/msvc.err"; then
        echo "FAIL $name: the runs differ (< in process, > Microsoft ABI)"
        diff "$dir/linux.out" "$dir/msvc.out" | head -10 || true
        diff "$dir/linux.err" "$dir/msvc.err" | head -10 || true
        return 1
    fi
}

counted() {  # status of compare_case
    case $1 in
        0) compared=$((compared + 1)) ;;
        1) failed=1 ;;
    esac
}

compare() {
    local status=0
    compare_case "$@" || status=$?
    counted "$status"
}

# The many scene cases run a core at a time; their output is shown in order as each ends.
pids=()
outputs=()
waited=0
wait_oldest() {
    local status=0
    wait "${pids[waited]}" || status=$?
    cat "${outputs[waited]}"
    counted "$status"
    waited=$((waited + 1))
}
compare_in_background() {
    local output=$work/job.${#pids[@]}
    compare_case "$@" >"$output" 2>&1 &
    pids+=("$!")
    outputs+=("$output")
    if [ $((${#pids[@]} - waited)) -ge "$(nproc)" ]; then wait_oldest; fi
}
wait_all() {
    while [ "$waited" -lt "${#pids[@]}" ]; do wait_oldest; done
}

for scene in tests/scenes/*.json; do
    name=$(basename "$scene" .json)
    args=()
    [ -f "tests/scenes/$name.args" ] && mapfile -t args <"tests/scenes/$name.args"
    # Files beside the scenes are named from their folder, as the scene test names them.
    args=("${args[@]/#\$SCENES\//tests/scenes/}")
    compare_in_background "$name" --format csv "${args[@]}" "$scene"
done
for scene in examples/*.json; do
    name=$(basename "$scene" .json)
    for format in csv json table; do
        compare_in_background "$name" --format "$format" "$scene"
    done
done
wait_all

# The views of the scene itself: the engine side sends its counts and lookups over the wire.
for name in links-that-do-not-fit-the-operation-are-warned-about quantifier-read-by-another-evaluates
do
    scene=tests/scenes/$name.json
    compare "$name-graph" --format graph "$scene"
    compare "$name-dot" --format dot --at 0 "$scene"
done
compare links-that-do-not-fit-explain --explain wrap \
    tests/scenes/links-that-do-not-fit-the-operation-are-warned-about.json
compare quantifier-read-by-another-explain --explain outer --depth 1 \
    tests/scenes/quantifier-read-by-another-evaluates.json
compare cycle-explain-json --explain c --format json --at 0 \
    tests/scenes/cycle-reads-value-from-start-of-render.json
loaded=tests/scenes/loaded-stored-value-is-where-the-counter-starts
compare loaded-explain --explain counter --at 0 --load "$loaded.orn" "$loaded.json"

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

# Engine-side failures: the same line and exit status either way.
scene=examples/wrapping-counter.json
truncate -s 257M "$work/oversized.orns"  # sparse: past the stream limit, nothing to write
compare stream-too-large --load "$work/oversized.orns" "$scene"
compare plugin-missing --plugin "$work/missing/Quantifier.dll" "$scene"
compare plugin-not-a-library --plugin /etc/hostname "$scene"
# A library without the entry points: the engine library of each build, under one name.
mkdir "$work/plugin"
ln -s "$PWD/build/default/bin/libOrnHost.so" "$work/plugin/engine.dll"
before_msvc_run="ln -sfn $PWD/build/msvc/OrnHost.dll $work/plugin/engine.dll"
compare plugin-without-entry-points --plugin "$work/plugin/engine.dll" "$scene"
before_msvc_run=""
compare save-into-a-missing-folder --save "$work/missing/saved.orns" "$scene"
mkdir "$work/read-only" && chmod a-w "$work/read-only"
compare save-into-a-read-only-folder --save "$work/read-only/saved.orns" "$scene"
compare save-onto-a-full-disk --save /dev/full "$scene"
# One channel more than the links may nest.
python3 -c 'import json, sys
n = 100001
channels = [{"name": "c0", "type": "float", "value": 1}] + [
    {"name": "c%d" % i, "type": "quantifier", "operation": "Toggle", "children": ["c%d" % (i - 1)]}
    for i in range(1, n)]
json.dump({"frames": 1, "channels": channels, "outputs": ["c%d" % (n - 1)]}, sys.stdout)' \
    >"$work/too-deep.json"
compare links-too-deep "$work/too-deep.json"

# A crashed engine process ends the run at once with one line and exit status 1, whatever Wine
# would offer; and any program crashing under the prefix ends rather than waiting for a debugger.
status=0
timeout -k 5 30 scripts/msvc-run.sh --plugin build/msvc/crashing-plugin.dll "$scene" \
    >"$work/msvc.out" 2>"$work/msvc.err" </dev/null || status=$?
if [ "$status" -ne 1 ] || [ -s "$work/msvc.out" ] || [ "$(wc -l <"$work/msvc.err")" -ne 1 ] ||
    ! grep -q 'ended before the run finished' "$work/msvc.err"; then
    echo "FAIL a crashed engine process: exit $status, $(head -c 300 "$work/msvc.err")"
    failed=1
fi
status=0
timeout -k 5 30 wine rundll32.exe build/msvc/crashing-plugin.dll,GetType >/dev/null 2>&1 ||
    status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "FAIL a program crashing under the Wine prefix waits (scripts/wine-prefix.sh)"
    failed=1
fi
# Without Wine, msvc-run.sh says how to install it, in one line with exit status 1.
mkdir "$work/no-wine" && ln -s "$(command -v bash)" "$(command -v dirname)" "$work/no-wine/"
status=0
PATH=$work/no-wine scripts/msvc-run.sh "$scene" >"$work/msvc.out" 2>"$work/msvc.err" || status=$?
if [ "$status" -ne 1 ] || [ "$(wc -l <"$work/msvc.err")" -ne 1 ] ||
    ! grep -q 'deps.sh wine' "$work/msvc.err"; then
    echo "FAIL msvc-run.sh without Wine: exit $status, $(head -c 300 "$work/msvc.err")"
    failed=1
fi

echo "$compared runs give the same bytes in process and through the Microsoft-ABI build"
exit $failed
