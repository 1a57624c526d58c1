#!/usr/bin/env bash
# Fails when any of the given COFF objects holds a weak external. lld-link resolves an unsatisfied
# weak external to absolute 0 and truncates a RIP-relative reference to it without an error, so
# the code would call a wild address at run time instead of failing to link.
# Usage: scripts/msvc-weak-externals.sh OBJECT...
set -euo pipefail
found=0
for object in "$@"; do
    weak=$(llvm-nm-14 "$object" | awk '$(NF-1) == "w" || $(NF-1) == "W" {print $NF}')
    if [ -n "$weak" ]; then
        echo "FAIL $object holds weak externals:" $weak
        found=1
    fi
done
exit $found
