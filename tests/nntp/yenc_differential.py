"""Our yEnc decoder against two independent ones from Debian: python3-sabyenc (SIMD) and
python3-yenc (plain C). Files of random sizes and bytes (the ones that need escaping made
common) are encoded by each package's own encoder; every decoder then gets the form it expects:
sabyenc the article as it comes over the wire (dot-stuffed, ending in "."), python3-yenc the data
lines, ours the stored article (dot-stuffing removed). All must give back the file.
  yenc_differential.py <ydecode_tool> <work folder>"""
import binascii
import os
import random
import subprocess
import sys

import _yenc
import sabyenc3

CRITICAL = [0xD6, 0xE0, 0xE3, 0x13, 0xDF, 0xF6, 0x04, 0x00, 0x0A, 0x0D, 0x3D, 0x2E]


def random_file(rnd):
    size = rnd.choice([1, 2, 127, 128, 129, rnd.randint(0, 4000), rnd.randint(4000, 70000)])
    # About 30 % of the values are mapped onto the critical ones.
    table = bytes(CRITICAL[v % len(CRITICAL)] if v < 77 else v for v in range(256))
    return rnd.randbytes(size).translate(table)


def main():
    tool, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    rnd = random.Random(24)
    cases = []
    for case in range(300):
        data = random_file(rnd)
        if case % 2:
            lines, _ = sabyenc3.encode(data)
        else:
            lines, _, _ = _yenc.encode_string(data)
        lines = lines.rstrip(b"\r\n")
        block = (b"=ybegin line=128 size=%d name=f%d.bin\r\n" % (len(data), case) + lines +
                 b"\r\n=yend size=%d crc32=%08x\r\n" % (len(data), binascii.crc32(data)))
        stored = b"Subject: case %d\r\n\r\nText first.\r\n" % case + block
        path = os.path.join(work, "case%03d.txt" % case)
        with open(path, "wb") as f:
            f.write(stored)
        for stale in (path + ".out",):
            if os.path.exists(stale):
                os.remove(stale)
        cases.append((path, data, lines, stored))
    subprocess.check_call([tool] + [c[0] for c in cases])

    failures = 0
    for case, (path, data, lines, stored) in enumerate(cases):
        ours = None
        if os.path.exists(path + ".out"):
            with open(path + ".out", "rb") as f:
                ours = f.read()
        wire = b"\r\n".join((b"." + l if l.startswith(b".") else l) for l in stored.split(b"\r\n")[:-1])
        wire += b"\r\n.\r\n"
        try:
            sab = sabyenc3.decode_usenet_chunks([wire[wire.index(b"=ybegin"):]])[0]
        except ValueError:
            sab = None
        plain = _yenc.decode_string(lines)[0]
        if not (ours == sab == plain == data):
            failures += 1
            print("case %d (%d bytes, %s encoder): ours %s, sabyenc %s, yenc %s" % (
                case, len(data), "sabyenc" if case % 2 else "yenc",
                "refused" if ours is None else ("right" if ours == data else "wrong"),
                "refused" if sab is None else ("right" if sab == data else "wrong"),
                "right" if plain == data else "wrong"))
    print("yenc differential: %d files, %d disagreements" % (len(cases), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
