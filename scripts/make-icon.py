#!/usr/bin/env python3
"""Draws the launchers' application icon and writes it as a multi-size .ico.

A rounded square in a blue-to-teal gradient with a white "start" triangle, drawn with 4x4
supersampling at 16, 32 and 48 pixels with alpha. The 16-pixel image is a plain 32-bit
bitmap; the larger ones are PNG-compressed, as icons may be since Windows Vista, which keeps
the icon a few KiB instead of 15. Standard library only; the output is byte-for-byte the same
at every run.

    scripts/make-icon.py launcher/resources/launcher.ico
"""
import struct
import sys
import zlib

SIZES = (16, 32, 48)
SAMPLES = 4


def inside_rounded_square(x, y, radius):
    # Unit square [0, 1]^2 with rounded corners.
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_triangle(x, y):
    # A right-pointing triangle, optically centred.
    ax, ay, bx, by, px, py = 0.36, 0.25, 0.36, 0.75, 0.76, 0.5
    def side(x1, y1, x2, y2):
        return (x - x2) * (y1 - y2) - (x1 - x2) * (y - y2)
    d1, d2, d3 = side(ax, ay, bx, by), side(bx, by, px, py), side(px, py, ax, ay)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def pixel(size, col, row):
    """Colour (r, g, b, a) of one pixel, row 0 at the top."""
    r = g = b = a = 0.0
    margin = 1.0 / size  # one pixel of air around the square
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (col + (sx + 0.5) / SAMPLES) / size
            y = (row + (sy + 0.5) / SAMPLES) / size
            u = (x - margin) / (1 - 2 * margin)
            v = (y - margin) / (1 - 2 * margin)
            if not (0 <= u <= 1 and 0 <= v <= 1 and inside_rounded_square(u, v, 0.22)):
                continue
            if inside_triangle(u, v):
                cr, cg, cb = 255, 255, 255
            else:
                t = (u + v) / 2  # diagonal gradient, deep blue to teal
                cr, cg, cb = 20 + 10 * t, 90 + 90 * t, 200 - 40 * t
            r, g, b, a = r + cr, g + cg, b + cb, a + 1
    if a == 0:
        return (0, 0, 0, 0)
    return (round(r / a), round(g / a), round(b / a), round(255 * a / SAMPLES ** 2))


PNG_SIZES = (32, 48)


def png_image(size):
    """The image as a PNG file: RGBA, 8 bits a channel, rows unfiltered."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + b"".join(bytes(pixel(size, col, row)) for col in range(size))
                    for row in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def icon_image(size):
    """BITMAPINFOHEADER, BGRA rows bottom-up, then the 1-bit AND mask."""
    if size in PNG_SIZES:
        return png_image(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(range(size)):
        bits = 0
        mask_row = bytearray(mask_stride)
        for col in range(size):
            r, g, b, a = pixel(size, col, row)
            pixels += bytes((b, g, r, a))
            if a == 0:
                mask_row[col // 8] |= 0x80 >> (col % 8)
        mask += mask_row
    return header + bytes(pixels) + bytes(mask)


def main(path):
    images = [icon_image(size) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
