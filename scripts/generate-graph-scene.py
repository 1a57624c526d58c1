#!/usr/bin/env python3
"""A scene for trying the graph picture at size: vectors and floats at the bottom, quantifiers
in layers above them reading from the layer below and from further down (shared children), and
one cycle. The same arguments give the same scene.
Usage: scripts/generate-graph-scene.py CHANNELS > scene.json"""
import json
import random
import sys


def scene(count):
    rng = random.Random(count)
    channels = []
    vectors = [f"v{i}" for i in range(max(2, count // 20))]
    floats = [f"f{i}" for i in range(max(3, count // 10))]
    for name in vectors:
        channels.append({"name": name, "type": "vector", "value": [1, 2, 3, 0]})
    for i, name in enumerate(floats):
        channels.append({"name": name, "type": "float", "value": i % 7})
    below = list(floats)
    made = 0
    layer = 0
    while len(channels) < count:
        width = max(2, len(below) * 2 // 3)
        current = []
        for _ in range(min(width, count - len(channels))):
            name = f"q{layer}_{made}"
            made += 1
            if rng.random() < 0.2:
                channels.append({"name": name, "type": "quantifier", "operation": "VectorDot",
                                 "children": rng.sample(vectors, 2)})
            else:
                pool = below + rng.sample(floats, min(3, len(floats)))
                channels.append({"name": name, "type": "quantifier",
                                 "operation": rng.choice(["WrapAccumulate", "ClampAccumulate"]),
                                 "children": rng.sample(pool, 3)})
            current.append(name)
        below = current
        layer += 1
    # A cycle: the first quantifier reads the last one.
    first = next(c for c in channels if c["type"] == "quantifier" and len(c["children"]) == 3)
    first["children"][2] = channels[-1]["name"]
    return {"frames": 4, "channels": channels}


if __name__ == "__main__":
    json.dump(scene(int(sys.argv[1])), sys.stdout, indent=1)
    sys.stdout.write("\n")
