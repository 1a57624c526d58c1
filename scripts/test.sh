#!/usr/bin/env bash
# Builds everything with the given preset (default: "default") and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
# Each test is a process of its own, most of them single-threaded: one at a time a core.
ctest --preset "$preset" --parallel "$(nproc)"
