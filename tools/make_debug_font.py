#!/usr/bin/env python3
"""Generates src/graphics/glDebugFontData.inc, the bitmaps of the debug font.

The debug font is 6 x 12 pixels, bold and monospaced, for character codes 32 to
127. Its glyphs come from the X11 misc-fixed font "6x13B" (-Misc-Fixed-Bold-R-
SemiCondensed--13-120-75-75-C-60-ISO10646-1) as Debian's package xfonts-base
installs it:

    /usr/share/fonts/X11/misc/6x13B.pcf.gz   (xfonts-base 1:1.0.5+nmu1)

Licence of that font (font-misc-misc/COPYING, quoted in
/usr/share/doc/xfonts-base/copyright): "Public domain font.  Share and enjoy."

The font is 13 rows high (11 above the baseline, 2 below); the generator drops
the row no glyph of codes 32 to 126 inks (checked, the script stops otherwise),
so every glyph fits a 6 x 12 cell. Code 127 has no glyph there and stays blank.

Run once, from the repository root:
    apt-get install -y xfonts-base
    python3 tools/make_debug_font.py [path/to/6x13B.pcf.gz]
"""

import gzip
import struct
import sys

DEFAULT_SOURCE = "/usr/share/fonts/X11/misc/6x13B.pcf.gz"
OUTPUT = "src/graphics/glDebugFontData.inc"
CELL_WIDTH = 6
CELL_HEIGHT = 12
FIRST_CODE = 32
CODE_COUNT = 96

PCF_PROPERTIES = 1 << 0
PCF_ACCELERATORS = 1 << 1
PCF_METRICS = 1 << 2
PCF_BITMAPS = 1 << 3
PCF_BDF_ENCODINGS = 1 << 5
PCF_BDF_ACCELERATORS = 1 << 8
PCF_BYTE_MSB = 1 << 2
PCF_BIT_MSB = 1 << 3
PCF_COMPRESSED_METRICS = 0x100


class Table:
    """One PCF table: its format word decides the byte order of what follows."""

    def __init__(self, data, offset):
        self.data = data
        self.pos = offset
        self.format = struct.unpack_from("<I", data, offset)[0]
        self.pos += 4
        self.endian = ">" if self.format & PCF_BYTE_MSB else "<"

    def read(self, code):
        value = struct.unpack_from(self.endian + code, self.data, self.pos)
        self.pos += struct.calcsize(code)
        return value[0]


def load_pcf(path):
    with gzip.open(path, "rb") if path.endswith(".gz") else open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x01fcp":
        sys.exit("%s: not a PCF font" % path)
    count = struct.unpack_from("<I", data, 4)[0]
    tables = {}
    for i in range(count):
        kind, _fmt, _size, offset = struct.unpack_from("<IIII", data, 8 + 16 * i)
        tables[kind] = offset
    return data, tables


def read_properties(data, offset):
    t = Table(data, offset)
    n = t.read("i")
    raw = []
    for _ in range(n):
        raw.append((t.read("i"), t.read("b"), t.read("i")))
    if n & 3:
        t.pos += 4 - (n & 3)
    size = t.read("i")
    strings = data[t.pos:t.pos + size]

    def text(at):
        return strings[at:strings.index(b"\0", at)].decode("latin-1")

    return {text(name): (text(value) if is_string else value) for name, is_string, value in raw}


def read_metrics(data, offset):
    t = Table(data, offset)
    metrics = []
    if t.format & PCF_COMPRESSED_METRICS:
        for _ in range(t.read("h")):
            lsb, rsb, width, ascent, descent = (t.read("B") - 0x80 for _ in range(5))
            metrics.append((lsb, rsb, width, ascent, descent))
    else:
        for _ in range(t.read("i")):
            lsb, rsb, width, ascent, descent, _attr = (t.read("h") for _ in range(6))
            metrics.append((lsb, rsb, width, ascent, descent))
    return metrics


