#!/usr/bin/env python3
"""Keeps the dialog pictures in docs/ from going stale.

usage: check_pictures.py [--update]

docs/pictures.txt names, for each picture, the dialog resources it shows and a hash of each
resource's block in its .rc file as it was when the picture was taken. A block that changed
since (a control moved, a text changed) fails the check: take the picture again (make
screenshots) and run with --update to store the new hashes. A dialog resource that no picture
shows fails it too.
"""
import hashlib
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LIST = os.path.join(ROOT, "docs", "pictures.txt")
RC_FILES = ["ui/Dialogs.rc", "cfgshift/Cfgshift.rc"]


def dialog_blocks(rc_text):
    """name -> the dialog's block, from its DIALOG line to its closing END, trailing blanks cut."""
    blocks = {}
    name, lines = None, []
    for line in rc_text.replace("\r\n", "\n").split("\n"):
        if name is None:
            m = re.match(r"^(\w+)\s+DIALOG(EX)?\b", line)
            if m:
                name, lines = m.group(1), [line.rstrip()]
        else:
            lines.append(line.rstrip())
            if line.rstrip() == "END":
                blocks[name] = "\n".join(lines)
                name = None
    return blocks


def block_hash(block):
    return hashlib.sha256(block.encode("utf-8")).hexdigest()[:16]


def main(argv):
    update = "--update" in argv[1:]
    blocks = {}
    for rc in RC_FILES:
        for name, block in dialog_blocks(open(os.path.join(ROOT, rc), encoding="latin-1").read()).items():
            blocks[name] = (rc, block)
    out, bad, shown = [], 0, set()
    for line in open(LIST, encoding="utf-8").read().splitlines():
        fields = line.split()
        if not fields or line.startswith("#"):
            out.append(line)
            continue
        picture, dialog, stored = fields
        shown.add(dialog)
        if not os.path.exists(os.path.join(ROOT, "docs", picture)):
            print("FAILED: docs/%s is missing" % picture)
            bad += 1
        if dialog not in blocks:
            print("FAILED: %s shows %s, which no .rc file defines" % (picture, dialog))
            bad += 1
            out.append(line)
            continue
        actual = block_hash(blocks[dialog][1])
        if actual != stored and not update:
            print("FAILED: %s changed in %s since docs/%s was taken: take it again" % (dialog, blocks[dialog][0], picture))
            bad += 1
        out.append("%s %s %s" % (picture, dialog, actual))
    if update:
        with open(LIST, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(out).rstrip("\n") + "\n")
    # Every dialog a user can meet is pictured in the guide.
    for dialog in sorted(set(blocks) - shown):
        print("FAILED: no picture in docs/ shows %s (%s)" % (dialog, blocks[dialog][0]))
        bad += 1
    print("check_pictures: %d pictured dialogs, %d stale or missing" % (len(shown), bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
