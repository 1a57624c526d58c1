#!/usr/bin/env bash
# The plug-in's dynamic symbol table defines GetType, InitDLL and members of Kch_Quantifier
# (with its vtable and typeinfo), and nothing else.
set -euo pipefail
plugin=$1
symbols=$(nm -D --defined-only "$plugin" | awk '{print $3}' | c++filt)
fail=0
for required in GetType InitDLL 'vtable for Kch_Quantifier' 'Kch_Quantifier::CalculateValue()' \
                'Kch_Quantifier::Kch_Quantifier()' 'Kch_Quantifier::Kch_Quantifier(Kch_Quantifier const&)'; do
    if ! grep -qxF "$required" <<<"$symbols"; then
        echo "missing export: $required"; fail=1
    fi
done
others=$(grep -vE '^(GetType|InitDLL|Kch_Quantifier::.*|(vtable|typeinfo|typeinfo name) for Kch_Quantifier)$' <<<"$symbols" | grep -v '^$' || true)
if [ -n "$others" ]; then
    echo "unexpected exports:"; echo "$others"; fail=1
fi
[ $fail -eq 0 ] && echo "exports: $(wc -l <<<"$symbols") symbols, all GetType, InitDLL or Kch_Quantifier"
exit $fail
