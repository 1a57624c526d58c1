#!/usr/bin/env bash
# Runs a scene through the Microsoft-ABI build under Wine: quantifier-run reads the scene, checks
# it and writes the output as always, and the engine side, with the plug-in, runs in
# build/msvc/quantifier-engine.exe. Standard output, the meaning of standard error and the exit
# status are quantifier-run's (without Wine: exit status 1 and one line). Builds what is missing
# first (scripts/msvc-build.sh, and the default preset's runner).
# Usage: scripts/msvc-run.sh [quantifier-run options] SCENE.json
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
msvc=${QUANTIFIER_MSVC_OUT:-$root/build/msvc}
runner=$root/build/default/bin/quantifier-run
if ! command -v wine >/dev/null; then
    echo "msvc-run.sh: Wine is not installed; install it with scripts/deps.sh wine" >&2
    exit 1
fi
if [ ! -x "$runner" ]; then
    (cd "$root" && scripts/deps.sh && cmake --preset default >/dev/null &&
        cmake --build --preset default --target quantifier-run Quantifier) >&2
fi
[ -f "$msvc/quantifier-engine.exe" ] || "$root/scripts/msvc-build.sh" >&2
. "$root/scripts/wine-prefix.sh"
exec "$runner" --engine-process "wine $(printf %q "$msvc/quantifier-engine.exe")" "$@"
