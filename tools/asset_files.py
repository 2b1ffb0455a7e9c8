"""Shared pieces of the asset generators: a small RGBA canvas with pixel-art
drawing helpers, a deterministic random generator, and writers for the file
formats the engine reads (TGA, WAV) and for PNG (README pictures).

Python standard library only. Every writer produces the same bytes for the same
input, so regenerating the game's data changes nothing that was not meant to
change.
"""

import array
import math
import os
import struct
import sys
import zlib


# --- Deterministic randomness -------------------------------------------------

class Random:
    """A 32-bit xorshift generator: the same seed gives the same art on every
    Python version (the standard module's algorithms are not promised)."""

    def __init__(self, seed):
        self.state = (seed * 2654435761 + 1) & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def random(self):
        return self.next() / 4294967296.0

    def uniform(self, low, high):
        return low + (high - low) * self.random()

    def randint(self, low, high):
        return low + self.next() % (high - low + 1)

    def choice(self, items):
        return items[self.next() % len(items)]


# --- Colours ------------------------------------------------------------------

def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def mix(a, b, t):
    """Linear mix of two colours (tuples of the same length)."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


# --- Canvas -------------------------------------------------------------------

class Canvas:
    """RGBA pixels, rows top to bottom (y = 0 is the top row), 8 bits a channel."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.data = bytearray(width * height * 4)

    def inside(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def get(self, x, y):
        if not self.inside(x, y):
            return (0, 0, 0, 0)
        i = (y * self.width + x) * 4
        return tuple(self.data[i:i + 4])

    def alpha(self, x, y):
        if not self.inside(x, y):
            return 0
        return self.data[(y * self.width + x) * 4 + 3]

    def set(self, x, y, color):
        if not self.inside(x, y):
            return
        i = (y * self.width + x) * 4
        r, g, b = color[:3]
        a = color[3] if len(color) > 3 else 255
        self.data[i:i + 4] = bytes((int(r), int(g), int(b), int(a)))

    def blend(self, x, y, color, coverage=1.0):
        """Source-over compositing of one pixel (straight alpha)."""
        if not self.inside(x, y):
            return
        sa = (color[3] if len(color) > 3 else 255) / 255.0 * coverage
        if sa <= 0:
            return
        i = (y * self.width + x) * 4
        dr, dg, db, da = self.data[i:i + 4]
        da /= 255.0
        oa = sa + da * (1 - sa)
        if oa <= 0:
            return
        out = []
        for s, d in zip(color[:3], (dr, dg, db)):
            out.append((s * sa + d * da * (1 - sa)) / oa)
        self.data[i:i + 4] = bytes((int(round(out[0])), int(round(out[1])), int(round(out[2])),
                                    int(round(oa * 255))))

    def fill_rect(self, x0, y0, w, h, color):
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                self.set(x, y, color)

    def fill_ellipse(self, cx, cy, rx, ry, color):
        """Pixel-art ellipse: pixels whose centres lie inside."""
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                dx = (x + 0.5 - cx) / rx
                dy = (y + 0.5 - cy) / ry
                if dx * dx + dy * dy <= 1.0:
                    self.set(x, y, color)

    def soft_disc(self, cx, cy, radius, color, falloff=2.0):
        """A round glow: opaque-ish centre fading to nothing at the radius."""
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / radius
                if d < 1.0:
                    self.blend(x, y, color, (1.0 - d) ** falloff)

    def outline(self, color_of=None, diagonal=False, threshold=128):
        """Puts a one-pixel outline on every transparent pixel next to an opaque
        one. color_of(neighbour colour) gives the outline colour (default: the
        neighbour darkened and tinted towards violet)."""
        if color_of is None:
            def color_of(c):
                return (int(c[0] * 0.28 + 18), int(c[1] * 0.25 + 10), int(c[2] * 0.3 + 26), 255)
        marks = []
        steps = [(1, 0), (-1, 0), (0, 1), (0, -1)]
        if diagonal:
            steps += [(1, 1), (-1, -1), (1, -1), (-1, 1)]
        for y in range(self.height):
            for x in range(self.width):
                if self.alpha(x, y) >= threshold:
                    continue
                for dx, dy in steps:
                    if self.alpha(x + dx, y + dy) >= threshold:
                        marks.append((x, y, color_of(self.get(x + dx, y + dy))))
                        break
        for x, y, c in marks:
            self.set(x, y, c)

    def blit(self, other, x0, y0):
        """Copies another canvas in (source-over)."""
        for y in range(other.height):
            for x in range(other.width):
                c = other.get(x, y)
                if c[3]:
                    self.blend(x0 + x, y0 + y, c)

    def copy(self):
        out = Canvas(self.width, self.height)
        out.data[:] = self.data
        return out

    def bleed_edges(self):
        """Gives fully transparent pixels the colour of an opaque neighbour, so
        linear filtering never pulls black into the edges of shapes."""
        for _ in range(2):
            changes = []
            for y in range(self.height):
                for x in range(self.width):
                    if self.alpha(x, y):
                        continue
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                        c = self.get(x + dx, y + dy)
                        if c[3]:
                            changes.append((x, y, c[:3] + (0,)))
                            break
            for x, y, c in changes:
                self.set(x, y, c)


# --- File writers ---------------------------------------------------------------

def write_bytes(path, payload):
    """Writes only when the content changed, so timestamps stay put too."""
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    if os.path.exists(path):
        with open(path, "rb") as existing:
            if existing.read() == payload:
                return
    with open(path, "wb") as out:
        out.write(payload)


def write_text(path, text):
    write_bytes(path, text.encode("utf-8"))


def tga_bytes(canvas):
    """Uncompressed 32-bit true-colour TGA, rows bottom to top, pixels B,G,R,A.
    The first twelve header bytes are exactly the ones the engine's loader
    compares against; the descriptor says 8 alpha bits."""
    header = bytes((0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0))
    header += struct.pack("<HHBB", canvas.width, canvas.height, 32, 8)
    rows = []
    stride = canvas.width * 4
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray(canvas.data[y * stride:(y + 1) * stride])
        row[0::4], row[2::4] = row[2::4], row[0::4]
        rows.append(bytes(row))
    return header + b"".join(rows)


def write_tga(path, canvas):
    write_bytes(path, tga_bytes(canvas))


def read_tga(path):
    """Reads an uncompressed 24- or 32-bit TGA (such as the engine's
    screenshots) into a Canvas."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 18 or data[2] != 2:
        raise ValueError("%s: not an uncompressed true-colour TGA" % path)
    id_length = data[0]
    width, height, bits, descriptor = struct.unpack("<HHBB", data[12:18])
    step = bits // 8
    if step not in (3, 4):
        raise ValueError("%s: %d bits per pixel" % (path, bits))
    pixels = data[18 + id_length:]
    canvas = Canvas(width, height)
    top_down = bool(descriptor & 0x20)
    for row in range(height):
        y = row if top_down else height - 1 - row
        for x in range(width):
            i = (row * width + x) * step
            b, g, r = pixels[i], pixels[i + 1], pixels[i + 2]
            canvas.set(x, y, (r, g, b, 255))
    return canvas


def png_bytes(canvas):
    """An 8-bit RGB PNG (alpha dropped: screenshots are opaque)."""
    raw = bytearray()
    for y in range(canvas.height):
        raw.append(0)
        row = canvas.data[y * canvas.width * 4:(y + 1) * canvas.width * 4]
        for x in range(canvas.width):
            raw += row[x * 4:x * 4 + 3]

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def wav_bytes(samples, rate):
    """Mono 16-bit PCM WAV with the standard 16-byte "fmt " chunk. Samples are
    floats from -1 to 1 (cut beyond)."""
    values = array.array("h", (int(round(clamp(s, -1.0, 1.0) * 32767)) for s in samples))
    if sys.byteorder == "big":
        values.byteswap()
    pcm = values.tobytes()
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm
    if len(pcm) % 2:
        body += b"\x00"
    return b"RIFF" + struct.pack("<I", len(body)) + body


def write_wav(path, samples, rate):
    write_bytes(path, wav_bytes(samples, rate))
