#!/usr/bin/env bash
# Times scenes as tests with farm-bench (medians, paired runs):
#  1. --check over 1,000 small scenes, each with its "expect", in one process, against one
#     quantifier-run process per scene (the target: at least 10 times faster);
#  2. a 1,000,000-frame run with "expect" entries (on an output, and on a channel no output shows)
#     against the same run without them (the target: under 5 % more).
# Usage: scripts/bench-check.sh [RUNS] [suite|expect]  (both when neither is named)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
part=${2:-all}
bin=$root/build/default/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/suite"
if [ "$part" != expect ]; then
    for i in $(seq 1000); do
        cat > "$work/suite/scene-$i.json" <<SCENE
{ "channels": [
    { "name": "low", "type": "float", "value": 0 },
    { "name": "high", "type": "float", "value": 100 },
    { "name": "step", "type": "float", "keys": { "0": 1, "5": 2 } },
    { "name": "count", "type": "quantifier", "operation": "ClampAccumulate",
      "children": { "lower": "low", "upper": "high", "step": "step" } } ],
  "frames": 10,
  "expect": [ { "frame": 4, "channel": "count", "value": 5 },
              { "frame": 9, "channel": "count", "value": 15 } ] }
SCENE
    done
    echo "1,000 scenes: --check in one process (A) against a process per scene (B)"
    farm-bench -n "$runs" --timeout 600 \
        --vs "sh -c 'for f in $work/suite/*.json; do $bin/quantifier-run \$f >/dev/null || exit 1; done'" \
        -- "$bin/quantifier-run" --check "$work/suite"
fi
[ "$part" = suite ] && exit 0

long() {  # a 1,000,000-frame scene; $1: its "expect" entries, $2: more outputs
    cat <<SCENE
{ "channels": [
    { "name": "low", "type": "float", "value": 0 },
    { "name": "high", "type": "float", "value": 1000 },
    { "name": "step", "type": "float", "keys": { "0": 1, "999999": 2 }, "interpolate": "linear" },
    { "name": "wrap", "type": "quantifier", "operation": "WrapAccumulate",
      "children": { "min": "low", "max": "high", "step": "step" } },
    { "name": "hidden", "type": "quantifier", "operation": "Clamp",
      "children": { "lower": "low", "value": "step", "upper": "high" } } ],
  "outputs": ["wrap", "step"${2:-}],
  "frames": 1000000$1 }
SCENE
}
long "" ', "hidden"' > "$work/plain.json"
long ', "expect": [ { "frame": 0, "channel": "wrap", "value": 1 },
  { "frames": [0, 999], "channel": "step", "value": 1, "tolerance": 0.01 },
  { "frame": 999999, "channel": "step", "value": 2 } ]' ', "hidden"' > "$work/output.json"
long ', "expect": [ { "frames": [0, 999999], "channel": "hidden", "value": 1.5, "tolerance": 0.5 } ]' \
    > "$work/hidden.json"
"$bin/quantifier-run" "$work/output.json" >/dev/null
"$bin/quantifier-run" "$work/hidden.json" >/dev/null
echo "1,000,000 frames: expectations of outputs (A) against none (B)"
farm-bench -n "$runs" --timeout 600 --vs "sh -c 'exec $bin/quantifier-run $work/plain.json >/dev/null'" \
    -- sh -c "exec $bin/quantifier-run $work/output.json >/dev/null"
echo "1,000,000 frames: an expectation of every frame of a channel no output shows (A) against none (B)"
farm-bench -n "$runs" --timeout 600 --vs "sh -c 'exec $bin/quantifier-run $work/plain.json >/dev/null'" \
    -- sh -c "exec $bin/quantifier-run $work/hidden.json >/dev/null"
