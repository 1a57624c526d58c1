#!/usr/bin/env bash
# Builds the fuzz targets (preset "sanitize", beside the tests) and runs each for N seconds
# (default 60) over a copy of its seed corpus, so the committed corpus stays as it is. Fails on
# the first finding; the input that caused it is kept in build/sanitize/findings/ and belongs in
# a regression test.
# The scene and engine-wire seeds are what this build saves and encodes, held so by tests; after a
# change of either format, write them anew with
#   QUANTIFIER_WRITE_CORPUS=1 build/default/bin/quantifier-tests --gtest_filter='*SeedCorpus*'
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh
# target name, its corpus folder under fuzz/corpus/ and, for some, a dictionary under fuzz/
targets=("scene-loader-fuzz scene"
         "text-search-fuzz text-search"
         "scene-parser-fuzz runner-scene runner-scene.dict"
         "engine-wire-fuzz engine-wire")

cmake --preset sanitize
# The targets alone, built already where the sanitize suite has run.
cmake --build --preset sanitize --target "${targets[@]%% *}"

findings=build/sanitize/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One target a core at a time: each fuzzer is a single process, so on a 2-core machine two run in
# the time of one. Each writes to a log of its own, shown when it ends.
run_target() {  # entry, log
    local target corpus dict
    read -r target corpus dict <<<"$1"
    mkdir -p "$work/$corpus"
    cp -R "fuzz/corpus/$corpus/." "$work/$corpus/"
    local options=()
    [ -n "$dict" ] && options+=(-dict="fuzz/$dict")
    echo "== $target: ${seconds}s over fuzz/corpus/$corpus =="
    if ! "build/sanitize/bin/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -artifact_prefix="$findings/$target-" -print_final_stats=1 "${options[@]}" \
        "$work/$corpus" 2>&1; then
        echo "$target: finding kept in $findings/"
        return 1
    fi
}
cores=$(nproc)
failed=0
for ((first = 0; first < ${#targets[@]}; first += cores)); do
    pids=()
    for entry in "${targets[@]:first:cores}"; do
        run_target "$entry" >"$work/${entry%% *}.log" &
        pids+=("$!")
    done
    for ((i = 0; i < ${#pids[@]}; i++)); do
        entry=${targets[first + i]}
        wait "${pids[i]}" || failed=1
        cat "$work/${entry%% *}.log"
    done
    [ "$failed" -eq 0 ] || exit 1
done
