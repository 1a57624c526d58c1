#!/usr/bin/env bash
# Runs quantifier-run (default preset) on every example scene under valgrind, once plainly and
# once saving the channels and loading them back. Any memory error, or a definite or indirect
# leak, fails the script.
# Usage: scripts/valgrind.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh valgrind
cmake --preset default
cmake --build --preset default

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Example scenes name their files relative to their own folder, where they run.
check=(valgrind --quiet --error-exitcode=99 --leak-check=full
       --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect
       "$PWD/build/default/bin/quantifier-run" --format csv)
failed=0
cd examples
for scene in *.json; do
    echo "== valgrind: examples/$scene =="
    stream="$work/$(basename "$scene" .json).orn"
    if ! "${check[@]}" "$scene" >/dev/null ||
       ! "${check[@]}" --save "$stream" "$scene" >/dev/null ||
       ! "${check[@]}" --load "$stream" "$scene" >/dev/null; then
        echo "$scene: valgrind reported errors (or the run failed)" >&2
        failed=1
    fi
done
exit "$failed"
