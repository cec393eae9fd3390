#!/usr/bin/env python3
"""Writes the stub's icon: one file with a 16x16 and a 32x32 image, 4 bits a
pixel; the colour table holds only the colours the picture uses.

The picture is a closed box with a zip fastener down its middle and a tab at
its foot, drawn from a few rectangles so that both sizes come from one
description. Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

# The 16 standard colours (blue, green, red, reserved), index = colour number.
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0),
    (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0),
    (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, DARK_BLUE, GREY, BLUE, YELLOW, WHITE = 0, 1, 8, 9, 14, 15

# Rectangles in 32ths of the image: (left, top, right, bottom, colour), drawn
# in order; uncovered pixels are transparent.
SHAPES = [
    (3, 5, 29, 29, BLACK),        # outline of the box
    (4, 6, 28, 28, BLUE),         # body
    (4, 6, 28, 11, DARK_BLUE),    # lid
    (14, 6, 18, 28, GREY),        # fastener track
    (15, 6, 17, 28, YELLOW),      # teeth
    (13, 22, 19, 27, WHITE),      # pull tab
    (14, 23, 18, 26, YELLOW),
]


def pixels(size):
    grid = [[None] * size for _ in range(size)]
    for left, top, right, bottom, colour in SHAPES:
        for y in range(top * size // 32, bottom * size // 32):
            for x in range(left * size // 32, right * size // 32):
                grid[y][x] = colour
    return grid


def image(size):
    grid = pixels(size)
    used = sorted(set(c for row in grid for c in row if c is not None) | {BLACK})
    index = {colour: i for i, colour in enumerate(used)}
    # biClrUsed: the table's length; every pixel is an index into it.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, len(used), 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in (PALETTE[c] for c in used))
    colour_rows, mask_rows = [], []
    for row in reversed(grid):   # bitmaps are stored bottom-up
        # Transparent pixels: colour index 0 (black), masked out.
        nibbles = [index[BLACK if c is None else c] for c in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows.append(packed.ljust((len(packed) + 3) // 4 * 4, b'\0'))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        mask = bits.to_bytes(size // 8, 'big')
        mask_rows.append(mask.ljust((len(mask) + 3) // 4 * 4, b'\0'))
    return header + palette + b''.join(colour_rows) + b''.join(mask_rows)


def main():
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
