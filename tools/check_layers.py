#!/usr/bin/env python3
"""Checks the include arrows between the product's folders: each folder may include only itself
and the folders listed for it, so that the plug-in (news/) wires its dialogs (ui/) and never the
other way round. Prints every include that breaks a rule; exits 1 when there is one."""
import pathlib
import re
import sys

ALLOWED = {
    "host": set(),
    "xml": set(),
    "mime": {"xml"},
    "nntp": {"host", "mime", "xml"},
    "ui": {"host", "mime", "nntp", "xml"},
    "news": {"host", "mime", "nntp", "ui", "xml"},
    "lodestar": {"xml"},
    "geomark": {"host", "lodestar", "mime", "xml"},
    "cfgshift": {"xml"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/', re.M)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    broken = []
    for folder, allowed in sorted(ALLOWED.items()):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp", ".c", ".rc"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                target = match.group(1)
                if target != folder and target not in allowed and target in ALLOWED:
                    line = text.count("\n", 0, match.start()) + 1
                    broken.append(f"{path.relative_to(root)}:{line}: {folder}/ may not include {target}/")
    for line in broken:
        print(line)
    print(f"check_layers: {len(broken)} include(s) against the folder rules")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
