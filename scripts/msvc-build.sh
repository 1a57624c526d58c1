#!/usr/bin/env bash
# The Microsoft-ABI build (the msvc preset, cmake/clang-cl-msvc-x86_64.cmake): the engine stand-in
# as OrnHost.dll, the plug-in as Quantifier.dll, the runner's engine side as
# quantifier-engine.exe, and abi-check.exe and crashing-plugin.dll for the checks, compiled by
# clang-cl in MSVC mode and linked by lld-link into build/msvc/. What the build does beyond
# compiling and linking (msvc/runtime/, the libstdc++ sources, the engine library's exports, the
# weak-externals check, the plug-in's exports and imports) is in msvc/CMakeLists.txt.
#
# Usage: scripts/msvc-build.sh [--configure] [-DVARIABLE=VALUE...]
# --configure stops after the configure (scripts/msvc-check.sh takes its flags from it).
# QUANTIFIER_MSVC_OUT (default build/msvc) chooses the build folder; the arguments are given to
# the configure, after the preset's own (scripts/msvc-faults.sh builds its faults that way).
# Every configure starts from the preset, so a folder once configured otherwise is set back.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh mingw-w64 wine libwine-dev gcc-12-source lld-14 clang-tools-14 llvm-14
configure_only=false
[ "${1:-}" = --configure ] && { configure_only=true; shift; }
out=${QUANTIFIER_MSVC_OUT:-build/msvc}
cmake --preset msvc -B "$out" "$@" >/dev/null
$configure_only || cmake --build "$out"
