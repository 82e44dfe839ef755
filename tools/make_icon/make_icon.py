#!/usr/bin/env python3
"""Draws the program's icon (a white "Z" on a blue page with a folded corner) and writes it as a
Windows icon file with 16, 32 and 48 pixel images, 32 bits with alpha.
    usage: make_icon.py OUT.ico"""
import struct
import sys


def draw(size):
    """Rows of (r, g, b, a), top row first."""
    blue, fold, white = (0x1F, 0x4E, 0x9A, 255), (0x9D, 0xB8, 0xE3, 255), (255, 255, 255, 255)
    clear = (0, 0, 0, 0)
    margin = max(1, size // 16)
    corner = size // 4
    stroke = max(2, size // 8)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            inside = margin <= x < size - margin and margin <= y < size - margin
            px = clear
            if inside:
                # The folded top-right corner: the page's corner cut off, the flap below it.
                dx, dy = (size - margin - 1) - x, y - margin
                if dx + dy < corner:
                    px = clear
                elif dx < corner and dy < corner:
                    px = fold
                else:
                    px = blue
            row.append(px)
        rows.append(row)
    # The letter: top bar, diagonal, bottom bar.
    left, right = size * 5 // 16, size * 11 // 16
    top, bottom = size * 5 // 16, size * 12 // 16
    for y in range(top, bottom):
        for x in range(left, right):
            on_bar = y < top + stroke * 3 // 4 or y >= bottom - stroke * 3 // 4
            # The diagonal runs from the top right to the bottom left.
            t = (y - top) / max(1, bottom - top - 1)
            cx = right - 1 - t * (right - left - 1)
            on_diagonal = abs(x - cx) <= stroke / 2
            if on_bar or on_diagonal:
                rows[y][x] = white
    return rows


def icon_image(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(struct.pack("<BBBB", b, g, r, a) for row in reversed(rows)
                      for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    sizes = [16, 32, 48]
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
