#!/usr/bin/env bash
# Builds the plug-in, the scene runner and the engine process beside it, and runs one example
# scene (by default the camera example; give another scene file to run that one, from the
# scene's folder).
set -euo pipefail
cd "$(dirname "$0")/.."
scene=${1:-examples/camera-object.json}
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quantifier-run quantifier-engine Quantifier
# From the scene's own folder, where the example scenes find the files they name.
runner=$PWD/build/default/bin/quantifier-run
cd "$(dirname "$scene")"
"$runner" "$(basename "$scene")"
