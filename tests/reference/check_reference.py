#!/usr/bin/env python3
"""Checks that the committed operations reference is what the generator writes today: it
regenerates the pages, example outputs and charts into a temporary folder and fails on any
file that differs, is missing or is left over (so a row, a page's prose, an example or the
runner's csv and charts cannot change without the pages). The generator runs every example
with --strict and fails on a warning, so each example is also a golden test of its operation.
Also checks that the plug-in carries none of the operations' summaries: the words are for
the runner and the pages, not for the binary loaded into the engine.

Usage: check_reference.py GENERATOR SOURCE-FOLDER RUNNER PLUGIN
"""
import difflib
import json
import os
import subprocess
import sys
import tempfile


def files_under(folder):
    return sorted(os.path.relpath(os.path.join(top, name), folder)
                  for top, _, names in os.walk(folder) for name in names)


def main():
    generator, source, runner, plugin = sys.argv[1:]
    committed = os.path.join(source, "docs", "operations")
    failures = []
    with tempfile.TemporaryDirectory() as work:
        run = subprocess.run([generator, source, work], capture_output=True, text=True)
        if run.returncode != 0:
            print(f"the generator failed: {run.stderr.strip()}")
            return 1
        made, kept = files_under(work), files_under(committed)
        for name in sorted(set(made) | set(kept)):
            if name not in kept:
                failures.append(f"docs/operations/{name} is not committed")
            elif name not in made:
                failures.append(f"docs/operations/{name} is no longer generated")
            else:
                with open(os.path.join(work, name), "rb") as f:
                    new = f.read()
                with open(os.path.join(committed, name), "rb") as f:
                    old = f.read()
                if new != old:
                    diff = difflib.unified_diff(
                        old.decode("utf-8", "replace").splitlines(),
                        new.decode("utf-8", "replace").splitlines(),
                        "committed", "generated", lineterm="", n=1)
                    failures.append(f"docs/operations/{name} differs:\n  " +
                                    "\n  ".join(list(diff)[:12]))

    rows = json.loads(subprocess.run([runner, "--list-operations", "--format", "json"],
                                     capture_output=True, text=True, check=True).stdout)
    with open(plugin, "rb") as f:
        binary = f.read()
    for row in rows:
        if row["summary"].encode() in binary:
            failures.append(f"the plug-in carries the summary of {row['name']}")

    for failure in failures:
        print(failure)
    if failures:
        print(f"{len(failures)} differences: regenerate with "
              "cmake --build --preset default --target operations-reference")
        return 1
    print(f"{len(made)} files of the reference are current; the plug-in carries no summary")
    return 0


if __name__ == "__main__":
    sys.exit(main())
