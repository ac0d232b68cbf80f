#!/usr/bin/env python3
"""The release packer: refuses a user's own files, and packs the same bytes from any folder."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

PACK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "release_pack.py")
FILES = ["PlugIns/Rillpost.dll", "PlugIns/Geomark.dll", "PlugIns/Lodestar.dll", "Cfgshift.exe",
         "QQwry.sample.dat"]


def stage(root, extra=()):
    for name in list(FILES) + list(extra):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(name.encode() * 100)
    readme = os.path.join(root, "..", "ReadMe.in")
    with open(readme, "w", encoding="utf-8") as f:
        f.write("Rillpost @VERSION@\n\u65b0\u95fb\n")
    return readme


def pack(root, readme, zpath):
    return subprocess.run([sys.executable, PACK, "--version", "2.3", "--time", "1700000000", "--readme", readme,
                           root, zpath], capture_output=True, text=True)


class ReleasePackTest(unittest.TestCase):
    def test_refuses_user_files_in_any_folder_and_case(self):
        for name in ["QQwry.dat", "myip.dat", "PlugIns/Rillpost.xml", "PlugIns/RILLPOSTDATA.XML"]:
            with self.subTest(name=name), tempfile.TemporaryDirectory() as tmp:
                root = os.path.join(tmp, "stage")
                readme = stage(root, [name])
                result = pack(root, readme, os.path.join(tmp, "out.zip"))
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn("user's file", result.stdout)
                self.assertFalse(os.path.exists(os.path.join(tmp, "out.zip")))

    def test_refuses_a_package_without_a_deliverable(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = os.path.join(tmp, "stage")
            readme = stage(root)
            os.remove(os.path.join(root, "PlugIns", "Lodestar.dll"))
            result = pack(root, readme, os.path.join(tmp, "out.zip"))
            self.assertEqual(result.returncode, 1)
            self.assertIn("PlugIns/Lodestar.dll is missing", result.stdout)

    def test_same_bytes_from_two_folders(self):
        with tempfile.TemporaryDirectory() as tmp:
            zips = []
            for folder in ("a", "deeper/b"):
                root = os.path.join(tmp, folder, "stage")
                readme = stage(root)
                zips.append(os.path.join(tmp, folder, "out.zip"))
                self.assertEqual(pack(root, readme, zips[-1]).returncode, 0)
            self.assertEqual(open(zips[0], "rb").read(), open(zips[1], "rb").read())
            with zipfile.ZipFile(zips[0]) as z:
                names = z.namelist()
                self.assertEqual(names, sorted(names))
                self.assertEqual({i.date_time for i in z.infolist()}, {(2023, 11, 14, 22, 13, 20)})
                readme = z.read("ReadMe.txt")
                self.assertEqual(readme, "Rillpost 2.3\r\n\u65b0\u95fb\r\n".encode("gbk"))
                sums = z.read("SHA256SUMS").decode().splitlines()
                self.assertEqual([l.split("  ")[1] for l in sums], sorted(set(names) - {"SHA256SUMS"}))


if __name__ == "__main__":
    unittest.main()
