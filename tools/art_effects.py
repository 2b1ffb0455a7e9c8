"""Pictures of the engine's effects in the game: the iris mask of the screen
transitions, the speech-bubble frame, the particles (one small image each, as
particles draw whole images) and a piece of the hanging vine (a rope).
Each make_* function returns a Canvas.
"""

import math

from asset_files import Canvas, clamp, mix

NIGHT_PLUM = (26, 18, 44)
BUBBLE_FILL = (255, 252, 242)
BUBBLE_EDGE = (58, 46, 72)


def make_iris():
    """128 x 128: the night colour all round a clear disc of radius 22 (soft
    at its rim). The transition draws it 3072 pixels wide at full size, so the
    disc just covers the screen then; it shrinks it to close the scene and
    fills the rest of the screen with the colour of its corner."""
    c = Canvas(128, 128)
    for y in range(128):
        for x in range(128):
            d = math.hypot(x + 0.5 - 64, y + 0.5 - 64)
            a = clamp((d - 21.0) / 2.0)
            c.set(x, y, NIGHT_PLUM + (int(round(a * 255)),))
    return c


def make_speech_bubble():
    """64 x 64: a rounded box, cream with a dark plum rim, drawn as nine
    regions with 32 x 32 corners (the middle row and column stretch)."""
    c = Canvas(64, 64)
    radius = 14.0
    for y in range(64):
        for x in range(64):
            # Distance outside the rounded rectangle inset by the radius.
            px, py = x + 0.5, y + 0.5
            qx = max(abs(px - 32) - (32 - 3 - radius), 0.0)
            qy = max(abs(py - 32) - (32 - 3 - radius), 0.0)
            d = math.hypot(qx, qy) - radius
            cover = clamp(0.5 - d)
            if cover <= 0:
                continue
            rim = clamp(d + 3.0)
            color = mix(BUBBLE_FILL, BUBBLE_EDGE, rim)
            # A soft shade along the bottom edge.
            if py > 52 and rim < 1:
                color = mix(color, (232, 226, 214), clamp((py - 52) / 8.0) * 0.8)
            c.set(x, y, tuple(int(round(v)) for v in color[:3]) + (int(round(cover * 255)),))
    return c


def _soft(c, cx, cy, radius, color, falloff):
    for y in range(c.height):
        for x in range(c.width):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / radius
            a = clamp(1.0 - d) ** falloff
            if a > 0:
                c.blend(x, y, color[:3] + (int(round(color[3] * a)),))


def make_dust():
    """16 x 16: a soft puff of dry earth."""
    c = Canvas(16, 16)
    _soft(c, 8, 8, 7.5, (236, 222, 196, 230), 1.2)
    _soft(c, 6.5, 6.5, 4.0, (252, 246, 232, 160), 1.5)
    return c


def make_sparkle():
    """16 x 16: a four-pointed glint of morning light."""
    c = Canvas(16, 16)
    for i in range(16):
        a = clamp(1.0 - abs(i + 0.5 - 8) / 8.0) ** 1.4
        for x, y in ((i, 7), (i, 8), (7, i), (8, i)):
            c.blend(x, y, (255, 250, 214, int(round(255 * a))))
    _soft(c, 8, 8, 4.0, (255, 255, 255, 255), 1.0)
    return c


def make_droplet():
    """16 x 16: a drop of water, pale blue with a white shine."""
    c = Canvas(16, 16)
    for y in range(16):
        for x in range(16):
            px, py = x + 0.5, y + 0.5
            inside = math.hypot(px - 8, py - 10) <= 4.6
            if not inside and 2 <= py <= 10:
                inside = abs(px - 8) <= 4.6 * (py - 2) / 8.0 * 0.95
            if inside:
                t = clamp((py - 4) / 10.0)
                c.set(x, y, tuple(int(v) for v in mix((214, 244, 255), (92, 170, 236), t)) + (230,))
    c.set(6, 8, (255, 255, 255, 255))
    c.set(6, 9, (255, 255, 255, 200))
    return c


def make_leaf():
    """16 x 16: a small green leaf, tip up and to the right."""
    c = Canvas(16, 16)
    for y in range(16):
        for x in range(16):
            # A lens between two circles, along the diagonal.
            u = (x + 0.5 - 8 + (y + 0.5 - 8)) / math.sqrt(2)   # across the leaf
            v = (x + 0.5 - 8 - (y + 0.5 - 8)) / math.sqrt(2)   # along it
            if abs(v) < 6.5 and abs(u) < 3.2 * (1 - (v / 6.5) ** 2):
                shade = (146, 214, 86) if u < 0 else (104, 188, 70)
                if abs(u) < 0.5:
                    shade = (66, 146, 62)
                c.set(x, y, shade + (255,))
    return c


def make_vine():
    """16 x 16: one piece of the hanging vine, a knot of stem and two leaves."""
    c = Canvas(16, 16)
    for y in range(16):
        c.set(7, y, (66, 120, 58, 255))
        c.set(8, y, (88, 146, 66, 255))
    c.fill_ellipse(4.5, 6, 3.2, 2.0, (120, 196, 80, 255))
    c.fill_ellipse(11.5, 10, 3.2, 2.0, (104, 188, 70, 255))
    c.set(3, 5, (170, 226, 120, 255))
    c.set(10, 9, (150, 214, 104, 255))
    return c
