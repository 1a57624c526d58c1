#!/usr/bin/env bash
# The build a user makes without presets, `cmake -S . -B <folder> -DCMAKE_BUILD_TYPE=Release`,
# with the given compiler (default g++), then every test once. Warnings are not errors here;
# any warning still fails the script, so that the plain build stays clean.
# Usage: scripts/plain-build.sh [compiler] [folder] [more cmake arguments ...]
set -euo pipefail
cd "$(dirname "$0")/.."
compiler=${1:-g++}
folder=${2:-build/plain-$compiler}
shift $(($# < 2 ? $# : 2))
scripts/deps.sh
cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$compiler" "$@"
log="$folder/build.log"
cmake --build "$folder" --parallel "$(nproc)" 2>&1 | tee "$log"
if grep -Eq "warning:" "$log"; then
    echo "plain-build: the $compiler build has warnings" >&2
    exit 1
fi
(cd "$folder" && ctest --output-on-failure --parallel "$(nproc)")
