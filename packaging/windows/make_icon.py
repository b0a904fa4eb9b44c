#!/usr/bin/env python3
"""Renders the icon description (see ferrox-icon.txt) into a Windows .ico file.

usage: make_icon.py SOURCE.txt OUTPUT.ico
       make_icon.py --png=SIZE SOURCE.txt OUTPUT.png


Each size is one image: 32-bit BGRA as a bottom-up bitmap followed by its one-bit
transparency mask, which is what Windows' icon format asks for; 256 pixels and more are
PNG-compressed instead, as Windows reads images of that size. With --png, one image of
SIZE pixels a side as a PNG file, for places that take no .ico (the editor extension).
"""
import math
import struct
import sys
import zlib

SAMPLES = 4  # a pixel on a rounded edge is the mean of SAMPLES x SAMPLES points


def fail(message):
    sys.exit(f"make_icon.py: {message}")


def read_description(path):
    sizes, palette, frame, boxes = [], {}, None, []
    for number, line in enumerate(open(path, encoding="ascii").read().splitlines(), 1):
        words = line.split()
        if not words or line.startswith("#"):
            continue
        try:
            if words[0] == "sizes":
                sizes = [int(word) for word in words[1:]]
            elif words[0] == "palette" and len(words) == 3 and len(words[2]) == 6:
                palette[words[1]] = bytes.fromhex(words[2])
            elif words[0] == "frame" and len(words) == 3:
                frame = (palette[words[1]], float(words[2]))
            elif words[0] == "box" and len(words) == 6:
                boxes.append((palette[words[1]], [float(word) for word in words[2:]]))
            else:
                raise ValueError("unknown line")
        except (KeyError, ValueError) as error:
            fail(f"{path}:{number}: {error}")
    if not sizes or any(size < 1 or size > 256 for size in sizes) or frame is None:
        fail(f"{path}: needs sizes from 1 to 256 and a frame")
    return sizes, frame, boxes


def snap(units, scale):
    return math.floor(units * scale + 0.5)


def inside_rounded(x, y, low, high, radius):
    """Whether the point lies in the square from low to high with corners of that radius."""
    if x < low or y < low or x > high or y > high:
        return False
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def render(size, frame, boxes):
    """Rows of (r, g, b, a), top row first."""
    scale = size / 32
    edge = max(1, snap(1, scale))
    radius = frame[1] * scale
    inner_radius = max(radius - edge, 0)
    pixel_boxes = [(colour, [snap(c, scale) for c in corners]) for colour, corners in boxes]

    def colour_at(x, y):
        if not inside_rounded(x, y, 0, size, radius):
            return None
        if not inside_rounded(x, y, edge, size - edge, inner_radius):
            return frame[0]
        found = frame[0]
        for colour, (x0, y0, x1, y1) in pixel_boxes:
            if x0 <= x < x1 and y0 <= y < y1:
                found = colour
        return found

    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            corners = {colour_at(px + dx, py + dy) for dx in (0.01, 0.99) for dy in (0.01, 0.99)}
            if len(corners) == 1:  # the whole pixel is one colour, or outside
                colour = corners.pop()
                row.append((0, 0, 0, 0) if colour is None else (*colour, 255))
                continue
            total, alpha = [0, 0, 0], 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if colour is not None:
                        total = [t + c for t, c in zip(total, colour)]
                        alpha += 1
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((*(round(t / alpha) for t in total),
                            round(255 * alpha / SAMPLES ** 2)))
        rows.append(row)
    return rows


def bitmap(rows):
    size = len(rows)
    mask_stride = (size + 31) // 32 * 4
    colours, mask = bytearray(), bytearray()
    for row in reversed(rows):
        colours += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    return header + colours + mask


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + b"".join(bytes(pixel) for pixel in row) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon(sizes, frame, boxes):
    images = []
    for size in sizes:
        rows = render(size, frame, boxes)
        images.append((size, png(rows) if size >= 256 else bitmap(rows)))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in images:
        side = size % 256  # 0 stands for 256
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(image for _, image in images)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    png_size = None
    if arguments and arguments[0].startswith("--png="):
        png_size = int(arguments.pop(0)[len("--png="):])
    if len(arguments) != 2:
        sys.exit(__doc__)
    sizes, frame, boxes = read_description(arguments[0])
    if png_size is None:
        data = icon(sizes, frame, boxes)
    else:
        data = png(render(png_size, frame, boxes))
    with open(arguments[1], "wb") as output:
        output.write(data)
