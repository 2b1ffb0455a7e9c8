#!/usr/bin/env python3
"""Generates the game's alphabets: 256 x 256 RGBA images holding a 16 x 16 grid
of 16-pixel character cells in character-code order (code c in column c mod 16,
row c / 16 counted from the top), with the advance widths of codes 0 to 255 in
the first 64 pixels of the top row, channel by channel (R, G, B, A of pixel 0
for codes 0 to 3, and so on). The engine draws a character's whole cell as a
unit square and moves on by width / 16 x 1.175 cells.

The glyphs come from a rounded stroke font defined below: each character is a
few polylines on a grid 6 units high (x to the right, y up, baseline at 0),
drawn as anti-aliased round-capped strokes with an outline, inside a one-pixel
transparent border of their cell (so that magnified letters never pick up their
neighbours' pixels). Lower-case letters are small capitals. Code 128 is a dew-drop icon for the game's counter.

    Data/alphabets/sand16.tga    sand-coloured letters, dark outline (the engine's
                                 editor read-out uses it; so does the game's HUD)
    Data/alphabets/round16.tga   white letters, dark outline, to be tinted by the
                                 sprite colour (titles)
    Data/alphabets/speech12.tga  the same letters in 12-pixel cells, for speech
                                 bubbles (which draw text at cell size 12: the
                                 grid is then 192 pixels square, in the image's
                                 lower left, and the widths row stays on top)
"""

import math
import os
import sys

sys.dont_write_bytecode = True  # regenerating leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from asset_files import Canvas, clamp, mix, write_tga  # noqa: E402

CELL = 16
BASELINE = 3.0          # pixels from the bottom of a cell to the baseline
CAP_HEIGHT = 9.6        # pixels for 6 grid units
UNIT = CAP_HEIGHT / 6.0
ICON_DEWDROP = 128


def arc(cx, cy, rx, ry, start, end, steps=None):
    """Points along an elliptic arc from angle start to end (degrees,
    counter-clockwise positive)."""
    if steps is None:
        steps = max(3, int(abs(end - start) / 15))
    points = []
    for i in range(steps + 1):
        a = math.radians(start + (end - start) * i / steps)
        points.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return points


def dot(x, y):
    return [(x, y), (x, y)]


