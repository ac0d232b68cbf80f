"""Times the two independent yEnc decoders from Debian on the block in a file: python3-yenc
(plain C) on its data lines and python3-sabyenc (SIMD) on the article as it comes over the wire.
Both compute the CRC-32 as they decode, as ours does. Prints "<yenc ms> <sabyenc ms>".
  yenc_anchor.py <block file>"""
import sys
import time

import _yenc
import sabyenc3


def main():
    with open(sys.argv[1], "rb") as f:
        block = f.read()
    head, rest = block.split(b"\r\n", 1)
    lines = rest[:rest.rindex(b"\r\n=yend")]
    wire = b"\r\n".join((b"." + l if l.startswith(b".") else l) for l in block.split(b"\r\n")[:-1]) + b"\r\n.\r\n"
    start = time.perf_counter()
    plain, _, _ = _yenc.decode_string(lines)
    plain_ms = (time.perf_counter() - start) * 1000
    start = time.perf_counter()
    simd, _, crc_ok = sabyenc3.decode_usenet_chunks([wire])
    simd_ms = (time.perf_counter() - start) * 1000
    if plain != simd or not crc_ok:
        print("the decoders disagree", file=sys.stderr)
        return 1
    print("%.3f %.3f" % (plain_ms, simd_ms))
    return 0


if __name__ == "__main__":
    sys.exit(main())
