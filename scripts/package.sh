#!/usr/bin/env bash
# Packs a build (cpack: .tar.gz on Linux, .zip for Windows) and proves the package works on its
# own: unpacked into an empty folder, its runner (under Wine for Windows) must print the same
# rows for the example scenes it ships as the build tree's runner does. Also installs each
# component into an empty folder of its own and checks what lands there.
# Usage: scripts/package.sh BUILD-FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/package.sh BUILD-FOLDER}
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
generator=$(sed -n 's/^set(CPACK_GENERATOR "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
case "$generator" in
    TGZ) archive="$name.tar.gz"; run=(); exe="" ;;
    ZIP) archive="$name.zip"; run=(wine); exe=".exe"; export WINEDEBUG=${WINEDEBUG:--all} ;;
    *) echo "package: unexpected generator $generator" >&2; exit 1 ;;
esac
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
echo "package: $build/packages/$archive ($(wc -c <"$build/packages/$archive") bytes)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Components, each alone. Files a component must hold, relative to the install prefix.
docs=share/doc/Quantifier
declare -A expected=(
    [docs]="$docs/README.md $docs/LICENSE $docs/tools/quantifier-run/SCENES.md
            $docs/tools/quantifier-run/scene.schema.json $docs/examples/camera-object.json"
)
if [ -z "$exe" ]; then
    expected[plugin]="bin/Quantifier.so bin/libQuantifierWindowModel.so"
    expected[runner]="bin/quantifier-run bin/libOrnHost.so"
else
    expected[plugin]="bin/Quantifier.dll bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll"
    expected[runner]="bin/quantifier-run.exe bin/libOrnHost.dll"
fi
for component in plugin runner docs; do
    cmake --install "$build" --prefix "$work/$component" --component "$component" >/dev/null
    for file in ${expected[$component]}; do
        if [ ! -f "$work/$component/$file" ]; then
            echo "FAIL component $component lacks $file"; failed=1
        fi
    done
done

# The whole package, unpacked where nothing of the build can be found.
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$OLDPWD/$build/packages/$archive")
root="$work/unpacked/$name"
if ! cmp -s LICENSE "$root/$docs/LICENSE"; then
    echo "FAIL the package does not carry the licence as $docs/LICENSE"; failed=1
fi
# Stripped: no debug sections and no symbol table (objdump reads ELF and PE alike; the dynamic
# symbols and exports that loading needs are not part of it).
for binary in "$root"/bin/*; do
    if objdump -h "$binary" | grep -q ' \.debug'; then
        echo "FAIL ${binary#"$root/"} carries debug information"; failed=1
    elif ! objdump -t "$binary" | grep -q '^no symbols$'; then
        echo "FAIL ${binary#"$root/"} carries a symbol table"; failed=1
    fi
done
if [ -z "$exe" ]; then
    for binary in "$root/bin/quantifier-run" "$root/bin/Quantifier.so"; do
        if ldd "$binary" | grep -Eq "not found|$(realpath "$build")"; then
            echo "FAIL $binary does not find its libraries in the package:"; ldd "$binary"; failed=1
        fi
    done
fi
# Scenes that read files or windows depend on the machine and are left out.
for example in camera-object wrapping-counter parse-numbers; do
    # Relative paths, which Wine reads as paths and not as options.
    "${run[@]}" "$build/bin/quantifier-run$exe" --format csv "examples/$example.json" \
        >"$work/$example.build.csv"
    if ! (cd "$root" && "${run[@]}" "bin/quantifier-run$exe" --format csv \
              "share/doc/Quantifier/examples/$example.json") >"$work/$example.package.csv"; then
        echo "FAIL $example: the packaged runner failed"; failed=1; continue
    fi
    if cmp -s "$work/$example.build.csv" "$work/$example.package.csv"; then
        echo "same $example ($(wc -l <"$work/$example.package.csv") lines)"
    else
        echo "FAIL $example: the packaged runner prints other rows"
        diff "$work/$example.build.csv" "$work/$example.package.csv" | head -10 || true
        failed=1
    fi
done
exit $failed
