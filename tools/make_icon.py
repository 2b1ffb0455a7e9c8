#!/usr/bin/env python3
"""Draws the program's desktop icon from the game's own art: Sprig cheering on a
dew drop, 64 x 64 pixels (the 32 x 32 frame doubled, nearest neighbour), written
as an RGBA PNG to packaging/quillmere.png. Deterministic, like every generator.

    python3 tools/make_icon.py [OUTPUT]
"""

import os
import struct
import sys
import zlib

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from art_sprig import draw_sprig  # noqa: E402
from asset_files import Canvas, write_bytes  # noqa: E402

SIZE = 64
DROP_DARK = (70, 140, 200, 255)
DROP_LIGHT = (150, 210, 246, 255)


def icon():
    canvas = Canvas(SIZE, SIZE)
    # A round dew drop behind him, lit from the top left.
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x + 0.5 - 32, y + 0.5 - 33
            if dx * dx + dy * dy <= 30.5 * 30.5:
                t = max(0.0, min(1.0, (dx + dy + 43) / 86))
                canvas.set(x, y, tuple(int(a + (b - a) * t) for a, b in zip(DROP_LIGHT, DROP_DARK)))
    sprig = draw_sprig(squash=-0.12, bob=-1.5, arms=True, eyes="happy")
    for y in range(sprig.height * 2):
        for x in range(sprig.width * 2):
            c = sprig.get(x // 2, y // 2)
            if c[3]:
                canvas.blend(x, y - 2, c)
    return canvas


def png_rgba(canvas):
    raw = bytearray()
    for y in range(canvas.height):
        raw.append(0)
        raw += canvas.data[y * canvas.width * 4:(y + 1) * canvas.width * 4]

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "packaging", "quillmere.png")
    write_bytes(target, png_rgba(icon()))


if __name__ == "__main__":
    main()
