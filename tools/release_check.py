#!/usr/bin/env python3
"""Checks a release zip as a user receives it, without running anything from it.

usage: release_check.py <zip> <i686|x86_64> <folder>

Unpacks the zip into the folder (emptied first) and checks: the entries are the package's
files and none of a user's own; SHA256SUMS matches every other file and lists them all;
ReadMe.txt is GBK with CR LF line ends and names the version; every binary imports Windows
system DLLs only, exports exactly its interface and carries the version resource of VERSION.
Prints one line a failed check and a closing count; exit code 1 when any check failed.
"""
import hashlib
import os
import re
import shutil
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_binary_interface as cbi  # noqa: E402
import check_imports  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGE = {"Cfgshift.exe", "PlugIns/Geomark.dll", "PlugIns/Lodestar.dll", "PlugIns/Rillpost.dll",
           "QQwry.sample.dat", "ReadMe.txt", "SHA256SUMS"}
OPTIONAL = {"Guide.html"}
USER_FILES = {"qqwry.dat", "myip.dat", "rillpost.xml", "rillpostdata.xml"}


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAILED: " + what)
        return ok


def callback_names():
    text = open(os.path.join(ROOT, "host", "PluginCallbacks.h"), encoding="latin-1").read()
    return re.findall(r"X\((BKC_[A-Za-z]+),", text)


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    zpath, arch, folder = argv[1:]
    objdump = "%s-w64-mingw32-objdump" % arch
    version = open(os.path.join(ROOT, "VERSION")).read().strip()
    c = Checks()

    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with zipfile.ZipFile(zpath) as z:
        names = [i.filename for i in z.infolist()]
        c.check(names == sorted(names), "entries are not in sorted order: %s" % names)
        c.check(len({i.date_time for i in z.infolist()}) == 1, "entries carry different times")
        z.extractall(folder)
    entries = set(names)
    c.check(PACKAGE <= entries, "missing from the package: %s" % sorted(PACKAGE - entries))
    c.check(entries <= PACKAGE | OPTIONAL, "not part of the package: %s" % sorted(entries - PACKAGE - OPTIONAL))
    users = [n for n in names if os.path.basename(n).lower() in USER_FILES]
    c.check(not users, "a user's own file is in the package: %s" % users)

    sums = {}
    for line in open(os.path.join(folder, "SHA256SUMS"), encoding="ascii").read().splitlines():
        digest, name = line.split("  ", 1)
        sums[name] = digest
    c.check(set(sums) == entries - {"SHA256SUMS"},
            "SHA256SUMS lists %s, the package holds %s" % (sorted(sums), sorted(entries - {"SHA256SUMS"})))
    for name, digest in sorted(sums.items()):
        path = os.path.join(folder, name)
        actual = hashlib.sha256(open(path, "rb").read()).hexdigest() if os.path.exists(path) else "missing"
        c.check(actual == digest, "%s: SHA256SUMS says %s, the file has %s" % (name, digest, actual))

    readme = open(os.path.join(folder, "ReadMe.txt"), "rb").read()
    try:
        text = readme.decode("gbk")
        c.check(True, "")
    except UnicodeDecodeError as e:
        c.check(False, "ReadMe.txt is not GBK: %s" % e)
        text = ""
    c.check(readme.count(b"\n") > 0 and readme.count(b"\n") == readme.count(b"\r\n"),
            "ReadMe.txt has line ends other than CR LF")
    c.check(("Rillpost " + version) in text, "ReadMe.txt does not name version " + version)

    plugins = os.path.join(folder, "PlugIns")
    for where in (plugins, folder):
        c.check(check_imports.main_for(objdump, where) == 0, "imports of the binaries in " + where)
    callbacks = callback_names()
    c.check(len(callbacks) > 0, "no callback names found in host/PluginCallbacks.h")
    c.check(cbi.check_exports(objdump, os.path.join(plugins, "Rillpost.dll"), callbacks) == 0,
            "exports of Rillpost.dll")
    c.check(cbi.check_exports(objdump, os.path.join(plugins, "Geomark.dll"), callbacks + ["BKC_Geomark"]) == 0,
            "exports of Geomark.dll")
    c.check(cbi.check_exports(objdump, os.path.join(plugins, "Lodestar.dll"), ["_GetAddress"]) == 0,
            "exports of Lodestar.dll")
    binaries = [os.path.join(plugins, n) for n in ("Rillpost.dll", "Geomark.dll", "Lodestar.dll")]
    binaries.append(os.path.join(folder, "Cfgshift.exe"))
    c.check(cbi.check_version(os.path.join(ROOT, "VERSION"), binaries) == 0, "version resources")
    for b in binaries:
        out = os.popen("%s -f %s" % (objdump, b)).read()
        want = "pei-i386" if arch == "i686" else "pei-x86-64"
        c.check(want in out, "%s is not a %s binary" % (os.path.basename(b), arch))

    print("release_check %s: %d passed, %d failed" % (os.path.basename(zpath), c.passed, c.failed))
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
