#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz") and runs each for N seconds (default 60) over a copy of
# its seed corpus, so the committed corpus stays as it is. Fails on the first finding; the input
# that caused it is kept in build/fuzz/findings/ and belongs in a regression test.
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

cmake --preset fuzz
# The targets alone: the rest of the tree is built and tested under the same sanitizers by the
# sanitize preset.
cmake --build --preset fuzz --target "${targets[@]%% *}"

findings=build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for entry in "${targets[@]}"; do
    read -r target corpus dict <<<"$entry"
    mkdir -p "$work/$corpus"
    cp -R "fuzz/corpus/$corpus/." "$work/$corpus/"
    options=()
    [ -n "$dict" ] && options+=(-dict="fuzz/$dict")
    echo "== $target: ${seconds}s over fuzz/corpus/$corpus =="
    if ! "build/fuzz/bin/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -artifact_prefix="$findings/$target-" -print_final_stats=1 "${options[@]}" "$work/$corpus"; then
        echo "$target: finding kept in $findings/" >&2
        exit 1
    fi
done