def read_bitmaps(data, offset, metrics):
    t = Table(data, offset)
    pad = 1 << (t.format & 3)
    unit = 1 << ((t.format >> 4) & 3)
    count = t.read("i")
    offsets = [t.read("i") for _ in range(count)]
    sizes = [t.read("i") for _ in range(4)]
    start = t.pos
    blob = bytearray(data[start:start + sizes[t.format & 3]])
    if not t.format & PCF_BIT_MSB:
        blob = bytearray(int("{:08b}".format(b)[::-1], 2) for b in blob)
    if bool(t.format & PCF_BYTE_MSB) != bool(t.format & PCF_BIT_MSB) and unit > 1:
        for i in range(0, len(blob) - unit + 1, unit):
            blob[i:i + unit] = blob[i:i + unit][::-1]
    glyphs = []
    for index, (lsb, rsb, _w, ascent, descent) in enumerate(metrics):
        width = rsb - lsb
        stride = ((width + 7) // 8 + pad - 1) // pad * pad
        rows = []
        for r in range(ascent + descent):
            base = offsets[index] + r * stride
            bits = int.from_bytes(blob[base:base + stride], "big")
            row = set()
            for x in range(width):
                if bits & (1 << (stride * 8 - 1 - x)):
                    row.add(lsb + x)
            rows.append(row)
        glyphs.append((ascent, rows))  # rows from the top, pixel x from the origin
    return glyphs


def read_encoding(data, offset):
    t = Table(data, offset)
    min2, max2, min1, max1, _default = (t.read("h") for _ in range(5))
    table = {}
    for b1 in range(min1, max1 + 1):
        for b2 in range(min2, max2 + 1):
            index = t.read("H")
            if index != 0xFFFF:
                table[(b1 << 8) | b2] = index
    return table


def read_font_extent(data, tables):
    offset = tables.get(PCF_BDF_ACCELERATORS, tables.get(PCF_ACCELERATORS))
    t = Table(data, offset)
    t.pos += 8
    return t.read("i"), t.read("i")


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_SOURCE
    data, tables = load_pcf(source)
    props = read_properties(data, tables[PCF_PROPERTIES])
    metrics = read_metrics(data, tables[PCF_METRICS])
    glyphs = read_bitmaps(data, tables[PCF_BITMAPS], metrics)
    encoding = read_encoding(data, tables[PCF_BDF_ENCODINGS])
    ascent, descent = read_font_extent(data, tables)

    # Ink of every glyph in font rows: row 0 is the top of the font's box.
    cells = []
    for code in range(FIRST_CODE, FIRST_CODE + CODE_COUNT):
        ink = set()
        if code in encoding:
            width = metrics[encoding[code]][2]
            if width != CELL_WIDTH:
                sys.exit("code %d is %d pixels wide" % (code, width))
            glyph_ascent, rows = glyphs[encoding[code]]
            for r, row in enumerate(rows):
                for x in row:
                    if not 0 <= x < CELL_WIDTH:
                        sys.exit("code %d inks outside its cell" % code)
                    ink.add((x, ascent - glyph_ascent + r))
        cells.append(ink)

    font_rows = ascent + descent
    used = {y for ink in cells for _x, y in ink}
    drop = [y for y in range(font_rows) if y not in used][: font_rows - CELL_HEIGHT]
    if font_rows - len(drop) != CELL_HEIGHT:
        sys.exit("the glyphs do not fit %d rows" % CELL_HEIGHT)
    kept = [y for y in range(font_rows) if y not in drop]
    baseline = len([y for y in kept if y >= ascent])  # rows kept below the baseline

    out = []
    out.append("// Debug font bitmaps: 6 x 12 pixels, codes 32 to 127, for glBitmap.")
    out.append("// Generated by tools/make_debug_font.py from %s" % source.split("/")[-1])
    out.append("// (%s), a public-domain font. Do not edit." % props.get("FONT", "?"))
    out.append("// Each glyph: 12 bytes, bottom row first, leftmost pixel in the high bit.")
    out.append("static const int kDebugFontDescent = %d;  // rows below the baseline" % baseline)
    out.append("static const unsigned char kDebugFontBitmaps[96][12] = {")
    for i, ink in enumerate(cells):
        rows = []
        for y in reversed(kept):
            byte = 0
            for x in range(CELL_WIDTH):
                if (x, y) in ink:
                    byte |= 0x80 >> x
            rows.append("0x%02X" % byte)
        code = FIRST_CODE + i
        shown = chr(code) if 32 < code < 127 and chr(code) != "\\" else "code %d" % code
        out.append("    {%s},  // %s" % (", ".join(rows), shown))
    out.append("};")
    with open(OUTPUT, "w") as f:
        f.write("\n".join(out) + "\n")
    print("wrote %s (dropped font rows %s)" % (OUTPUT, drop))


if __name__ == "__main__":
    main()
