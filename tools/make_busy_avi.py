#!/usr/bin/env python3
"""Writes ui/Busy.avi, the looping busy animation of the group-list dialog: a ring of eight dots
whose dark dot walks round, as an uncompressed 8-bit AVI (the kind the animation control plays
without a codec). Run it again only to change the picture: tools/make_busy_avi.py ui/Busy.avi"""
import math
import struct
import sys

SIZE, FRAMES, DOTS, RADIUS, DOT = 32, 8, 8, 11, 3.2
PALETTE = [(240, 240, 240), (200, 200, 200), (120, 140, 190), (30, 60, 150)]


def frame(step):
    pixels = bytearray(SIZE * SIZE)  # colour 0, the background (transparent with ACS_TRANSPARENT)
    for dot in range(DOTS):
        angle = 2 * math.pi * dot / DOTS
        cx, cy = SIZE / 2 + RADIUS * math.cos(angle), SIZE / 2 + RADIUS * math.sin(angle)
        behind = (step - dot) % DOTS
        colour = 3 if behind == 0 else 2 if behind == 1 else 1
        for y in range(SIZE):
            for x in range(SIZE):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= DOT * DOT:
                    pixels[y * SIZE + x] = colour
    return bytes(pixels)  # rows of 32 bytes need no padding; bottom-up order is symmetric enough


def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def riff_list(kind, fourcc, data):
    return kind + struct.pack("<I", len(data) + 4) + fourcc + data


def main(path):
    frames = [frame(step) for step in range(FRAMES)]
    size = SIZE * SIZE
    avih = struct.pack("<IIIIIIIIII16x", 100000, size * 10, 0, 0x10, FRAMES, 0, 1, size, SIZE, SIZE)
    strh = b"vids" + struct.pack("<IIHHIIIIIIIIhhhh", 0, 0, 0, 0, 0, 1, 10, 0, FRAMES, size, 0xFFFFFFFF, 0,
                                 0, 0, SIZE, SIZE)
    bih = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, size, 0, 0, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE) + b"\0" * 4 * (256 - len(PALETTE))
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + palette))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)
    movi_data, index, offset = b"", b"", 4
    for pixels in frames:
        movi_data += chunk(b"00db", pixels)
        index += b"00db" + struct.pack("<III", 0x10, offset, len(pixels))
        offset += 8 + len(pixels)
    movi = riff_list(b"LIST", b"movi", movi_data)
    body = hdrl + movi + chunk(b"idx1", index)
    with open(path, "wb") as out:
        out.write(riff_list(b"RIFF", b"AVI ", body))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Busy.avi")
