#!/usr/bin/env python3
"""Writes the extension's icon and cursor files from the pictures in pictures.py.

Every icon file holds four images: 32 by 32 and 16 by 16 pixels, each in
16 colours (4 bits per pixel, the standard Windows palette) and in 32-bit
colour with an alpha channel. The cursor files hold one 32 by 32 monochrome
image with its hot spot.

Usage: make_icons.py OUTPUT_DIRECTORY
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pictures  # noqa: E402

# The 16 colours of the standard Windows palette, by index.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
OUTLINE = 0  # black: the colour that wins when a picture is halved


def row_bytes(width, bits):
    """Bytes in one bitmap row, padded to a multiple of four."""
    return ((width * bits + 31) // 32) * 4


def and_mask(pixels, size, transparent):
    """1 bit per pixel, rows bottom-up: 1 where the screen shows through."""
    stride = row_bytes(size, 1)
    data = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if transparent(pixels[y][x]):
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def info_header(size, bits, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0,
                       colours, 0)


def image_4bit(pixels):
    size = len(pixels)
    stride = row_bytes(size, 4)
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            index = pixels[y][x]
            if index is None:
                index = 0
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += row
    mask = and_mask(pixels, size, lambda p: p is None)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return info_header(size, 4, len(xor) + len(mask), 16) + palette + bytes(xor) + mask


def image_32bit(pixels):
    """The same picture in true colour: fills get a soft top-to-bottom shade and
    the picture a faint shadow to its lower right."""
    size = len(pixels)
    rgba = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            index = pixels[y][x]
            if index is None:
                if x > 0 and y > 0 and pixels[y - 1][x - 1] is not None:
                    rgba[y][x] = (0, 0, 0, 64)
                continue
            r, g, b = PALETTE[index]
            if index != OUTLINE:
                factor = 1.10 - 0.20 * y / (size - 1)
                r, g, b = (min(255, int(c * factor + 0.5)) for c in (r, g, b))
            rgba[y][x] = (r, g, b, 255)
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = rgba[y][x]
            xor += struct.pack("<BBBB", b, g, r, a)
    mask = and_mask(rgba, size, lambda p: p[3] == 0)
    return info_header(size, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def halve(pixels):
    """16 by 16 from 32 by 32, one pixel per 2 by 2 block: the commonest colour
    of the block, the outline colour on a tie so that outlines stay closed; a
    block with fewer than two coloured pixels stays clear."""
    size = len(pixels) // 2
    out = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            block = [pixels[2 * y + dy][2 * x + dx] for dy in (0, 1) for dx in (0, 1)]
            opaque = [p for p in block if p is not None]
            if len(opaque) < 2:
                continue
            out[y][x] = max(set(opaque), key=lambda p: (opaque.count(p), p == OUTLINE, -p))
    return out


def icon_file(pixels32):
    pixels16 = halve(pixels32)
    images = [(32, 16, image_4bit(pixels32)), (16, 16, image_4bit(pixels16)),
              (32, 0, image_32bit(pixels32)), (16, 0, image_32bit(pixels16))]
    return directory(1, [(size, colours, 1, 32 if colours == 0 else 4, data)
                         for (size, colours, data) in images])


def cursor_file(art, hot_spot):
    """A monochrome cursor from ASCII art: '.' clear, 'X' black, 'o' white,
    '~' inverts the screen."""
    size = 32
    rows = [line.ljust(size, ".") for line in art] + ["." * size] * (size - len(art))
    stride = row_bytes(size, 1)
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if rows[y][x] in "o~":
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    mask = and_mask(rows, size, lambda p: p in ".~")
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    data = info_header(size, 1, len(xor) + len(mask), 2) + palette + bytes(xor) + mask
    return directory(2, [(size, 2, hot_spot[0], hot_spot[1], data)])


def directory(kind, images):
    """ICONDIR and its entries; for cursors the planes and bit-count fields
    carry the hot spot."""
    header = struct.pack("<HHH", 0, kind, len(images))
    offset = len(header) + 16 * len(images)
    entries, blobs = b"", b""
    for size, colours, field1, field2, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, field1, field2,
                               len(data), offset + len(blobs))
        blobs += data
    return header + entries + blobs


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, draw in pictures.ICONS.items():
        canvas = pictures.Canvas(32)
        draw(canvas)
        # '?' cannot stand in a file name; the resource name keeps it.
        with open(os.path.join(out, name.replace("?", "_") + ".ico"), "wb") as f:
            f.write(icon_file(canvas.pixels))
    for name, (art, hot_spot) in pictures.CURSORS.items():
        with open(os.path.join(out, name + ".cur"), "wb") as f:
            f.write(cursor_file(art, hot_spot))


if __name__ == "__main__":
    main()
