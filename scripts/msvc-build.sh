#!/usr/bin/env bash
# The Microsoft-ABI build: the engine stand-in as OrnHost.dll, the plug-in as Quantifier.dll and
# the runner's engine side as quantifier-engine.exe, compiled by clang-cl in MSVC mode and linked
# by lld-link, into build/msvc/. MinGW-w64's C and C++ library headers stand in for Microsoft's;
# the C runtime is the one Windows (or Wine) ships, reached through Wine's import libraries, and
# msvc/runtime/ is what Microsoft's static start-up code and the C++ library's compiled part would
# give. Two sources of that compiled part are taken from Debian's gcc-12-source at build time.
# Afterwards the plug-in's exports and every module's imports are checked.
#
# Usage: scripts/msvc-build.sh
# QUANTIFIER_MSVC_OUT (default build/msvc) chooses the build folder. QUANTIFIER_MSVC_OVERLAY names
# a folder whose files, at the same relative paths, replace the project's for the compile (its
# host/include/ for the plug-in's sources only): scripts/msvc-faults.sh builds faults that way.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh mingw-w64 wine libwine-dev gcc-12-source lld-14 clang-tools-14 llvm-14
out=${QUANTIFIER_MSVC_OUT:-build/msvc}
overlay=${QUANTIFIER_MSVC_OVERLAY:-}
[ -n "$overlay" ] && overlay=$(cd "$overlay" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

wine_lib=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
winpthread=/usr/x86_64-w64-mingw32/lib
cxx_include=$(x86_64-w64-mingw32-g++-posix -print-file-name=include)/c++
c_include=/usr/x86_64-w64-mingw32/include

# The two libstdc++ sources: the red-black tree (std::map) and from_chars for floating point.
gcc_source=$out/libstdc++
if [ ! -f "$gcc_source/c++98/tree.cc" ]; then
    tarball=$(ls /usr/src/gcc-12/gcc-12*.tar.xz)
    mkdir -p "$gcc_source"
    tar -xJf "$tarball" -C "$gcc_source" --wildcards --strip-components=3 \
        '*/libstdc++-v3/src/c++98/tree.cc' '*/libstdc++-v3/src/c++17/floating_from_chars.cc' \
        '*/libstdc++-v3/src/c++17/fast_float/*'
fi

# The project's MSVC-path flags (CMakeLists.txt), as scripts/msvc-check.sh gives them, plus code
# generation. libstdc++'s thread layer must not refer to the threads library weakly: lld-link
# turns an unresolved weak reference into a call to a truncated absolute 0, without an error.
common=(--target=x86_64-pc-windows-msvc /std:c++20 /EHsc /utf-8 /permissive- /Zc:__cplusplus
        /fp:precise /clang:-ffp-contract=off /clang:-fgnuc-version=12
        "/D__declspec(x)=__declspec(x)" /D__STRICT_ANSI__ /D_GLIBCXX_GTHREAD_USE_WEAK=0
        -imsvc "$cxx_include" -imsvc "$cxx_include/x86_64-w64-mingw32" -imsvc "$c_include"
        /c /O2 /MD /showIncludes)
ours=(/W4 /WX)
includes() {  # the include folders, the overlay's first when it has one
    local dir
    for dir in "$@"; do
        [ -n "$overlay" ] && [ -d "$overlay/$dir" ] && printf ' -I%s' "$overlay/$dir"
        printf ' -I%s' "$root/$dir"
    done
}
base_includes=$(includes codec host/include platform platform/hosting channels/Quantifier \
                         tools/quantifier-run/engine)
plugin_includes=$base_includes
# The plug-in alone may see other engine headers (a fault build).
if [ -n "$overlay" ] && [ -d "$overlay/host/include" ]; then
    plugin_includes="-I$overlay/host/include $base_includes"
    base_includes=$(overlay='' includes codec host/include platform platform/hosting \
                                        channels/Quantifier tools/quantifier-run/engine)
fi
source_of() {  # a project file, or its stand-in in the overlay
    if [ -n "$overlay" ] && [ -f "$overlay/$1" ]; then echo "$overlay/$1"; else echo "$root/$1"; fi
}

ninja_file=$out/build.ninja
{
    echo "# Written by scripts/msvc-build.sh; edits are lost."
    echo "ninja_required_version = 1.10"
    echo "msvc_deps_prefix = Note: including file:"
    printf 'common ='; printf ' %q' "${common[@]}"; echo
    printf 'ours ='; printf ' %q' "${ours[@]}"; echo
    echo "rule cxx"
    echo "  command = clang-cl-14 \$common \$flags /Fo\$out -- \$in"
    echo "  deps = msvc"
    echo "  description = clang-cl \$in"
    echo "rule lib"
    echo "  command = rm -f \$out && llvm-lib-14 /nologo /out:\$out \$in"
    echo "rule link"
    echo "  command = lld-link-14 /nologo /nodefaultlib /machine:x64 \$ldflags /out:\$out \$in \$libs"
    echo "  description = lld-link \$out"
    echo "rule weak"
    echo "  command = $root/scripts/msvc-weak-externals.sh \$in && touch \$out"
    echo "  description = no weak externals"
    echo "rule exports"
    echo "  command = (echo EXPORTS && llvm-nm-14 --extern-only --defined-only \$in | awk '\$\$2 == \"T\" && \$\$3 !~ /^[?][?]_[GE]/ {print \$\$3}' | sort -u) >\$out"
    echo "  description = the engine library's exports"
    echo "rule copy"
    echo "  command = cp \$in \$out"
} >"$ninja_file"

objects=()
compile() {  # group, flags, sources...
    local group=$1 flags=$2 source object
    shift 2
    objects=()
    for source in "$@"; do
        object=obj/$group/$(basename "${source%.*}").obj
        echo "build $object: cxx $(source_of "$source")" >>"$ninja_file"
        echo "  flags = $flags" >>"$ninja_file"
        objects+=("$object")
    done
}

# The runtime support library. Start-up code runs while the stack cookie is being made, so it
# is built without cookie checks.
compile runtime "\$ours /GS- $base_includes" msvc/runtime/ModuleStart.cpp \
    msvc/runtime/DllEntry.cpp msvc/runtime/ProgramEntry.cpp
runtime=("${objects[@]}")
compile runtime "\$ours $base_includes" $(ls msvc/runtime/*.cpp | grep -v -e ModuleStart \
    -e DllEntry -e ProgramEntry)
runtime+=("${objects[@]}")
for source in c++98/tree.cc c++17/floating_from_chars.cc; do
    object=obj/libstdc++/$(basename "${source%.*}").obj
    printf 'build %s: cxx %s\n  flags = /W0 -I%s\n' "$object" "$gcc_source/$source" \
        "$gcc_source/c++17" >>"$ninja_file"
    runtime+=("$object")
done
echo "build QuantifierRuntime.lib: lib ${runtime[*]}" >>"$ninja_file"

crt="$wine_lib/libucrtbase.a $wine_lib/libvcruntime140.a $wine_lib/libkernel32.a"
all_objects=("${runtime[@]}")

compile engine "\$ours $base_includes '/DORN_ENGINE_DATA=__declspec(dllexport)'" \
    $(ls host/src/*.cpp | grep -v Posix)
all_objects+=("${objects[@]}")
{
    # The engine library exports every function it defines, as the engine's own does; its data
    # is exported by declaration (ORN_ENGINE_DATA).
    echo "build OrnHost.def: exports ${objects[*]}"
    echo "build OrnHost.dll | OrnHost.lib: link ${objects[*]} | OrnHost.def QuantifierRuntime.lib weak.ok"
    echo "  ldflags = /dll /implib:OrnHost.lib /def:OrnHost.def"
    echo "  libs = QuantifierRuntime.lib $crt $winpthread/libwinpthread.dll.a"
    echo "build libwinpthread-1.dll: copy $winpthread/libwinpthread-1.dll"
} >>"$ninja_file"

compile plugin "\$ours $plugin_includes ${QUANTIFIER_MSVC_PLUGIN_FLAGS:-} /DQUANTIFIER_BUILDING_PLUGIN '/DORN_ENGINE_DATA=__declspec(dllimport)'" \
    channels/Quantifier/*.cpp platform/FileHandle.cpp platform/PlatformWin32.cpp
all_objects+=("${objects[@]}")
{
    echo "build Quantifier.dll: link ${objects[*]} | OrnHost.lib QuantifierRuntime.lib weak.ok"
    echo "  ldflags = /dll /implib:obj/Quantifier.lib"
    echo "  libs = OrnHost.lib QuantifierRuntime.lib $crt $wine_lib/libuser32.a"
} >>"$ninja_file"

compile host "\$ours $base_includes '/DORN_ENGINE_DATA=__declspec(dllimport)'" \
    tools/quantifier-run/engine/*.cpp platform/hosting/DynamicLibraryWin32.cpp \
    platform/hosting/ProcessWin32.cpp platform/hosting/StackThreadWin32.cpp
all_objects+=("${objects[@]}")
{
    echo "build quantifier-engine.exe: link ${objects[*]} | OrnHost.lib QuantifierRuntime.lib weak.ok"
    echo "  ldflags = /subsystem:console /entry:mainCRTStartup"
    echo "  libs = OrnHost.lib QuantifierRuntime.lib $crt"
} >>"$ninja_file"
compile check "\$ours $base_includes '/DORN_ENGINE_DATA=__declspec(dllimport)'" \
    tests/msvc/AbiCheck.cpp
all_objects+=("${objects[@]}")
{
    echo "build abi-check.exe: link ${objects[*]} | OrnHost.lib QuantifierRuntime.lib weak.ok"
    echo "  ldflags = /subsystem:console /entry:mainCRTStartup"
    echo "  libs = OrnHost.lib QuantifierRuntime.lib $crt"
} >>"$ninja_file"
compile check "\$ours /GS-" tests/msvc/CrashingPlugin.cpp
all_objects+=("${objects[@]}")
{
    echo "build crashing-plugin.dll: link ${objects[*]} | weak.ok"
    echo "  ldflags = /dll /noentry /implib:obj/crashing-plugin.lib"
    echo "  libs = $wine_lib/libkernel32.a $wine_lib/libuser32.a"
    echo "build weak.ok: weak ${all_objects[*]}"
    echo "default OrnHost.dll Quantifier.dll quantifier-engine.exe abi-check.exe crashing-plugin.dll libwinpthread-1.dll"
} >>"$ninja_file"

ninja -C "$out" -j"$(nproc)"

# What the engine sees of the plug-in: exactly the entry points and the class's members, with
# Microsoft decoration.
if ! diff -u tests/msvc/Quantifier.exports <(llvm-readobj-14 --coff-exports "$out/Quantifier.dll" |
        sed -n 's/^ *Name: \(..*\)/\1/p' | sort); then
    echo "FAIL Quantifier.dll exports differ from tests/msvc/Quantifier.exports (- expected)"
    exit 1
fi
# What it needs: the engine, the C runtime and the system, never a compiler's own libraries.
imports=$(llvm-readobj-14 --coff-imports "$out/Quantifier.dll" | sed -n 's/^ *Name: //p' | sort -u)
bad=$(grep -viE '^(OrnHost\.dll|ucrtbase\.dll|vcruntime140\.dll|api-ms-win-crt-.*\.dll|kernel32\.dll|user32\.dll)$' <<<"$imports" || true)
if [ -n "$bad" ]; then
    echo "FAIL Quantifier.dll imports from: $bad"
    exit 1
fi
echo "Microsoft-ABI build in $out: Quantifier.dll exports $(wc -l <tests/msvc/Quantifier.exports) names and imports from $(echo $imports)"