# Each glyph: list of polylines (lists of (x, y) points) on the 6-unit grid.
GLYPHS = {
    " ": [],
    "!": [[(0.5, 6), (0.5, 2.2)], dot(0.5, 0)],
    '"': [[(0.4, 6.2), (0.4, 4.6)], [(1.8, 6.2), (1.8, 4.6)]],
    "#": [[(1.4, 5.5), (0.9, 0.5)], [(3.1, 5.5), (2.6, 0.5)], [(0, 4), (4, 4)], [(0, 2), (3.8, 2)]],
    "%": [arc(0.9, 5, 0.9, 1, 0, 360), arc(3.3, 1, 0.9, 1, 0, 360), [(0, 0), (4.2, 6)]],
    "&": [[(4.2, 0), (1.2, 4.2)] + arc(1.9, 4.8, 1.1, 1.2, 220, 360 + 20) +
          [(2.2, 3.6)] + arc(1.8, 1.6, 1.8, 1.6, 110, 320) + [(4.2, 2.4)]],
    "'": [[(0.4, 6.2), (0.4, 4.6)]],
    "(": [arc(2.4, 3, 2.2, 3.6, 120, 240)],
    ")": [arc(-0.8, 3, 2.2, 3.6, 60, -60)],
    "*": [[(2, 5.6), (2, 2.4)], [(0.6, 4.8), (3.4, 3.2)], [(0.6, 3.2), (3.4, 4.8)]],
    "+": [[(0, 3), (4, 3)], [(2, 1), (2, 5)]],
    ",": [[(0.7, 0.3), (0, -1.3)]],
    "-": [[(0, 2.8), (2.6, 2.8)]],
    ".": [dot(0.4, 0)],
    "/": [[(0, -0.4), (3.2, 6.4)]],
    "0": [arc(2, 3, 2, 3, 0, 360, 32)],
    "1": [[(0.6, 4.8), (2, 6), (2, 0)], [(0.6, 0), (3.4, 0)]],
    "2": [arc(2, 4.1, 2, 1.9, 165, -25) + [(0, 0), (4.1, 0)]],
    "3": [arc(2, 4.5, 1.8, 1.5, 150, -90), arc(2, 1.55, 2.05, 1.55, 90, -150)],
    "4": [[(3, 0), (3, 6), (0, 1.8), (4.3, 1.8)]],
    "5": [[(3.9, 6), (0.5, 6), (0.2, 3.2)] + arc(2, 1.95, 2.05, 1.95, 130, -150)],
    "6": [[(3.4, 6), (2.2, 5.6), (0.9, 4.5), (0.1, 2.6)] + arc(2, 1.95, 2, 1.95, 180, 540, 32)],
    "7": [[(0, 6), (4, 6), (1.3, 0)]],
    "8": [arc(2, 4.6, 1.65, 1.4, 0, 360, 24), arc(2, 1.6, 2, 1.6, 0, 360, 28)],
    "9": [arc(2, 4.05, 2, 1.95, 0, 360, 32) + [(3.9, 3.4), (3.1, 1.4), (1.8, 0.2), (0.6, 0)]],
    ":": [dot(0.5, 3.8), dot(0.5, 0.2)],
    ";": [dot(0.7, 3.8), [(0.7, 0.3), (0, -1.3)]],
    "<": [[(3.6, 5), (0, 3), (3.6, 1)]],
    "=": [[(0, 1.9), (3.8, 1.9)], [(0, 4.1), (3.8, 4.1)]],
    ">": [[(0, 5), (3.6, 3), (0, 1)]],
    "?": [arc(1.9, 4.4, 1.9, 1.6, 165, -60) + [(1.9, 2.2)], dot(1.9, 0)],
    "@": [arc(2.6, 3, 1.1, 1.3, 0, 360, 16), [(3.7, 4.2), (3.7, 2.2), (4.6, 2.2)] +
          arc(2.6, 3, 2.3, 2.9, 10, 320)],
    "A": [[(0, 0), (2.1, 6), (4.2, 0)], [(0.8, 2.1), (3.4, 2.1)]],
    "B": [[(0, 3.1), (0, 6), (2.4, 6)] + arc(2.4, 4.55, 1.5, 1.45, 90, -90) + [(0, 3.1)],
          [(0, 3.1), (0, 0), (2.5, 0)] + arc(2.5, 1.55, 1.7, 1.55, -90, 90) + [(0, 3.1)]],
    "C": [arc(2.3, 3, 2.3, 3, 45, 315, 24)],
    "D": [[(0, 0), (0, 6), (1.4, 6)] + arc(1.4, 3, 2.8, 3, 90, -90) + [(0, 0)]],
    "E": [[(3.8, 6), (0, 6), (0, 0), (3.8, 0)], [(0, 3), (3, 3)]],
    "F": [[(3.8, 6), (0, 6), (0, 0)], [(0, 3), (3, 3)]],
    "G": [arc(2.3, 3, 2.3, 3, 45, 360, 24) + [(2.6, 3)]],
    "H": [[(0, 0), (0, 6)], [(4, 0), (4, 6)], [(0, 3), (4, 3)]],
    "I": [[(0, 6), (2, 6)], [(1, 6), (1, 0)], [(0, 0), (2, 0)]],
    "J": [[(3.6, 6), (3.6, 1.9)] + arc(1.8, 1.9, 1.8, 1.9, 0, -180)],
    "K": [[(0, 0), (0, 6)], [(3.9, 6), (0, 2.1)], [(1.3, 3.3), (4, 0)]],
    "L": [[(0, 6), (0, 0), (3.6, 0)]],
    "M": [[(0, 0), (0, 6), (2.5, 2.4), (5, 6), (5, 0)]],
    "N": [[(0, 0), (0, 6), (4, 0), (4, 6)]],
    "O": [arc(2.3, 3, 2.3, 3, 0, 360, 32)],
    "P": [[(0, 0), (0, 6), (2.4, 6)] + arc(2.4, 4.4, 1.6, 1.6, 90, -90) + [(0, 2.8)]],
    "Q": [arc(2.3, 3, 2.3, 3, 0, 360, 32), [(2.9, 1.2), (4.7, -0.5)]],
    "R": [[(0, 0), (0, 6), (2.4, 6)] + arc(2.4, 4.4, 1.6, 1.6, 90, -90) + [(0, 2.8)],
          [(2.1, 2.8), (4, 0)]],
    "S": [arc(2, 4.5, 1.9, 1.5, 25, 270) + arc(2, 1.5, 2.05, 1.5, 90, -155)],
    "T": [[(0, 6), (4.2, 6)], [(2.1, 6), (2.1, 0)]],
    "U": [[(0, 6), (0, 2)] + arc(2, 2, 2, 2, 180, 360) + [(4, 6)]],
    "V": [[(0, 6), (2.1, 0), (4.2, 6)]],
    "W": [[(0, 6), (1.3, 0), (2.6, 4), (3.9, 0), (5.2, 6)]],
    "X": [[(0, 6), (4, 0)], [(0, 0), (4, 6)]],
    "Y": [[(0, 6), (2.1, 3), (4.2, 6)], [(2.1, 3), (2.1, 0)]],
    "Z": [[(0, 6), (4, 6), (0, 0), (4, 0)]],
    "[": [[(1.8, 6.6), (0, 6.6), (0, -0.6), (1.8, -0.6)]],
    "\\": [[(0, 6.4), (3.2, -0.4)]],
    "]": [[(0, 6.6), (1.8, 6.6), (1.8, -0.6), (0, -0.6)]],
    "^": [[(0, 4.2), (1.8, 6), (3.6, 4.2)]],
    "_": [[(0, -1), (4, -1)]],
    "`": [[(0, 6.2), (1, 5)]],
    "{": [[(2.2, 6.6), (1.3, 6.2), (1.1, 3.6), (0, 3), (1.1, 2.4), (1.3, -0.2), (2.2, -0.6)]],
    "|": [[(0.4, -1), (0.4, 7)]],
    "}": [[(0, 6.6), (0.9, 6.2), (1.1, 3.6), (2.2, 3), (1.1, 2.4), (0.9, -0.2), (0, -0.6)]],
    "~": [[(0, 2.8), (0.9, 3.6), (2.9, 2.4), (3.8, 3.2)]],
}

