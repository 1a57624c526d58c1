#!/usr/bin/env bash
# What this machine can check of the Microsoft-ABI build the engine loads, without the
# Microsoft compiler or its libraries: clang-cl, in MSVC mode with the flags the CMake project
# gives cl and clang-cl, compiles every source of the Windows build (syntax and semantics, no
# code), and the plug-in class's virtual table in the Microsoft ABI is laid out and compared
# slot by slot with tests/msvc/Kch_Quantifier.vftable. MinGW-w64's C and C++ library headers
# stand in for Microsoft's, which are not installable here.
# Usage: scripts/msvc-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh mingw-w64 libutf8proc-dev
clang_cl=$(command -v clang-cl || command -v clang-cl-14)
cxx_include=$(x86_64-w64-mingw32-g++-posix -print-file-name=include)/c++
c_include=/usr/x86_64-w64-mingw32/include
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The runner's header-only libraries, without the rest of the build machine's headers.
mkdir "$work/include"
ln -s /usr/include/nlohmann /usr/include/CLI /usr/include/utf8proc.h "$work/include/"

# The project's MSVC-path flags (CMakeLists.txt), warnings as errors as in the presets.
flags=(--target=x86_64-pc-windows-msvc /std:c++20 /EHsc /W4 /WX /utf-8 /permissive-
       /Zc:__cplusplus /fp:precise /clang:-ffp-contract=off
       # MinGW-w64's headers take their GCC branches only when they see GCC and a
       # __declspec macro, and libstdc++ needs strict ANSI mode.
       /clang:-fgnuc-version=12 "/D__declspec(x)=__declspec(x)" /D__STRICT_ANSI__
       # libstdc++'s thread layer without weak references, as scripts/msvc-build.sh builds it.
       /D_GLIBCXX_GTHREAD_USE_WEAK=0
       -imsvc "$cxx_include" -imsvc "$cxx_include/x86_64-w64-mingw32" -imsvc "$c_include"
       -Icodec -Ihost/include -Iplatform -Iplatform/hosting -Ichannels/Quantifier)
import='/DORN_ENGINE_DATA=__declspec(dllimport)'
export='/DORN_ENGINE_DATA=__declspec(dllexport)'
failed=0
check() {  # name, extra flags..., -- sources...
    local name=$1; shift
    local extra=()
    while [ "$1" != "--" ]; do extra+=("$1"); shift; done; shift
    for source in "$@"; do
        if ! "$clang_cl" "${flags[@]}" "${extra[@]}" -fsyntax-only "$source"; then
            echo "FAIL $name: $source"; failed=1
        fi
    done
    echo "compiled $name: $# files"
}
check plug-in /DQUANTIFIER_BUILDING_PLUGIN "$import" -- channels/Quantifier/*.cpp
check engine "$export" -- $(ls host/src/*.cpp | grep -v Posix)
check platform -- $(ls platform/*.cpp platform/hosting/*.cpp | grep -v Posix)
check runner "$import" '/DQUANTIFIER_VERSION="0"' -Itools/quantifier-run \
    -Itools/quantifier-run/engine -I"$work/include" -- tools/quantifier-run/*.cpp \
    tools/quantifier-run/engine/*.cpp

# The table the engine calls through: the slots of Kch_Quantifier's own table in order, the
# RTTI slot before them left out.
"$clang_cl" "${flags[@]}" /DQUANTIFIER_BUILDING_PLUGIN "$import" -Xclang -fdump-vtable-layouts \
    /c channels/Quantifier/Kch_Quantifier.cpp /Fo"$work/Kch_Quantifier.obj" >"$work/layouts.txt"
awk '/^VFTable for .* in .Kch_Quantifier. \(/ {table = 1; next}
     table && /^ *[0-9]+ \|/ {
         sub(/^ *[0-9]+ \| /, ""); if ($0 !~ / RTTI$/) print; next }
     table {exit}' "$work/layouts.txt" >"$work/slots.txt"
if diff -u tests/msvc/Kch_Quantifier.vftable "$work/slots.txt"; then
    echo "the Microsoft-ABI table has the $(wc -l <"$work/slots.txt") slots in the engine's order"
else
    echo "FAIL the Microsoft-ABI table differs (- expected, + compiled)"; failed=1
fi
exit $failed
