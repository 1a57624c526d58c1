#!/usr/bin/env bash
# Build steps of the Microsoft-ABI build (msvc/CMakeLists.txt) that are shell work.
#   unpack-libstdc++ TARBALL FOLDER  the two libstdc++ sources, and the headers one of them uses
#   exports DEF OBJECT...            a module definition exporting every function the objects
#                                    define, but the compiler's deleting destructors
#   plugin-interface DLL EXPECTED    the DLL's exports are exactly EXPECTED's lines, and it
#                                    imports from the engine, the C runtime and the system only
set -euo pipefail
step=$1
shift
case $step in
unpack-libstdc++)
    mkdir -p "$2"
    # --touch: the files are as new as their unpacking, so they are not unpacked again.
    tar -xJf "$1" -C "$2" --touch --wildcards --strip-components=3 \
        '*/libstdc++-v3/src/c++98/tree.cc' '*/libstdc++-v3/src/c++17/floating_from_chars.cc' \
        '*/libstdc++-v3/src/c++17/fast_float/*'
    ;;
exports)
    def=$1
    shift
    (echo EXPORTS && llvm-nm-14 --extern-only --defined-only "$@" |
        awk '$2 == "T" && $3 !~ /^[?][?]_[GE]/ {print $3}' | sort -u) >"$def.new"
    mv "$def.new" "$def"
    ;;
plugin-interface)
    dll=$1 expected=$2
    if ! diff -u "$expected" <(llvm-readobj-14 --coff-exports "$dll" |
            sed -n 's/^ *Name: \(..*\)/\1/p' | sort); then
        echo "FAIL $(basename "$dll") exports differ from $expected (- expected)"
        exit 1
    fi
    # Never a compiler's own libraries.
    imports=$(llvm-readobj-14 --coff-imports "$dll" | sed -n 's/^ *Name: //p' | sort -u)
    bad=$(grep -viE '^(OrnHost\.dll|ucrtbase\.dll|vcruntime140\.dll|api-ms-win-crt-.*\.dll|kernel32\.dll|user32\.dll)$' <<<"$imports" || true)
    if [ -n "$bad" ]; then
        echo "FAIL $(basename "$dll") imports from: $bad"
        exit 1
    fi
    echo "$(basename "$dll") exports $(wc -l <"$expected") names and imports from $(echo $imports)"
    ;;
*)
    echo "build-steps.sh: no step $step" >&2
    exit 2
    ;;
esac
