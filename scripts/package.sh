#!/usr/bin/env bash
# Packs a build (cpack: .tar.gz on Linux, .zip for Windows) and proves the package works on its
# own. Unpacked into an empty folder, it must carry the licence and only stripped binaries;
# every relative link of its Markdown files must lead to a file it holds; and its runner (under
# Wine for Windows), run from the folder each example scene is installed in, must print the
# same rows as the build tree's runner does in the source tree. Also installs each component
# into an empty folder of its own and checks what lands there.
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
            $docs/tools/quantifier-run/scene.schema.json $docs/examples/README.md
            $docs/examples/camera-object.json $docs/docs/operations/README.md
            $docs/docs/operations/09-WrapAccumulate.svg
            $docs/examples/operations/09-WrapAccumulate.json
            $docs/examples/operations/files/hello.txt"
)
if [ -z "$exe" ]; then
    expected[plugin]="bin/Quantifier.so bin/libQuantifierWindowModel.so"
    expected[runner]="bin/quantifier-run bin/quantifier-engine bin/libOrnHost.so"
else
    expected[plugin]="bin/Quantifier.dll bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll"
    expected[runner]="bin/quantifier-run.exe bin/quantifier-engine.exe bin/libOrnHost.dll"
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
    for binary in "$root/bin/quantifier-run" "$root/bin/quantifier-engine" "$root/bin/Quantifier.so"; do
        if ldd "$binary" | grep -Eq "not found|$(realpath "$build")"; then
            echo "FAIL $binary does not find its libraries in the package:"; ldd "$binary"; failed=1
        fi
    done
fi
# Every relative link in an installed Markdown file, and every example's "$schema", leads to a
# file inside the package.
links_resolve() {  # FILE TARGET...
    local from=$1 target resolved; shift
    for target in "$@"; do
        case "$target" in http://* | https://* | mailto:* | '#'*) continue ;; esac
        resolved=$(realpath -m "$(dirname "$from")/${target%%#*}")
        if [[ "$resolved" != "$(realpath "$root")"/* || ! -e "$resolved" ]]; then
            echo "FAIL ${from#"$root/"} links to $target, which the package does not hold"
            failed=1
        fi
    done
}
while IFS= read -r page; do
    # [text](target) and ![alt](target "title"): the target up to a space or the parenthesis.
    mapfile -t targets < <(grep -o '\]([^) ]*' "$page" | cut -c3-)
    links_resolve "$page" "${targets[@]}"
done < <(find "$root" -name '*.md')

# The operations reference's examples name the schema too.
for scene in "$root/$docs"/examples/operations/*.json; do
    mapfile -t targets < <(sed -n 's/^ *"\$schema": *"\([^"]*\)".*/\1/p' "$scene")
    links_resolve "$scene" "${targets[@]}"
done

# What the package's documents and the runner's --help name is what the package holds: every
# program, and no script of the source tree.
# A folder of the source tree named in a path (tools/quantifier-reference/...) is no program,
# and neither is what a page's hidden comment says.
named=$( (find "$root" -name '*.md' -exec cat {} +; "${run[@]}" "$root/bin/quantifier-run$exe" --help) |
    sed 's/<!--.*-->//g' | grep -Eo '(^|[^/A-Za-z0-9_-])(scripts/[A-Za-z0-9_.-]+|quantifier-[a-z]+)($|[^/A-Za-z0-9_-])' |
    sed -E 's/^[^sq]//; s/[^A-Za-z0-9_.-]$//' | sort -u)
for name in $named; do
    if [[ $name == scripts/* ]]; then
        echo "FAIL the package's documentation names $name, which it does not hold"; failed=1
    elif [ ! -f "$root/bin/$name$exe" ]; then
        echo "FAIL the package's documentation names $name, which bin/ does not hold"; failed=1
    fi
done

# Every installed example runs from the folder it is installed in, as its README says, and
# prints the rows the build's runner prints from the source tree's examples folder. File times
# are the unpacker's rather than the package's, so the unpacked examples are given those of
# their sources first: a scene that compares them then sees the same order.
examples="$root/$docs/examples"
build_runner=$(realpath "$build/bin/quantifier-run$exe")
for file in "$examples"/*; do
    if [ -e "examples/${file##*/}" ]; then touch -r "examples/${file##*/}" "$file"; fi
done
for scene in "$examples"/*.json; do
    example=$(basename "$scene" .json)
    mapfile -t targets < <(sed -n 's/^ *"\$schema": *"\([^"]*\)".*/\1/p' "$scene")
    links_resolve "$scene" "${targets[@]}"
    # Scene names relative to the working directory, which Wine reads as paths, not options.
    (cd examples && "${run[@]}" "$build_runner" --format csv "$example.json") \
        >"$work/$example.build.csv"
    if ! (cd "$examples" && "${run[@]}" "$root/bin/quantifier-run$exe" --format csv \
              "$example.json") >"$work/$example.package.csv"; then
        echo "FAIL $example: the packaged runner failed"; failed=1; continue
    fi
    # And through the packaged engine process, which finds the plug-in beside itself (a
    # native package: cmd.exe under Wine is not asked to start a program by a Unix path).
    if [ -z "$exe" ] && ! (cd "$examples" && "${run[@]}" "$root/bin/quantifier-run$exe" --format csv \
              --engine-process "$root/bin/quantifier-engine$exe" "$example.json") \
        | cmp -s - "$work/$example.package.csv"; then
        echo "FAIL $example: the packaged engine process prints other rows"; failed=1
    fi
    if cmp -s "$work/$example.build.csv" "$work/$example.package.csv"; then
        echo "same $example ($(wc -l <"$work/$example.package.csv") lines)"
    else
        echo "FAIL $example: the packaged runner prints other rows from the installed folder"
        diff "$work/$example.build.csv" "$work/$example.package.csv" | head -10 || true
        failed=1
    fi
done
exit $failed
