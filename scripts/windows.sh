#!/usr/bin/env bash
# The Windows x64 build: cross-compiles the "mingw" preset with MinGW-w64, runs its tests under
# Wine against the real Win32 services, packs the .zip and runs it unpacked, and compares the
# example scenes' rows with those of the Linux runner (built here too when missing).
# Usage: scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh mingw-w64 wine
export WINEDEBUG=-all
# Wine keeps its prefix under the home folder; a bare CI environment may not name one.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}

# The prefix, once: quietly, without offering the Mono and Gecko installers, and finished
# before anything is timed.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix $WINEPREFIX =="
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i
    wineserver -w
fi
# Without a display Wine makes windows only with its null graphics driver, and the window tests
# need real windows. The driver is chosen when the server starts its desktop.
if [ -z "${DISPLAY:-}" ] &&
    ! wine reg query 'HKCU\Software\Wine\Drivers' /v Graphics 2>/dev/null | grep -q null; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wineserver -k || true
    wineserver -w
fi

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
ctest --preset mingw

echo "== the Windows package, unpacked and run on its own =="
scripts/package.sh build/mingw

echo "== the same rows from the Linux and the Windows runner =="
cmake --preset default >/dev/null
cmake --build --preset default --target quantifier-run Quantifier
scripts/compare-runners.sh build/default build/mingw
