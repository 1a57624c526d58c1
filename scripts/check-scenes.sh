#!/usr/bin/env bash
# Runs the project's scene cases (tests/scenes) and examples as tests with quantifier-run --check,
# each run writing JUnit XML into OUT_DIR (default build/scene-results) for CI to show: in one
# process, then with the engine side in quantifier-engine, and with --msvc also through the
# Microsoft-ABI engine under Wine (scripts/msvc-run.sh, which builds it first when missing).
# Usage: scripts/check-scenes.sh [--msvc] [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
msvc=false
if [ "${1:-}" = --msvc ]; then
    msvc=true
    shift
fi
out=${1:-$root/build/scene-results}
bin=$root/build/default/bin
mkdir -p "$out"
cd "$root"
status=0
"$bin/quantifier-run" --check tests/scenes examples --junit "$out/native.xml" || status=$?
"$bin/quantifier-run" --check tests/scenes examples --jobs 2 \
    --engine-process "$(printf %q "$bin/quantifier-engine")" --junit "$out/engine-process.xml" ||
    status=$?
if $msvc; then
    scripts/msvc-run.sh --check tests/scenes examples --jobs "$(nproc)" --junit "$out/msvc.xml" ||
        status=$?
fi
exit $status
