#!/usr/bin/env bash
# The live page of quantifier-run --serve in Debian's headless Chromium, driven by playwright-core
# pinned in tests/browser/package-lock.json (no browser is ever downloaded).
# Usage: scripts/browser-test.sh [BUILD_DIR] [--screenshot PNG] [--figures]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
scripts/deps.sh chromium  # Node.js 20 and npm come with the machine
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
(cd tests/browser && npm ci --no-audit --no-fund --loglevel=error)
node tests/browser/page.test.mjs "$PWD/$build/bin/quantifier-run" "$@"
