#!/usr/bin/env python3
"""Writes src/app/res/packstub.ico: the program's icon in six sizes (16, 32,
48, 64, 128 and 256 pixels, 32 bits per pixel, PNG-compressed entries), a
blue rounded square with a white download arrow.
Run from the repository root: python3 tools/generators/app_icon.py
"""

import struct
import zlib

SIZES = [16, 32, 48, 64, 128, 256]


def pixel(x, y, n):
    # Coordinates in a 0..1 square.
    u, v = (x + 0.5) / n, (y + 0.5) / n
    r = 0.18
    cu, cv = min(max(u, r), 1 - r), min(max(v, r), 1 - r)
    if (u - cu) ** 2 + (v - cv) ** 2 > r * r:
        return (0, 0, 0, 0)
    white = (255, 255, 255, 255)
    if abs(u - 0.5) < 0.09 and 0.18 < v < 0.58:
        return white
    if 0.50 < v < 0.80 and abs(u - 0.5) < 0.80 - v:
        return white
    return (0x1E, 0x5A, 0xA8, 255)


def png(n):
    rows = b"".join(b"\x00" + b"".join(bytes(pixel(x, y, n)) for x in range(n)) for y in range(n))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def main():
    images = [png(n) for n in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open("src/app/res/packstub.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
