#!/usr/bin/env python3
"""Packs a staged release folder into its zip, the same bytes on every run.

usage: release_pack.py --version V --time UNIX_SECONDS --readme ReadMe.txt <stage> <zip>

Writes ReadMe.txt into the stage (the version filled in, GBK with CR LF, as Notepad on our
users' systems reads it) and SHA256SUMS over every other file, then the zip: entries in sorted
order, each dated at the given time (the commit's), with fixed attributes and compression.
Refuses a stage that holds a user's own file: unzipping over an installation must never
replace one.
"""
import argparse
import hashlib
import os
import sys
import time
import zipfile

# Files that belong to a user's installation, never to the package.
USER_FILES = {"qqwry.dat", "myip.dat", "rillpost.xml", "rillpostdata.xml"}
REQUIRED = ["PlugIns/Rillpost.dll", "PlugIns/Geomark.dll", "PlugIns/Lodestar.dll", "Cfgshift.exe",
            "QQwry.sample.dat", "ReadMe.txt", "SHA256SUMS"]


def staged_files(stage):
    names = []
    for folder, _, files in os.walk(stage):
        for f in files:
            names.append(os.path.relpath(os.path.join(folder, f), stage).replace(os.sep, "/"))
    return sorted(names)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--time", type=int, required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("stage")
    parser.add_argument("zip")
    args = parser.parse_args()

    text = open(args.readme, encoding="utf-8").read().replace("@VERSION@", args.version)
    text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    with open(os.path.join(args.stage, "ReadMe.txt"), "wb") as f:
        f.write(text.encode("gbk"))

    listed = [n for n in staged_files(args.stage) if n != "SHA256SUMS"]
    with open(os.path.join(args.stage, "SHA256SUMS"), "w", newline="\n") as f:
        for n in listed:
            f.write("%s  %s\n" % (sha256(os.path.join(args.stage, n)), n))

    names = staged_files(args.stage)
    bad = [n for n in names if os.path.basename(n).lower() in USER_FILES]
    missing = [n for n in REQUIRED if n not in names]
    for n in bad:
        print("release_pack: %s is a user's file and must not be in the package" % n)
    for n in missing:
        print("release_pack: %s is missing from the package" % n)
    if bad or missing:
        return 1

    # Zip times are local-time fields without a zone: the commit time in UTC, and never before
    # the format's first year.
    stamp = time.gmtime(max(args.time, 315532800))[:6]
    tmp = args.zip + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for n in names:
            info = zipfile.ZipInfo(n, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            with open(os.path.join(args.stage, n), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, args.zip)
    print("release: %s, %d bytes, %d files" % (args.zip, os.path.getsize(args.zip), len(names)))
    for n in names:
        print("  %s" % n)
    return 0


if __name__ == "__main__":
    sys.exit(main())
