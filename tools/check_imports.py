#!/usr/bin/env python3
"""Fails when a built Windows binary imports any DLL that is not part of Windows itself.

usage: check_imports.py <objdump> <folder>
Every .dll and .exe in the folder is checked; the plug-ins must load on a machine that has
nothing but Windows installed.
"""
import os
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "comctl32.dll", "comdlg32.dll", "ws2_32.dll", "wsock32.dll", "ole32.dll", "oleaut32.dll",
    "msvcrt.dll", "ntdll.dll", "version.dll", "winmm.dll", "uxtheme.dll", "imm32.dll",
    "userenv.dll", "psapi.dll", "crypt32.dll", "secur32.dll", "rpcrt4.dll", "dbghelp.dll",
}


def imports(objdump, path):
    out = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    return [m.lower() for m in re.findall(r"DLL Name: (\S+)", out)]


def main():
    return main_for(sys.argv[1], sys.argv[2])


def main_for(objdump, folder):
    binaries = sorted(f for f in os.listdir(folder) if f.lower().endswith((".dll", ".exe")))
    if not binaries:
        print("check_imports: no binaries in " + folder)
        return 1
    own = {b.lower() for b in binaries if b.lower().endswith(".dll")}
    bad = 0
    for name in binaries:
        for dll in imports(objdump, os.path.join(folder, name)):
            if dll in SYSTEM_DLLS or dll.startswith("api-ms-win-"):
                continue
            print("%s imports %s, which is not a Windows system DLL%s" %
                  (name, dll, " (one of ours: link it statically)" if dll in own else ""))
            bad += 1
    print("check_imports: %d binaries checked, %d bad imports" % (len(binaries), bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
