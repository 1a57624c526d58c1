#!/usr/bin/env bash
# Smoke test of the benchmarks: builds quantifier-bench (preset "default") and runs every
# benchmark once for a moment. Asserts nothing about timing: it fails when the program fails,
# when a benchmark reports an error (the program checks its own results, e.g. that the
# plug-in and the hand-written baseline agree) or when a listed benchmark did not run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quantifier-bench
bench=build/default/bin/quantifier-bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
listed=$("$bench" --benchmark_list_tests=true | wc -l)
# Google Benchmark 1.7 takes the minimum time as plain seconds (1.8 also reads "0.01s").
"$bench" --benchmark_min_time=0.01 --benchmark_repetitions=1 \
    --benchmark_out="$work/results.json" --benchmark_out_format=json
ran=$(grep -c '"run_type": "iteration"' "$work/results.json" || true)
if [ "$ran" -ne "$listed" ]; then
    echo "bench-smoke: $listed benchmarks listed, $ran ran" >&2
    exit 1
fi
echo "bench-smoke: all $ran benchmarks ran"
