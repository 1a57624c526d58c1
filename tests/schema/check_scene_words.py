#!/usr/bin/env python3
"""Checks that the scene format's words reach the files written for people and fuzzers: every
channel kind has its row in SCENES.md's table of kinds, and every key, kind and action name of
the schema the runner writes is in the fuzz dictionary.

Usage: check_scene_words.py RUNNER SCENES.md DICTIONARY
"""
import json
import re
import subprocess
import sys


def keys_of(node, found):
    """Every property name anywhere in the schema."""
    if isinstance(node, dict):
        for key, value in node.items():
            if key == "properties":
                found.update(value)
            keys_of(value, found)
    elif isinstance(node, list):
        for item in node:
            keys_of(item, found)


def main():
    runner, scenes_doc, dictionary = sys.argv[1:]
    schema = json.loads(subprocess.run([runner, "--schema"], capture_output=True, text=True,
                                       check=True).stdout)
    kinds = schema["$defs"]["channel"]["properties"]["type"]["enum"]
    actions = schema["$defs"]["action"]["properties"]["do"]["enum"]
    keys = set()
    keys_of(schema, keys)
    failures = []

    with open(scenes_doc, encoding="utf-8") as f:
        text = f.read()
    # The table's first column: `float`, or `matchA`, `matchB` sharing a row.
    documented = set()
    for line in text.splitlines():
        if line.startswith("| `"):
            documented.update(re.findall(r"`([^`]+)`", line.split("|")[1]))
    failures += [f"{scenes_doc}: kind {k!r} has no row" for k in kinds if k not in documented]

    with open(dictionary, encoding="utf-8") as f:
        entries = {line.strip() for line in f if line.strip() and not line.startswith("#")}
    for word in sorted(keys - {"$schema"}) + kinds + actions:
        if json.dumps(json.dumps(word)) not in entries:
            failures.append(f"{dictionary}: no entry for {json.dumps(word)}")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
