#!/usr/bin/env bash
# The Windows x64 build: cross-compiles the "mingw" preset with MinGW-w64, runs its tests under
# Wine against the real Win32 services, packs the .zip and runs it unpacked, and compares the
# example scenes' rows with those of the Linux runner (built here too when missing).
# Usage: scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh mingw-w64 wine
. scripts/wine-prefix.sh

echo "== build and test (mingw preset, under Wine) =="
cmake --preset mingw
cmake --build --preset mingw
# One Wine session for every test program and the comparison, started here: the first program
# of a session starts Wine's services, which would inherit its output and keep CTest waiting
# until they end, and a session of its own per program costs seconds. A session that is
# already running (the server answers -p with an error) serves instead and is left running.
if wineserver -p; then
    trap 'wineserver -k || true' EXIT
fi
wine cmd /c exit >/dev/null 2>&1 </dev/null
ctest --preset mingw --parallel "$(nproc)"

echo "== the Windows package, unpacked and run on its own =="
scripts/package.sh build/mingw

echo "== the same rows from the Linux and the Windows runner =="
cmake --preset default >/dev/null
cmake --build --preset default --target quantifier-run Quantifier
scripts/compare-runners.sh build/default build/mingw
