#!/usr/bin/env python3
"""Holds what the documentation says about the runner against the runner itself.

  check_runner_docs.py options QUANTIFIER_RUN PROJECT_DIR
      The README's option table names exactly the options of --help, with the same value
      names and choices; SCENES.md names only options --help has, and every one of them.
  check_runner_docs.py operation-count QUANTIFIER_RUN PROJECT_DIR
      Every "N operations" and every range of operation numbers "0..M" in the project's text
      files agrees with the runner's operation list.
"""
import json
import os
import re
import shlex
import subprocess
import sys

OPTION = r"--[a-z][a-z-]*"


def run(runner, *arguments):
    return subprocess.run([runner, *arguments], check=True, capture_output=True,
                          text=True).stdout


def help_options(runner):
    """{name: (value name, choices)} from --help's option lines."""
    options = {}
    for line in run(runner, "--help").splitlines():
        found = re.match(r"  (?:-\w,)?(" + OPTION + r")(?: (\[?[A-Z]+\]?)(?::\{([^}]*)\})?)?(?:\s|$)",
                         line)
        if found:
            choices = found.group(3).split(",") if found.group(3) else None
            options[found.group(1)] = (found.group(2), choices)
    return options


def readme_options(path):
    """The same shape, from the first cell of each row of the README's option table."""
    lines = open(path, encoding="utf-8").read().splitlines()
    start = lines.index("| option | |") + 2
    options = {}
    for line in lines[start:]:
        if not line.startswith("|"):
            break
        cell = re.split(r"(?<!\\)\|", line)[1]
        for item in re.findall(r"`([^`]+)`", cell):
            name, _, value = item.partition(" ")
            if "|" in value:
                options[name] = (None, value.replace("\\", "").split("|"))
            else:
                options[name] = (value or None, None)
    return options


def check_options(runner, project):
    errors = []
    expected = help_options(runner)
    documented = readme_options(os.path.join(project, "README.md"))
    for name in sorted(expected.keys() - documented.keys()):
        errors.append(f"README.md: the option table lacks {name}")
    for name in sorted(documented.keys() - expected.keys()):
        errors.append(f"README.md: the option table lists {name}, which --help does not")
    for name in sorted(expected.keys() & documented.keys()):
        value, choices = expected[name]
        said_value, said_choices = documented[name]
        if choices is not None:
            if said_choices != choices:
                errors.append(f"README.md: {name} takes {'|'.join(choices)}, "
                              f"the table says {said_choices or said_value}")
        elif said_value != value:
            errors.append(f"README.md: {name} takes {value}, the table says {said_value}")
    scenes = open(os.path.join(project, "tools/quantifier-run/SCENES.md"), encoding="utf-8").read()
    mentioned = set(re.findall(r"(?<![\w-])(" + OPTION + r")", scenes))
    for name in sorted(mentioned - expected.keys()):
        errors.append(f"SCENES.md: names {name}, which --help does not")
    for name in sorted(expected.keys() - mentioned - {"--help", "--version"}):
        errors.append(f"SCENES.md: says nothing of {name}")
    return errors


def text_files(project):
    for folder, subfolders, files in os.walk(project):
        subfolders[:] = [d for d in subfolders if not d.startswith((".", "build"))]
        for name in files:
            if name.endswith((".md", ".h", ".cpp", ".def", ".json", ".py", ".sh", ".txt",
                              ".warnings", ".error")):
                yield os.path.join(folder, name)


def check_operation_count(runner, project):
    count = len(json.loads(run(runner, "--list-operations", "--format", "json")))
    errors = []
    for path in text_files(project):
        text = open(path, encoding="utf-8", errors="replace").read()
        where = os.path.relpath(path, project)
        for said in re.finditer(r"\b(\d+)\s+operations\b", text):
            if int(said.group(1)) != count:
                line = text.count("\n", 0, said.start()) + 1
                errors.append(f"{where}:{line}: says {said.group(1)} operations; "
                              f"there are {count}")
        # The docs write the range of operation numbers as 0..M; other ranges have no
        # "operation" just before them.
        for said in re.finditer(r"\b0\.\.(\d+)\b", text):
            before = text[max(0, said.start() - 120):said.start()].split("\n\n")[-1]
            if re.search("operation", before, re.IGNORECASE) and int(said.group(1)) != count - 1:
                line = text.count("\n", 0, said.start()) + 1
                errors.append(f"{where}:{line}: says operation numbers {said.group(0)}; "
                              f"they are 0..{count - 1}")
    return errors


def check_examples(runner, project):
    """Each block that starts "$ quantifier-run ..." shows what the run prints: its standard
    error (warnings come first), then its output, then "[exit status N]" unless it is 0."""
    errors = []
    for name in ("README.md", "tools/quantifier-run/SCENES.md"):
        text = open(os.path.join(project, name), encoding="utf-8").read()
        for block in re.finditer(r"^```\n\$ quantifier-run ([^\n]*)\n(.*?)^```$", text,
                                 re.MULTILINE | re.DOTALL):
            line = text.count("\n", 0, block.start()) + 2
            shown, status = block.group(2), 0
            ending = re.search(r"^\[exit status (\d+)\]\n\Z", shown, re.MULTILINE)
            if ending:
                shown, status = shown[:ending.start()], int(ending.group(1))
            given = subprocess.run([runner, *shlex.split(block.group(1))], cwd=project,
                                   capture_output=True, text=True)
            if given.returncode != status or given.stderr + given.stdout != shown:
                errors.append(f"{name}:{line}: the runner writes, with exit status "
                              f"{given.returncode}:\n{given.stderr}{given.stdout}")
    return errors


def main():
    mode, runner, project = sys.argv[1:4]
    errors = {"options": check_options, "operation-count": check_operation_count,
              "examples": check_examples}[mode](runner, project)
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
