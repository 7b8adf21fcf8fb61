#!/usr/bin/env python3
"""Draws the window's background picture and the program's icon.

background.bmp: 640 x 480, 8 bits per pixel, 65 colours: a soft diagonal
gradient in 64 tones with a dotted grid in a 65th, light enough for black
captions. brouillamine.ico: a clipboard holding rows of digits, at 32 x 32
and 16 x 16 in the 16 colours of the classic VGA palette. The desktop's icon,
the same design, is drawn by hand in brouillamine.svg.
Run it from anywhere; it writes beside itself.
"""
import math
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def bmp_8bit(width, height, palette, pixel):
    row_size = (width + 3) & ~3
    rows = bytearray()
    for y in reversed(range(height)):
        row = bytes(pixel(x, y) for x in range(width))
        rows += row + bytes(row_size - width)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows),
                       3780, 3780, len(palette), len(palette))
    return header + info + colours + bytes(rows)


def background():
    top_left, bottom_right = (236, 241, 250), (196, 208, 236)
    tones = [tuple(round(a + (b - a) * i / 63) for a, b in zip(top_left, bottom_right))
             for i in range(64)]
    dot = (176, 190, 226)

    def pixel(x, y):
        if x % 12 == 0 and y % 12 == 0:
            return 64
        # The window shows only the top-left 290 x 128: spend the tones there.
        t = 0.55 * x / 290 + 0.45 * y / 128 + 0.04 * math.sin(x / 23 + y / 17)
        return max(0, min(63, round(63 * t)))

    return bmp_8bit(640, 480, tones + [dot], pixel)


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CLEAR, BLACK, OLIVE, NAVY, SILVER, GREY, WHITE, BLUE = None, 0, 3, 4, 7, 8, 15, 12


def clipboard_icon(size):
    """A board, its sheet and clip, and rows of digit marks, scaled to size."""
    s = size / 32

    def inside(x, y, left, top, right, bottom):
        return left * s <= x < right * s and top * s <= y < bottom * s

    def colour(x, y):
        if inside(x, y, 11, 1, 21, 7):
            return GREY if inside(x, y, 13, 3, 19, 5) else SILVER
        if inside(x, y, 8, 8, 24, 29):
            row = (y - 10 * s) / (4 * s)
            if row >= 0 and row % 1 < 0.5 and inside(x, y, 10, 10, 22, 27):
                return NAVY if int((x - 10 * s) / (2 * s)) % 2 == 0 else BLUE
            return WHITE
        if inside(x, y, 5, 3, 27, 31):
            return BLACK if not inside(x, y, 6, 4, 26, 30) else OLIVE
        return CLEAR

    return [[colour(x, y) for x in range(size)] for y in range(size)]


def ico_image(pixels):
    size = len(pixels)
    xor_row = ((size * 4 + 31) // 32) * 4
    and_row = ((size + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(pixels):
        nibbles = [0 if c is None else c for c in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += packed + bytes(xor_row - len(packed))
        bits = 0
        for x, c in enumerate(row):
            bits = (bits << 1) | (c is None)
        packed = bits.to_bytes((size + 7) // 8, "big")
        mask += packed + bytes(and_row - len(packed))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                       0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    return info + colours + bytes(xor) + bytes(mask)


def icon():
    images = [ico_image(clipboard_icon(size)) for size in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


if __name__ == "__main__":
    (HERE / "background.bmp").write_bytes(background())
    (HERE / "brouillamine.ico").write_bytes(icon())
