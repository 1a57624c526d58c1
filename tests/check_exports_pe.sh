#!/usr/bin/env bash
# The plug-in DLL's export table names GetType and InitDLL undecorated, members of
# Kch_Quantifier (with its vtable and typeinfo), and nothing else.
set -euo pipefail
dll=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
# The name-pointer table lists one "[ordinal] name" line per export.
names=$("$objdump" -p "$dll" | awk '/Ordinal\/Name Pointer/{on=1; next} on && /^[ \t]*\[/{print $NF; next} {on=0}')
fail=0
for required in GetType InitDLL _ZTV14Kch_Quantifier _ZN14Kch_Quantifier14CalculateValueEv _ZN14Kch_QuantifierC1Ev; do
    grep -qxF "$required" <<<"$names" || { echo "missing export: $required"; fail=1; }
done
others=$(grep -vE '^(GetType|InitDLL|_ZN14Kch_Quantifier.*|_ZNK14Kch_Quantifier.*|_ZT[VIS]14Kch_Quantifier)$' <<<"$names" || true)
if [ -n "$others" ]; then
    echo "unexpected exports:"; echo "$others"; fail=1
fi
[ $fail -eq 0 ] && echo "exports: $(wc -l <<<"$names") names, all GetType, InitDLL or Kch_Quantifier"
exit $fail
