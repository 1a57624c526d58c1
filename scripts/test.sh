#!/usr/bin/env bash
# Builds everything with the given preset (default: "default") and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
