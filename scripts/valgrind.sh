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
cd examples
scene_check() {  # scene
    local stream
    stream="$work/$(basename "$1" .json).orn"
    echo "== valgrind: examples/$1 =="
    if ! "${check[@]}" "$1" >/dev/null ||
       ! "${check[@]}" --save "$stream" "$1" >/dev/null ||
       ! "${check[@]}" --load "$stream" "$1" >/dev/null; then
        echo "$1: valgrind reported errors (or the run failed)"
        return 1
    fi
}
# A scene a core at a time, each with a log of its own, shown in the scenes' order.
scenes=(*.json) pids=() failed=0 cores=$(nproc)
shown() {  # index: waits for that scene and shows its log
    wait "${pids[$1]}" || failed=1
    cat "$work/$1.log"
}
for i in "${!scenes[@]}"; do
    scene_check "${scenes[i]}" >"$work/$i.log" 2>&1 &
    pids+=("$!")
    ((i + 1 < cores)) || shown $((i + 1 - cores))
done
for ((i = ${#scenes[@]} < cores ? 0 : ${#scenes[@]} + 1 - cores; i < ${#scenes[@]}; i++)); do
    shown "$i"
done
exit "$failed"
