#!/usr/bin/env bash
# Shows that the Microsoft-ABI checks catch the faults they exist for. Each fault is put into a
# build of its own (build/msvc-fault/, configured from the msvc preset with the build's options
# for it, rebuilt only where the fault touches it; kept, so that a second run builds little) and
# must make the build or a check fail; the build without it must pass the same checks. The
# checks are abi-check.exe, and the example scenes and a damaged stream through
# scripts/msvc-run.sh against the runner's own rows and line.
# Usage: scripts/msvc-faults.sh
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/msvc/abi-check.exe ] || scripts/msvc-build.sh
linux=build/default/bin/quantifier-run
[ -x "$linux" ] || { cmake --preset default >/dev/null &&
    cmake --build --preset default --target quantifier-run Quantifier; }
. scripts/wine-prefix.sh
# A server that is already running (-p answers with an error) is someone else's and stays.
started_server=false
wineserver -p && started_server=true
work=$(mktemp -d)
trap 'rm -rf "$work"; if $started_server; then wineserver -k || true; fi' EXIT

# Runs the checks on the build in $1 and stops at the first that fails, saying which. A run
# that hangs (a fault can deadlock as well as crash) fails after a while.
checks() {
    local build=$1 scene
    if ! (cd "$build" && timeout -k 5 30 wine abi-check.exe) >"$work/abi.txt" 2>&1; then
        echo "abi-check: $(grep -m1 -e FAIL -e passed "$work/abi.txt" || echo 'did not finish')"
        return 1
    fi
    for scene in examples/*.json; do
        # The desktop's windows are another machine's under Wine (scripts/msvc-compare.sh).
        [ "$(basename "$scene")" = engine-links.json ] && continue
        "$linux" --format csv "$scene" >"$work/expected.csv" 2>&1 || true
        QUANTIFIER_MSVC_OUT=$build timeout -k 5 30 scripts/msvc-run.sh --format csv "$scene" \
            >"$work/actual.csv" 2>&1 </dev/null || true
        if ! cmp -s "$work/expected.csv" "$work/actual.csv"; then
            echo "$(basename "$scene") differs from the runner's own rows"
            return 1
        fi
    done
    # An engine-side error, which must come back as the runner's line, not as a crash.
    scene=tests/scenes/bad-stream-cut-short.json
    "$linux" --load "${scene%.json}.orn" "$scene" >"$work/expected.csv" 2>&1 || true
    QUANTIFIER_MSVC_OUT=$build timeout -k 5 30 scripts/msvc-run.sh --load "${scene%.json}.orn" \
        "$scene" >"$work/actual.csv" 2>&1 </dev/null || true
    if ! cmp -s "$work/expected.csv" "$work/actual.csv"; then
        echo "$(basename "$scene"): the engine side's error differs from the runner's own"
        return 1
    fi
}

# Copies a project folder into $work and puts a fault into one of its files with a sed script,
# which must change it.
faulty_copy() {  # folder, file in it, sed script
    rm -rf "$work/${1//\//-}"
    cp -R "$1" "$work/${1//\//-}"
    sed -i "$3" "$work/${1//\//-}/$2"
    if cmp -s "$1/$2" "$work/${1//\//-}/$2"; then
        echo "FAIL the fault could not be put into $1/$2: the file has changed; update this script"
        exit 1
    fi
}

failed=0
echo "== without a fault =="
if ! checks build/msvc; then
    echo "FAIL the build without a fault does not pass its checks"
    exit 1
fi
echo "passes"

# A fault's name and what it breaks, then the command that puts it in: it sets $options, the
# build's options for it.
fault() {
    local name=$1 what=$2
    shift 2
    echo "== fault: $what =="
    local options=()
    "$@"
    if ! QUANTIFIER_MSVC_OUT=build/msvc-fault scripts/msvc-build.sh "${options[@]}" \
        >"$work/build.txt" 2>&1; then
        echo "caught by the build: $(grep -m1 -e '^FAIL ' -e 'error:' "$work/build.txt" | cut -c1-160)"
    elif checks build/msvc-fault; then
        echo "FAIL $name: not caught"
        failed=1
    else
        echo "caught"
    fi
}

no_static_initialisers() {
    faulty_copy msvc/runtime ModuleStart.cpp '/RunInitialisers(&__xc_a + 1, &__xc_z);/d'
    options=(-DQUANTIFIER_MSVC_RUNTIME_DIR="$work/msvc-runtime")
}
slots_swapped() {
    # The plug-in compiled against a float channel whose GetFloat and GetOldFloat trade slots.
    faulty_copy host/include Kch_FloatChannel.h \
        's/virtual float GetFloat();/virtual float GetOldFloatX();/;
         s/virtual float GetOldFloat();/virtual float GetFloat();/;
         s/virtual float GetOldFloatX();/virtual float GetOldFloat();/'
    options=(-DQUANTIFIER_ENGINE_SDK="$work/host-include")
}
no_unwinding() {
    # Without unwinding the plug-in's frames are torn down without their destructors; throw
    # stays allowed for the compile-time checks in the engine's headers.
    options=("-DQUANTIFIER_MSVC_PLUGIN_OPTIONS=/EHs-c-;SHELL:-Xclang -fcxx-exceptions")
}
weak_threads() {
    # The engine library's mutex, without the define that keeps libstdc++ from weak references.
    options=(-DQUANTIFIER_MSVC_ENGINE_OPTIONS=/U_GLIBCXX_GTHREAD_USE_WEAK)
}

fault static-init "the modules' static constructors are not run" no_static_initialisers
fault slot-order "a virtual slot out of the engine's order" slots_swapped
fault unwinding "an exception does not unwind cleanly through the plug-in" no_unwinding
fault weak-external "a weak external left in an object" weak_threads
exit $failed
