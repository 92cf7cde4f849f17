#!/usr/bin/env python3
"""Draws the Lumbrook logo and writes resources/logo.bmp: 123 x 36 pixels,
24 bits, bottom-up, 2,851 pixels per metre, no colour table (13,432 bytes).

The drawing: a ripple of three arcs spreading from a drop on the left (the
reverb's decaying echoes) beside the word LUMBROOK in a 5 x 7 pixel letter
set of ours, doubled, with REVERB spaced out beneath it.
"""
import math
import struct
import sys

WIDTH, HEIGHT = 123, 36

GLYPHS = {
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
}

BACKGROUND_TOP = (20, 52, 74)     # deep river blue, as (r, g, b)
BACKGROUND_BOTTOM = (9, 28, 44)
INK = (240, 244, 236)
ACCENT = (86, 196, 180)


def blend(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def draw():
    pixels = [[blend(BACKGROUND_TOP, BACKGROUND_BOTTOM, y / (HEIGHT - 1)) for _ in range(WIDTH)]
              for y in range(HEIGHT)]

    def plot(x, y, colour, alpha=1.0):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            pixels[y][x] = blend(pixels[y][x], colour, alpha)

    # Ripples: three arcs around a drop, fading outwards.
    cx, cy = 15.0, 20.0
    for ring, radius in enumerate((5.0, 9.5, 14.0)):
        strength = 1.0 - ring * 0.28
        for y in range(HEIGHT):
            for x in range(0, 31):
                d = math.hypot((x - cx) * 1.0, (y - cy) * 1.35)
                edge = 1.0 - min(1.0, abs(d - radius) / 1.1)
                if edge > 0 and y > 6:
                    plot(x, y, ACCENT, edge * strength)
    for y in range(HEIGHT):
        for x in range(0, 31):
            if math.hypot(x - cx, (y - cy) * 1.35) <= 2.2:
                plot(x, y, INK)
    # The falling drop above the ripples.
    for y in range(3, 9):
        for x in range(13, 18):
            if math.hypot(x - cx, (y - 6.5) * 1.2) <= 2.0 - (6.5 - y) * 0.25:
                plot(x, y, INK)

    def text(word, x0, y0, scale, colour, gap):
        x = x0
        for letter in word:
            rows = GLYPHS[letter]
            for gy, row in enumerate(rows):
                for gx, bit in enumerate(row):
                    if bit == "1":
                        for sy in range(scale):
                            for sx in range(scale):
                                plot(x + gx * scale + sx, y0 + gy * scale + sy, colour)
            x += 5 * scale + gap

    text("LUMBROOK", 33, 5, 2, INK, 1)
    text("REVERB", 58, 24, 1, ACCENT, 3)
    return pixels


def write_bmp(path, pixels):
    row_bytes = (WIDTH * 3 + 3) // 4 * 4
    image_size = row_bytes * HEIGHT
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + image_size, 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, image_size, 2851, 2851, 0, 0)
    data = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray()
        for r, g, b in pixels[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        data += row
    with open(path, "wb") as out:
        out.write(header + info + bytes(data))


if __name__ == "__main__":
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "resources/logo.bmp", draw())
