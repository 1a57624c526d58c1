#!/usr/bin/env python3
"""Runs every operation example on its own, one quantifier-run process each, as a reader runs it
from its folder, and compares the result with its page: the csv beside the page byte for byte,
and every frame the page's example table shows. The generator runs all examples in one program,
so this catches a page whose values depend on what ran before it there (a time stamp counted on
from an earlier example, say). Like the generator, it runs the examples on a copy of their
folder whose files get the last-write times in files/times.json.

Usage: check_examples_alone.py RUNNER SOURCE-FOLDER
"""
import calendar
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time


def example_table(page):
    """The rows of the page's example table: {frame: [cells]}, cells as the csv writes them."""
    lines = page.split("\n")
    start = lines.index("## Example")
    rows, header = {}, None
    for line in lines[start:]:
        if not line.startswith("|"):
            if header is not None:
                break
            continue
        cells = [cell.strip() for cell in line.strip("|").split(" | ")]
        if header is None:
            header = cells
            continue
        if set(line) <= set("|-"):
            continue
        # A cell is the csv field in backticks, with | escaped; no text is `null`.
        values = [cell[1:-1].replace("\\|", "|") for cell in cells]
        values = ["" if value == "null" else value for value in values]
        rows[int(values[0])] = values
    return header, rows


def main():
    runner, source = sys.argv[1:]
    examples = os.path.join(source, "examples", "operations")
    pages = os.path.join(source, "docs", "operations")
    failures = []
    with tempfile.TemporaryDirectory() as work:
        folder = os.path.join(work, "examples")
        shutil.copytree(examples, folder)
        with open(os.path.join(folder, "files", "times.json")) as f:
            for path, date in json.load(f).items():
                moment = calendar.timegm(time.strptime(date, "%Y-%m-%d"))
                os.utime(os.path.join(folder, path), (moment, moment))
        names = sorted(name[:-5] for name in os.listdir(folder) if name.endswith(".json"))
        for name in names:
            run = subprocess.run([runner, "--strict", "--format", "csv", name + ".json"],
                                 cwd=folder, capture_output=True)
            if run.returncode != 0 or run.stderr:
                failures.append(f"{name}.json does not run cleanly alone: "
                                f"{run.stderr.decode(errors='replace').strip()}")
                continue
            with open(os.path.join(pages, name + ".csv"), "rb") as f:
                if f.read() != run.stdout:
                    failures.append(f"{name}.json run alone differs from {name}.csv")
            csv = run.stdout.decode().split("\n")
            with open(os.path.join(pages, name + ".md"), encoding="utf-8") as f:
                header, rows = example_table(f.read())
            if header != csv[0].split(","):
                failures.append(f"{name}.md: the example table's columns are not the run's")
            if not rows:
                failures.append(f"{name}.md shows no frame of its example")
            for frame, cells in rows.items():
                line = csv[frame + 1] if frame + 1 < len(csv) else "(no such frame)"
                if ",".join(cells) != line:
                    failures.append(f"{name}.md, frame {frame}: the page shows {cells}, "
                                    f"a run alone gives {line}")
    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f"{len(names)} examples run alone give what their pages show")
    return 0


if __name__ == "__main__":
    sys.exit(main())
