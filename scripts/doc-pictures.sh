#!/usr/bin/env bash
# The pictures in the docs, drawn by the runner from an example scene. With no arguments, builds
# the runner and writes every picture again; tests/CMakeLists.txt runs the check form, which
# fails when a committed picture is not what the runner draws today.
# Usage: scripts/doc-pictures.sh [--check NAME RUNNER]
set -euo pipefail
cd "$(dirname "$0")/.."
# Each picture: its file under docs/, then the runner's arguments.
declare -A pictures=(
    [chart-example]="--format svg examples/wrapping-counter.json"
    [graph-example]="--format graph examples/wrapping-counter.json"
)
if [ "${1:-}" = --check ]; then
    name=$2 runner=$3
    [ -n "${pictures[$name]:-}" ] || { echo "doc-pictures.sh: no picture $name" >&2; exit 2; }
    # shellcheck disable=SC2086  # the arguments are words
    "$runner" ${pictures[$name]} | cmp - "docs/$name.svg" ||
        { echo "docs/$name.svg is not current: run scripts/doc-pictures.sh" >&2; exit 1; }
    exit 0
fi
cmake --preset default >/dev/null
cmake --build --preset default --target quantifier-run Quantifier
for name in "${!pictures[@]}"; do
    # shellcheck disable=SC2086
    build/default/bin/quantifier-run ${pictures[$name]} >"docs/$name.svg"
done
