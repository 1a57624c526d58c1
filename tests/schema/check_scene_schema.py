#!/usr/bin/env python3
"""Checks the scene schema with a real validator: it is a valid draft 2020-12 schema, it
accepts every scene given, it rejects every case of the rejected-scenes file (which the
runner rejects too: each is also run through the runner, which must fail with status 2), and
it names exactly the operations the runner knows.

Usage: check_scene_schema.py RUNNER SCHEMA REJECTED-SCENES SCENE...
"""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema


def main():
    runner, schema_path, rejected_path, *scenes = sys.argv[1:]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = []

    for scene in scenes:
        with open(scene, encoding="utf-8") as f:
            document = json.load(f)
        error = jsonschema.exceptions.best_match(validator.iter_errors(document))
        if error is not None:
            failures.append(f"{scene}: rejected by the schema at {error.json_path}: {error.message}")

    with open(rejected_path, encoding="utf-8") as f:
        cases = json.load(f)["cases"]
    with tempfile.TemporaryDirectory() as work:
        for name, document in cases.items():
            if validator.is_valid(document):
                failures.append(f"rejected case '{name}': the schema accepts it")
            path = os.path.join(work, "case.json")
            with open(path, "w", encoding="utf-8") as f:
                json.dump(document, f)
            status = subprocess.run([runner, "--format", "csv", path], capture_output=True).returncode
            if status != 2:
                failures.append(f"rejected case '{name}': the runner exits with {status}, not 2")

    listed = subprocess.run([runner, "--list-operations"], capture_output=True, text=True,
                            check=True).stdout.split("\n")
    known = [line.split()[1] for line in listed if line.strip()]
    names = next(branch["enum"] for branch in schema["$defs"]["operation"]["anyOf"]
                 if "enum" in branch)
    if names != known:
        failures.append(f"the schema's operation names differ from the runner's: {names} != {known}")

    for failure in failures:
        print(failure)
    print(f"{len(scenes)} scenes valid, {len(cases)} bad cases rejected" if not failures
          else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
