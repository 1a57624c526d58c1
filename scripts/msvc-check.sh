#!/usr/bin/env bash
# What this machine can check of the Microsoft-ABI build the engine loads, without the
# Microsoft compiler or its libraries: clang-cl, in MSVC mode with the flags the msvc preset
# compiles with (the project's flags for cl and clang-cl, and the toolchain's), compiles every
# source of the Windows build (syntax and semantics, no code), also the runner's, which that
# build leaves out, and the plug-in class's virtual table in the Microsoft ABI is laid out and
# compared slot by slot with tests/msvc/Kch_Quantifier.vftable. MinGW-w64's C and C++ library
# headers stand in for Microsoft's, which are not installable here.
# Usage: scripts/msvc-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh libutf8proc-dev
# The configure writes the flags (msvc/CMakeLists.txt).
scripts/msvc-build.sh --configure
clang_cl=clang-cl-14
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The runner's header-only libraries, without the rest of the build machine's headers.
mkdir "$work/include"
ln -s /usr/include/nlohmann /usr/include/CLI /usr/include/utf8proc.h "$work/include/"

flags=(@"${QUANTIFIER_MSVC_OUT:-build/msvc}/clang-cl-flags.rsp"
       -Icodec -Ihost/include -Iplatform -Iplatform/hosting -Ichannels/Quantifier)
import='/DORN_ENGINE_DATA=__declspec(dllimport)'
export='/DORN_ENGINE_DATA=__declspec(dllexport)'
failed=0
check() {  # name, extra flags..., -- sources...
    local name=$1; shift
    local extra=()
    while [ "$1" != "--" ]; do extra+=("$1"); shift; done; shift
    # Up to eight files of a folder a compilation, as the unity builds take a target's (each
    # file alone is the default build's), a compilation a core at a time; the compiler's message
    # names a file that fails.
    local batches=() count=0 folder="" file
    for file in "$@"; do
        if [ "$count" -eq 8 ] || [ "$(dirname "$file")" != "$folder" ]; then
            folder=$(dirname "$file") count=0
            batches+=("$(mktemp --suffix=.cpp -p "$work" "$name-XXXXXX")")
        fi
        echo "#include \"$PWD/$file\"" >>"${batches[-1]}"
        count=$((count + 1))
    done
    if ! printf '%s\n' "${batches[@]}" | xargs -d '\n' -n 1 -P "$(nproc)" \
        "$clang_cl" "${flags[@]}" "${extra[@]}" -fsyntax-only; then
        echo "FAIL $name"; failed=1
    fi
    echo "compiled $name: $# files"
}
check plug-in /DQUANTIFIER_BUILDING_PLUGIN "$import" -- channels/Quantifier/*.cpp
check engine "$export" -- $(ls host/src/*.cpp | grep -v Posix)
check platform -- $(ls platform/*.cpp platform/hosting/*.cpp | grep -v Posix)
# The live page's server needs an HTTP library that Windows builds lack: they build without it
# (ServeSceneMissing.cpp), as the CMake build does; the rest of the page compiles all the same.
# Of two files that define the same functions, the build takes one: the second is checked alone.
runner=(check runner "$import" '/DQUANTIFIER_VERSION="0"' -Itools/quantifier-run -I"$work/include")
"${runner[@]}" -- $(ls tools/quantifier-run/*/*.cpp |
    grep -v -e '/ServeHttp\.cpp$' -e '/ServeSceneMissing\.cpp$' -e '/CharacterWidthUtf8proc\.cpp$')
"${runner[@]}" -- tools/quantifier-run/app/ServeSceneMissing.cpp \
    tools/quantifier-run/output/CharacterWidthUtf8proc.cpp

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
