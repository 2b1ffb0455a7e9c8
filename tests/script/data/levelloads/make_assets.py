#!/usr/bin/env python3
"""Writes the pictures and sounds of the level-loads level (Data/ beside this
file): a sprite sheet, a backdrop, an alphabet and three short tones. Standard
library only; running it again writes the same bytes."""
import math
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Data")


def tga(path, width, height, bits, pixel, rle):
    """A true-colour TGA, uncompressed (type 2) or run-length encoded (type 10)."""
    size = bits // 8
    head = struct.pack("<BBBHHBHHHHBB", 0, 0, 10 if rle else 2, 0, 0, 0, 0, 0, width, height, bits, 8 if bits == 32 else 0)
    body = bytearray()
    for y in range(height):
        row = [pixel(x, y) for x in range(width)]
        if not rle:
            for r, g, b, a in row:
                body += bytes((b, g, r, a)[:size])
            continue
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 128 and row[x + run] == row[x]:
                run += 1
            r, g, b, a = row[x]
            body += bytes((0x80 | (run - 1),)) + bytes((b, g, r, a)[:size])
            x += run
    with open(path, "wb") as out:
        out.write(head + body)


def wav(path, seconds, frequency, rate=22050):
    """A mono 16-bit PCM tone that fades out."""
    frames = int(seconds * rate)
    samples = b"".join(
        struct.pack("<h", int(12000 * (1 - i / frames) * math.sin(2 * math.pi * frequency * i / rate)))
        for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(samples)) + samples
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(chunks) + 4) + b"WAVE" + chunks)


def sheet(x, y):
    """Four 32 x 32 cells: a round body in a different colour each."""
    colours = [(230, 90, 60), (80, 200, 90), (70, 110, 230), (240, 210, 60)]
    r, g, b = colours[(x // 32) + 2 * (y // 32)]
    inside = (x % 32 - 15.5) ** 2 + (y % 32 - 15.5) ** 2 < 14 ** 2
    return (r, g, b, 255) if inside else (0, 0, 0, 0)


def backdrop(x, y):
    """Bands of sky; 200 x 120 is cut into several tiles."""
    shade = 40 + (y // 8) * 10
    return (shade // 2, shade // 2 + 20, shade + 60, 255)


def alphabet(x, y):
    """16 x 16 cells with a block glyph; the top row holds the widths (10)."""
    if y == 255:
        return (10, 10, 10, 10) if x < 64 else (0, 0, 0, 0)
    cx, cy = x % 16, y % 16
    return (255, 255, 255, 255) if 1 <= cx <= 9 and 2 <= cy <= 13 else (0, 0, 0, 0)


def main():
    os.makedirs(os.path.join(HERE, "Sounds"), exist_ok=True)
    tga(os.path.join(HERE, "sheet.tga"), 64, 64, 32, sheet, rle=False)
    tga(os.path.join(HERE, "backdrop.tga"), 200, 120, 24, backdrop, rle=True)
    tga(os.path.join(HERE, "alphabet.tga"), 256, 256, 32, alphabet, rle=True)
    wav(os.path.join(HERE, "Sounds", "theme.wav"), 0.4, 330)
    wav(os.path.join(HERE, "Sounds", "step1.wav"), 0.03, 880)
    wav(os.path.join(HERE, "Sounds", "step2.wav"), 0.03, 990)
    wav(os.path.join(HERE, "Sounds", "ping.wav"), 0.08, 1320)


if __name__ == "__main__":
    main()
