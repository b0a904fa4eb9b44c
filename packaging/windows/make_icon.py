#!/usr/bin/env python3
"""Turns a pixel description (see ferrox-icon.txt) into a Windows .ico file.

usage: make_icon.py SOURCE.txt OUTPUT.ico

The icon holds one image of the described size, 32-bit BGRA, as a bottom-up bitmap followed
by its one-bit transparency mask, which is what Windows' icon format asks for.
"""
import struct
import sys


def read_pixels(path):
    palette = {".": (0, 0, 0, 0)}
    rows = []
    for line in open(path, encoding="ascii").read().splitlines():
        if not line or line.startswith("# "):
            continue
        if line.startswith("palette "):
            _, char, colour = line.split()
            palette[char] = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4)) + (255,)
        else:
            rows.append([palette[char] for char in line])
    size = len(rows)
    if size == 0 or size > 256 or any(len(row) != size for row in rows):
        sys.exit(f"{path}: the image must be square, at most 256 pixels a side")
    return rows


def icon(rows):
    size = len(rows)
    mask_stride = (size + 31) // 32 * 4
    colours = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        colours += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    image = header + colours + mask
    side = size % 256  # 0 stands for 256
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", side, side, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + image


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = icon(read_pixels(sys.argv[1]))
    with open(sys.argv[2], "wb") as output:
        output.write(data)
