#!/usr/bin/env bash
# Builds the plug-in and runs the main example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quantifier-demo Quantifier
build/default/bin/quantifier-demo
