#!/usr/bin/env python3
"""Draws Tarnwell's logo, resources/Tarnwell.GIF: the word "Tarnwell" above a pressure
build-up curve rising out of a small mountain lake (a tarn).

Plain Python with no imaging library, so that the logo can be rebuilt anywhere and always comes
out byte for byte the same: the program checks the file it ships against a hash.

    python3 resources/make_logo.py [OUTPUT]      (default: Tarnwell.GIF beside this script)
"""

import math
import os
import sys

WIDTH, HEIGHT = 180, 90

# Eight colours: the GIF's colour table holds a power of two.
PALETTE = [
    (0xFF, 0xFF, 0xFF),  # 0 background
    (0x1F, 0x3A, 0x68),  # 1 ink: lettering and frame
    (0x2E, 0x6D, 0xB4),  # 2 deep water
    (0x8C, 0xC4, 0xEC),  # 3 shallow water
    (0xC8, 0x32, 0x28),  # 4 the pressure curve
    (0xA0, 0xA0, 0xA0),  # 5 axes
    (0x5B, 0x8C, 0x3E),  # 6 shore
    (0xEE, 0xF4, 0xFA),  # 7 sky
]
BACKGROUND, INK, DEEP, SHALLOW, CURVE, AXIS, SHORE, SKY = range(8)

# A 5 by 7 font with just the letters of the name.
GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "w": [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "l": [".#...", ".#...", ".#...", ".#...", ".#...", ".#...", "..##."],
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [colour] * (width * height)

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = colour

    def fill_rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, colour)

    def dot(self, x, y, colour, radius=1):
        """A small filled square, so thin lines stay visible when the logo is scaled down."""
        for dy in range(-radius, radius + 1):
            for dx in range(-radius, radius + 1):
                self.set(x + dx, y + dy, colour)


def draw_text(canvas, text, x, y, scale, colour):
    for letter in text:
        for row, line in enumerate(GLYPHS[letter]):
            for col, mark in enumerate(line):
                if mark == "#":
                    canvas.fill_rect(x + col * scale, y + row * scale,
                                     x + (col + 1) * scale, y + (row + 1) * scale, colour)
        x += 6 * scale


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_tarn(canvas, cx, cy, rx, ry):
    """An ellipse of water with a rim of shore and a lighter band near the shore."""
    for y in range(cy - ry - 2, cy + ry + 3):
        for x in range(cx - rx - 3, cx + rx + 4):
            d = ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2
            if d <= 0.55:
                canvas.set(x, y, DEEP)
            elif d <= 1.0:
                canvas.set(x, y, SHALLOW)
            elif d <= 1.35 and y >= cy - ry // 3:
                canvas.set(x, y, SHORE)


def draw_curve(canvas, x0, x1, y_low, y_high):
    """A build-up: pressure climbing fast after shut-in, then levelling off."""
    for x in range(x0, x1 + 1):
        t = (x - x0) / (x1 - x0)
        p = 1 - math.exp(-4.5 * t)
        y = round(y_low - p * (y_low - y_high))
        canvas.dot(x, y, CURVE)


def draw_logo():
    canvas = Canvas(WIDTH, HEIGHT, BACKGROUND)
    canvas.fill_rect(1, 1, WIDTH - 1, 40, SKY)
    scale = 3
    draw_text(canvas, "Tarnwell", (WIDTH - text_width("Tarnwell", scale)) // 2, 9, scale, INK)
    # Axes of the plot the curve sits in.
    for y in range(44, 82):
        canvas.set(14, y, AXIS)
    for x in range(14, 168):
        canvas.set(x, 81, AXIS)
    draw_tarn(canvas, 92, 76, 62, 8)
    draw_curve(canvas, 16, 164, 76, 47)
    # A frame keeps the logo's edge visible on a white sheet.
    for x in range(WIDTH):
        canvas.set(x, 0, INK)
        canvas.set(x, HEIGHT - 1, INK)
    for y in range(HEIGHT):
        canvas.set(0, y, INK)
        canvas.set(WIDTH - 1, y, INK)
    return canvas


class BitWriter:
    """GIF codes are packed least significant bit first."""

    def __init__(self):
        self.out = bytearray()
        self.buffer = 0
        self.count = 0

    def write(self, code, size):
        self.buffer |= code << self.count
        self.count += size
        while self.count >= 8:
            self.out.append(self.buffer & 0xFF)
            self.buffer >>= 8
            self.count -= 8

    def flush(self):
        if self.count:
            self.out.append(self.buffer & 0xFF)
        self.buffer = self.count = 0
        return bytes(self.out)


def lzw_encode(indices, min_code_size):
    """Variable-length LZW as GIF readers expect it: codes grow to 12 bits, then the table
    starts over with a clear code."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    bits = BitWriter()

    def reset():
        return {}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    bits.write(clear, size)
    prefix = indices[0]
    for index in indices[1:]:
        key = (prefix, index)
        if key in table:
            prefix = table[key]
            continue
        bits.write(prefix, size)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            # The reader adds its entry one code later, so it widens its codes when its own
            # next entry would no longer fit: that is when ours passes the limit.
            if next_code - 1 == (1 << size) and size < 12:
                size += 1
        else:
            bits.write(clear, size)
            table, next_code, size = reset()
        prefix = index
    bits.write(prefix, size)
    bits.write(end, size)
    return bits.flush()


def sub_blocks(data):
    out = bytearray()
    for start in range(0, len(data), 255):
        chunk = data[start:start + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def u16(n):
    return bytes((n & 0xFF, n >> 8))


def encode_gif(canvas, palette):
    depth = max(1, (len(palette) - 1).bit_length())  # table of 2**depth entries
    table = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * ((1 << depth) - len(palette)):
        table += bytes((r, g, b))
    min_code_size = max(2, depth)
    out = bytearray(b"GIF89a")
    out += u16(canvas.width) + u16(canvas.height)
    out += bytes((0x80 | ((depth - 1) << 4) | (depth - 1), BACKGROUND, 0))
    out += table
    out += b"," + u16(0) + u16(0) + u16(canvas.width) + u16(canvas.height) + b"\x00"
    out.append(min_code_size)
    out += sub_blocks(lzw_encode(canvas.pixels, min_code_size))
    out += b";"
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "Tarnwell.GIF")
    data = encode_gif(draw_logo(), PALETTE)
    with open(path, "wb") as f:
        f.write(data)
    print("%s: %d bytes, %dx%d" % (path, len(data), WIDTH, HEIGHT))


if __name__ == "__main__":
    main()