SMALL_CAPS = 0.72   # lower-case letters are capitals this high


def glyph_strokes(char):
    """Polylines of a character, in grid units."""
    if "a" <= char <= "z":
        return [[(x * 0.9, y * SMALL_CAPS) for x, y in line] for line in GLYPHS[char.upper()]]
    return GLYPHS.get(char)


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    wx, wy = px - ax, py - ay
    length2 = vx * vx + vy * vy
    t = 0.0 if length2 == 0 else clamp((wx * vx + wy * vy) / length2)
    dx, dy = wx - t * vx, wy - t * vy
    return math.sqrt(dx * dx + dy * dy)


def rasterize(segments, radius, width=None, height=None):
    """Anti-aliased coverage (0..1) of round-capped strokes, per pixel, rows from
    the top. Segments are in pixel coordinates with y up from the cell bottom."""
    width = width or CELL
    height = height or CELL
    coverage = [[0.0] * width for _ in range(height)]
    for row in range(height):
        py = height - row - 0.5
        for x in range(width):
            px = x + 0.5
            best = 99.0
            for ax, ay, bx, by in segments:
                if min(ax, bx) - radius - 1 > px or max(ax, bx) + radius + 1 < px:
                    continue
                d = segment_distance(px, py, ax, ay, bx, by)
                if d < best:
                    best = d
            coverage[row][x] = clamp(radius + 0.5 - best)
    return coverage


def pixel_segments(strokes, left):
    """Grid polylines to pixel segments, the glyph's left ink edge at `left`."""
    segments = []
    for line in strokes:
        for (ax, ay), (bx, by) in zip(line, line[1:]):
            segments.append((left + ax * UNIT, BASELINE + ay * UNIT, left + bx * UNIT, BASELINE + by * UNIT))
    return segments


def use_cell(cell):
    """Sets the cell size the drawing functions below work in (16 or 12)."""
    global CELL, BASELINE, CAP_HEIGHT, UNIT
    CELL = cell
    BASELINE = 3.0 * cell / 16.0
    CAP_HEIGHT = 9.6 * cell / 16.0
    UNIT = CAP_HEIGHT / 6.0


def dewdrop_icon():
    """Coverage masks (body, shine) of the dew-drop icon: a drop pointing up."""
    k = CELL / 16.0
    body = [[0.0] * CELL for _ in range(CELL)]
    shine = [[0.0] * CELL for _ in range(CELL)]
    for row in range(CELL):
        for x in range(CELL):
            total = 0.0
            lit = 0.0
            for sy in range(4):
                for sx in range(4):
                    px = x + (sx + 0.5) / 4
                    py = CELL - row - (sy + 0.5) / 4
                    # A circle of radius 4.2 at (6, 6.2) with a point up to (6, 14).
                    cx, cy, r, tip = 6.0 * k, 6.4 * k, 4.3 * k, 14.2 * k
                    inside = (px - cx) ** 2 + (py - cy) ** 2 <= r * r
                    if not inside and cy <= py <= tip:
                        half = r * (tip - py) / (tip - cy) * 0.95
                        inside = abs(px - cx) <= half
                    if inside:
                        total += 1
                        if (px - 4.6 * k) ** 2 + (py - 7.6 * k) ** 2 <= 1.6 * k * k:
                            lit += 1
            body[row][x] = total / 16.0
            shine[row][x] = lit / 16.0
    return body, shine


