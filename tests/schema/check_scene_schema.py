#!/usr/bin/env python3
"""Checks the scene schema with a real validator: it is a valid draft 2020-12 schema, it
accepts every scene given, it agrees with the runner on every case of the scene-cases file
(an accepted case is valid and runs with status 0, a rejected one is invalid and fails with
status 2), and it names exactly the operations the runner knows, each with its summary.

Usage: check_scene_schema.py RUNNER SCHEMA SCENE-CASES SCENE...
"""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema


def case_text(text, name):
    """The JSON text of the case named `name`, as the file writes it."""
    decoder = json.JSONDecoder()
    key = json.dumps(name) + ":"
    start = text.index(key) + len(key)
    while text[start].isspace():
        start += 1
    _, end = decoder.raw_decode(text, start)
    return text[start:end]


def main():
    runner, schema_path, cases_path, *scenes = sys.argv[1:]
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

    with open(cases_path, encoding="utf-8") as f:
        table = json.load(f)
    # The cases are written out as they are in the file, so that numbers such as 5.0 or -0
    # reach the runner as written, not as Python prints them.
    with open(cases_path, encoding="utf-8") as f:
        text = f.read()
    cases = 0
    with tempfile.TemporaryDirectory() as work:
        for verdict, status_wanted in (("accepted", 0), ("rejected", 2)):
            for name, document in table[verdict].items():
                cases += 1
                if validator.is_valid(document) != (verdict == "accepted"):
                    failures.append(f"{verdict} case '{name}': the schema "
                                    f"{'rejects' if verdict == 'accepted' else 'accepts'} it")
                path = os.path.join(work, "case.json")
                with open(path, "w", encoding="utf-8") as f:
                    f.write(case_text(text, name))
                run = subprocess.run([runner, "--format", "csv", path], capture_output=True,
                                     text=True)
                if run.returncode != status_wanted:
                    failures.append(f"{verdict} case '{name}': the runner exits with "
                                    f"{run.returncode}, not {status_wanted}: {run.stderr.strip()}")

    # Each name with its summary, so that an editor explains the operation on hover.
    rows = json.loads(subprocess.run([runner, "--list-operations", "--format", "json"],
                                     capture_output=True, text=True, check=True).stdout)
    known = [(row["name"], f"{row['summary']} (operation {row['number']})") for row in rows]
    names = [(branch["const"], branch.get("description"))
             for branch in schema["$defs"]["operation"]["anyOf"] if "const" in branch]
    if names != known:
        wrong = [f"{n} {d!r}" for n, d in names if (n, d) not in known]
        missing = [f"{n} {d!r}" for n, d in known if (n, d) not in names]
        failures.append(f"the schema's operation names and summaries differ from the runner's: "
                        f"in the schema only {wrong}, in the runner only {missing}")

    for failure in failures:
        print(failure)
    print(f"{len(scenes)} scenes valid, schema and runner agree on {cases} cases" if not failures
          else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
