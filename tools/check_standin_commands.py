#!/usr/bin/env python3
"""Checks that docs/standin-script.md documents exactly the stand-in's scenario commands: the
verbs of the command table in standin/ScriptCommandTable.cpp against the verbs that begin the
commands in the first column of the document's command tables. Prints each verb that only one
side has; exits 1 when there is one."""
import pathlib
import re
import sys

ENTRY = re.compile(r'^\s*\{"([a-z][a-z0-9-]*)",', re.M)
# The first cell of a table row; "\|" inside it is a literal bar.
FIRST_CELL = re.compile(r'^\|((?:[^|\\]|\\.)*)\|')
CODE = re.compile(r'`([^`]+)`')


def table_verbs(source):
    start = source.index("kCommands[] = {")
    block = source[start:source.index("\n};", start)]
    return ENTRY.findall(block)


def documented_verbs(doc):
    # The language's tables run from its heading to the examples; the options of the
    # executable and the folder layout come before it.
    start = doc.index("## The scenario language")
    end = doc.index("## Example", start)
    verbs = set()
    for line in doc[start:end].splitlines():
        cell = FIRST_CELL.match(line)
        if not cell:
            continue
        for code in CODE.findall(cell.group(1)):
            verbs.add(code.split()[0])
    return verbs


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    table = table_verbs((root / "standin/ScriptCommandTable.cpp").read_text(encoding="utf-8"))
    docs = documented_verbs((root / "docs/standin-script.md").read_text(encoding="utf-8"))
    problems = []
    if len(table) < 10:
        problems.append(f"the command table yielded only {len(table)} verbs: has its layout changed?")
    problems += [f"{v}: doubled in the command table" for v in sorted({v for v in table if table.count(v) > 1})]
    problems += [f"{v}: in the command table, not in docs/standin-script.md" for v in sorted(set(table) - docs)]
    problems += [f"{v}: in docs/standin-script.md, not in the command table" for v in sorted(docs - set(table))]
    for line in problems:
        print(line)
    print(f"check_standin_commands: {len(set(table))} commands, {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