def make_alphabet(body_top, body_bottom, outline_color, stroke_radius, outline_width, icon_colors):
    canvas = Canvas(256, 256)
    widths = [0] * 256
    top = 256 - 16 * CELL  # the grid lies in the lower left; rows are counted from the top
    for code in range(32, 256):
        char = chr(code) if code < 127 else None
        cell_x = (code % 16) * CELL
        cell_y = top + (code // 16) * CELL
        if code == ICON_DEWDROP:
            body, shine = dewdrop_icon()
            outline = dilate(body, outline_width + 0.2)
            top_c, bottom_c, light = icon_colors
            for row in range(CELL):
                for x in range(CELL):
                    t = row / (CELL - 1)
                    fill = mix(top_c, bottom_c, t)
                    fill = mix(fill, light, shine[row][x])
                    put(canvas, cell_x + x, cell_y + row, fill, outline_color, body[row][x], outline[row][x])
            widths[code] = advance_byte(12 * CELL / 16.0)
            continue
        strokes = glyph_strokes(char) if char else None
        if strokes is None:
            continue
        if not strokes:
            widths[code] = advance_byte(4.5 * CELL / 16.0)
            continue
        xs = [x for line in strokes for x, _ in line]
        left = 1.0 + outline_width + stroke_radius - min(xs) * UNIT
        segments = pixel_segments(strokes, left)
        body = rasterize(segments, stroke_radius)
        outline = rasterize(segments, stroke_radius + outline_width)
        ink_right = 0
        for row in range(CELL):
            for x in range(CELL):
                t = clamp((row - 2) / 11.0)
                fill = mix(body_top, body_bottom, t)
                put(canvas, cell_x + x, cell_y + row, fill, outline_color, body[row][x], outline[row][x])
                if outline[row][x] > 0.25:
                    ink_right = max(ink_right, x + 1)
        widths[code] = advance_byte(ink_right - 0.6)
    clear_gutters(canvas, top)
    # The widths row: the image's top row, pixels 0..63, R,G,B,A = codes 4i..4i+3.
    for pixel in range(64):
        canvas.set(pixel, 0, tuple(widths[pixel * 4:pixel * 4 + 4]))
    return canvas


def clear_gutters(canvas, top=0):
    """Makes the outermost pixels of every cell transparent: a magnified letter
    is filtered with the texels around it, and those must not belong to the
    neighbouring cells' letters."""
    for y in range(top, 256):
        for x in range(16 * CELL):
            if x % CELL in (0, CELL - 1) or (y - top) % CELL in (0, CELL - 1):
                r, g, b, _ = canvas.get(x, y)
                canvas.set(x, y, (r, g, b, 0))


def advance_byte(pixels):
    """The width byte that makes a character advance `pixels` at the cell size in use."""
    return max(1, min(255, int(round(pixels / 1.175))))


def dilate(mask, amount):
    """A coverage mask grown by `amount` pixels (the icon's outline)."""
    out = [[0.0] * CELL for _ in range(CELL)]
    reach = int(math.ceil(amount)) + 1
    for row in range(CELL):
        for x in range(CELL):
            best = 0.0
            for dy in range(-reach, reach + 1):
                for dx in range(-reach, reach + 1):
                    r, c = row + dy, x + dx
                    if 0 <= r < CELL and 0 <= c < CELL and mask[r][c] > 0:
                        d = math.hypot(dx, dy)
                        best = max(best, mask[r][c] * clamp(amount + 0.5 - d + 0.5))
            out[row][x] = best
    return out


def put(canvas, x, y, fill, outline_color, body, outline):
    """Letter body over its outline; transparent pixels keep the outline colour
    so that filtering at the edges never brings in black or white fringes."""
    alpha = max(body, outline)
    color = mix(outline_color, fill, body / alpha if alpha > 0 else 0.0)
    canvas.set(x, y, tuple(int(round(c)) for c in color[:3]) + (int(round(alpha * 255)),))


def generate(data_dir):
    sand = make_alphabet(body_top=(255, 240, 196), body_bottom=(226, 182, 112),
                         outline_color=(58, 34, 40), stroke_radius=0.85, outline_width=1.0,
                         icon_colors=((190, 240, 255), (70, 150, 230), (255, 255, 255)))
    write_tga(os.path.join(data_dir, "alphabets", "sand16.tga"), sand)
    round_ = make_alphabet(body_top=(255, 255, 255), body_bottom=(214, 212, 226),
                           outline_color=(24, 18, 40), stroke_radius=1.05, outline_width=1.0,
                           icon_colors=((255, 255, 255), (200, 210, 230), (255, 255, 255)))
    write_tga(os.path.join(data_dir, "alphabets", "round16.tga"), round_)
    use_cell(12)
    speech = make_alphabet(body_top=(44, 40, 58), body_bottom=(30, 26, 44),
                           outline_color=(255, 255, 255), stroke_radius=0.8, outline_width=0.0,
                           icon_colors=((120, 200, 255), (40, 110, 200), (255, 255, 255)))
    use_cell(16)
    write_tga(os.path.join(data_dir, "alphabets", "speech12.tga"), speech)


if __name__ == "__main__":
    generate(sys.argv[1] if len(sys.argv) > 1 else "Data")
