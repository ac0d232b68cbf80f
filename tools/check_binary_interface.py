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
  check_binary_interface.py version <VERSION file> <binary>...
      Each binary carries a version resource whose numbers are those of the VERSION file (padded
      with zeros to four), whose string versions begin with it, whose product name is Rillpost,
      whose original file name is the binary's own and which has a file description.
"""
import os
import re
import struct
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


def _rva_to_offset(sections, rva):
    for vaddr, vsize, raw, rawsize in sections:
        if vaddr <= rva < vaddr + max(vsize, rawsize):
            return rva - vaddr + raw
    raise ValueError("address 0x%x lies in no section" % rva)


def version_resource(path):
    """The raw VS_VERSIONINFO block of a PE file, or None when it has none."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    nsections, optsize = struct.unpack_from("<H12xH", data, pe + 6)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    ndirs = struct.unpack_from("<I", data, dirs - 4)[0]
    if ndirs < 3:
        return None
    res_rva, res_size = struct.unpack_from("<II", data, dirs + 2 * 8)
    if not res_rva:
        return None
    sections = []
    for i in range(nsections):
        vsize, vaddr, rawsize, raw = struct.unpack_from("<IIII", data, opt + optsize + 40 * i + 8)
        sections.append((vaddr, vsize, raw, rawsize))
    base = _rva_to_offset(sections, res_rva)

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + offset + 16 + 8 * i)

    # Three levels: type, name, language. RT_VERSION is type 16.
    for ident, target in entries(0):
        if ident != 16 or not target & 0x80000000:
            continue
        for _, name_dir in entries(target & 0x7FFFFFFF):
            for _, leaf in entries(name_dir & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                start = _rva_to_offset(sections, rva)
                return data[start:start + size]
    return None


def _block(data, offset):
    """(key, value bytes, children offsets, end) of a version block at offset."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[pos:pos + value_bytes]
    pos = (pos + value_bytes + 3) & ~3
    children = []
    while pos < end:
        children.append(pos)
        pos = (pos + struct.unpack_from("<H", data, pos)[0] + 3) & ~3
    return key, value, children, end


def parse_version(block):
    """(four file version numbers, four product version numbers, {string name: value})."""
    key, fixed, children, _ = _block(block, 0)
    if key != "VS_VERSION_INFO" or len(fixed) < 52:
        raise ValueError("malformed version resource")
    signature, _, fms, fls, pms, pls = struct.unpack_from("<IIIIII", fixed)
    if signature != 0xFEEF04BD:
        raise ValueError("version resource without its fixed part")
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {}
    for child in children:
        ckey, _, tables, _ = _block(block, child)
        if ckey != "StringFileInfo":
            continue
        for table in tables:
            for entry in _block(block, table)[2]:
                name, value, _, _ = _block(block, entry)
                strings[name] = value.decode("utf-16-le").rstrip("\0")
    return split(fms, fls), split(pms, pls), strings


def check_version(version_file, binaries):
    version = open(version_file).read().strip()
    numbers = tuple(int(p) for p in version.split(".")) + (0, 0, 0)
    numbers = numbers[:4]
    bad = 0
    for path in binaries:
        name = os.path.basename(path)
        block = version_resource(path)
        if block is None:
            print("%s: no version resource" % name)
            bad += 1
            continue
        fileversion, productversion, strings = parse_version(block)
        faults = []
        if fileversion != numbers:
            faults.append("FILEVERSION is %s" % ",".join(map(str, fileversion)))
        if productversion != numbers:
            faults.append("PRODUCTVERSION is %s" % ",".join(map(str, productversion)))
        for field in ("FileVersion", "ProductVersion"):
            value = strings.get(field, "")
            if value != version and not value.startswith(version + " "):
                faults.append("%s is \"%s\"" % (field, value))
        if strings.get("ProductName") != "Rillpost":
            faults.append("ProductName is \"%s\"" % strings.get("ProductName", ""))
        if strings.get("OriginalFilename", "").lower() != name.lower():
            faults.append("OriginalFilename is \"%s\"" % strings.get("OriginalFilename", ""))
        if not strings.get("FileDescription"):
            faults.append("no FileDescription")
        for f in faults:
            print("%s: %s, VERSION says %s" % (name, f, version))
        bad += 1 if faults else 0
        print("version of %s: %s, \"%s\", \"%s\"" % (name, ".".join(map(str, fileversion)),
              strings.get("FileVersion", ""), strings.get("FileDescription", "")))
    return 1 if bad else 0


def main(argv):
    if len(argv) >= 4 and argv[1] == "exports":
        return check_exports(argv[2], argv[3], argv[4:])
    if len(argv) >= 6 and argv[1] == "stdcall":
        return check_stdcall(argv[2], argv[3], argv[4], argv[5:])
    if len(argv) >= 5 and argv[1] == "cdecl":
        return check_cdecl(argv[2], argv[3], argv[4:])
    if len(argv) >= 4 and argv[1] == "version":
        return check_version(argv[2], argv[3:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
