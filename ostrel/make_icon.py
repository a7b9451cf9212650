#!/usr/bin/env python3
"""Writes ostrel.ico: one 32 x 32 icon of 16 colours (4 bits per pixel), a gold key
under a red cross. Run it from this folder after changing the picture."""
import struct

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, RED, YELLOW, WHITE = 0, 3, 9, 11, 15
SIZE = 32


def picture():
    """Rows top to bottom; None is transparent."""
    px = [[None] * SIZE for _ in range(SIZE)]

    def put(x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            px[y][x] = c

    # The key: a ring on the left, a shaft to the right, two teeth below it.
    for y in range(SIZE):
        for x in range(SIZE):
            d = (x - 8) ** 2 + (y - 11) ** 2
            if d <= 49:
                put(x, y, OLIVE if d >= 30 else (YELLOW if d >= 6 else None))
    for x in range(14, 30):
        for y in range(9, 14):
            put(x, y, OLIVE if y in (9, 13) or x == 29 else YELLOW)
    for x0 in (21, 26):
        for x in range(x0, x0 + 3):
            for y in range(14, 19):
                put(x, y, OLIVE if x in (x0, x0 + 2) or y == 18 else YELLOW)
    # The cross, bottom right: red strokes with a white rim.
    for i in range(14, 31):
        for x in (i, 45 - i):
            for d in (-2, 2):
                if x + d < SIZE and px[i][x + d] != RED:
                    put(x + d, i, WHITE)
            for d in (-1, 0, 1):
                put(x + d, i, RED)
    return px


def icon(px):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):  # bitmaps run bottom-up
        nibbles = [BLACK if c is None else c for c in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        mask += bits.to_bytes(4, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


if __name__ == "__main__":
    with open("ostrel.ico", "wb") as f:
        f.write(icon(picture()))
