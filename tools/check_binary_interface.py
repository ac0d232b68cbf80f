#!/usr/bin/env python3
"""Static checks of a built library's interface, for binaries that may not run on this machine.

  check_binary_interface.py exports <objdump> <dll> <name>...
      The export table holds exactly these names, undecorated.
  check_binary_interface.py stdcall <nm> <PluginCallbacks.h> <def> <object>...
      Every BKC_ function that the .def exports is defined in the objects in the Windows
      standard convention with the argument size that its prototype in the header gives (four
      bytes an argument on i686), and the .def forwards to exactly that decorated name.
  check_binary_interface.py cdecl <nm> <symbol> <object>...
      The symbol is defined in the objects with C decoration (no @size): the caller removes the
      arguments.
"""
import re
import subprocess
import sys


def export_names(objdump, dll):
    out = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
    table = out.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        m = re.match(r"\s*\[\s*\d+\]\s+(\S+)", line)
        if not m:
            break
        names.append(m.group(1))
    return names


def defined_symbols(nm, objects):
    out = subprocess.run([nm, "-g", "--defined-only"] + objects, capture_output=True, text=True,
                         check=True).stdout
    return {parts[-1] for parts in (l.split() for l in out.splitlines()) if len(parts) >= 3}


def prototypes(header):
    """name -> argument bytes, from the callback list and the typedefs of the header."""
    text = open(header, encoding="latin-1").read()
    sizes = {}
    for name, args in re.findall(r"X\((BKC_\w+),\s*int\(WINAPI\*\)\(([^)]*)\)\)", text):
        sizes[name] = 0 if not args.strip() else 4 * (args.count(",") + 1)
    for name, args in re.findall(r"typedef int\(WINAPI\* (BKC_\w+)_Fn\)\(([^)]*)\)", text):
        sizes[name] = 0 if not args.strip() else 4 * (args.count(",") + 1)
    return sizes


def check_exports(objdump, dll, expected):
    actual = sorted(export_names(objdump, dll))
    missing = sorted(set(expected) - set(actual))
    extra = sorted(set(actual) - set(expected))
    for n in missing:
        print("%s: missing export %s" % (dll, n))
    for n in extra:
        print("%s: unexpected export %s" % (dll, n))
    print("exports of %s: %s" % (dll, " ".join(actual)))
    return 1 if missing or extra or len(actual) != len(set(actual)) else 0


def check_stdcall(nm, header, deffile, objects):
    sizes = prototypes(header)
    symbols = defined_symbols(nm, objects)
    bad = 0
    forwarded = re.findall(r"^\s*(BKC_\w+)\s*=\s*(\S+)", open(deffile).read(), re.M)
    if not forwarded:
        print("%s exports no BKC_ function" % deffile)
        return 1
    for name, target in forwarded:
        if name not in sizes:
            print("%s: %s has no prototype in %s" % (deffile, name, header))
            bad += 1
            continue
        want = "%s@%d" % (name, sizes[name])
        if target != want:
            print("%s: %s forwards to %s, its prototype makes it %s" % (deffile, name, target, want))
            bad += 1
        if "_" + want not in symbols:
            found = sorted(s for s in symbols if s.startswith("_" + name + "@"))
            print("%s is not defined as _%s (found: %s)" % (name, want, ", ".join(found) or "nothing"))
            bad += 1
    print("stdcall: %d exports of %s checked, %d bad" % (len(forwarded), deffile, bad))
    return 1 if bad else 0


def check_cdecl(nm, symbol, objects):
    symbols = defined_symbols(nm, objects)
    if "_" + symbol in symbols:
        print("cdecl: _%s defined" % symbol)
        return 0
    found = sorted(s for s in symbols if s.lstrip("_").startswith(symbol))
    print("%s is not defined with C decoration (found: %s)" % (symbol, ", ".join(found) or "nothing"))
    return 1


def main(argv):
    if len(argv) >= 4 and argv[1] == "exports":
        return check_exports(argv[2], argv[3], argv[4:])
    if len(argv) >= 6 and argv[1] == "stdcall":
        return check_stdcall(argv[2], argv[3], argv[4], argv[5:])
    if len(argv) >= 5 and argv[1] == "cdecl":
        return check_cdecl(argv[2], argv[3], argv[4:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
