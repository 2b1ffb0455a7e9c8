"""Sprig, the game's hero: a round sprout with a two-leaf shoot, drawn as 32 x 32
pixel-art frames (standing, walking, jumping, falling, landing, cheering,
hanging from a vine) in one 128 x 128 sheet. Frames face right; the engine
mirrors them for going left.
"""

import math

from asset_files import Canvas

FRAME = 32

BODY_DARK = (58, 128, 74)
BODY_MID = (104, 186, 86)
BODY_LIGHT = (156, 218, 104)
BODY_SHINE = (212, 244, 158)
BELLY = (204, 236, 156)
BELLY_SHADE = (170, 214, 128)
EYE = (34, 30, 54)
WHITE = (255, 255, 255)
CHEEK = (246, 146, 160)
MOUTH = (112, 48, 62)
FOOT = (112, 74, 52)
FOOT_LIGHT = (156, 108, 74)
STEM = (80, 140, 58)
LEAF = (112, 204, 82)
LEAF_LIGHT = (178, 238, 120)
LEAF_VEIN = (70, 146, 60)


def fill_rotated_ellipse(canvas, cx, cy, rx, ry, angle, color_at):
    ca, sa = math.cos(angle), math.sin(angle)
    reach = int(max(rx, ry)) + 2
    for y in range(int(cy) - reach, int(cy) + reach + 1):
        for x in range(int(cx) - reach, int(cx) + reach + 1):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            u = (dx * ca + dy * sa) / rx
            v = (-dx * sa + dy * ca) / ry
            if u * u + v * v <= 1.0:
                canvas.set(x, y, color_at(u, v))


def leaf(canvas, bx, by, angle, length=3.6, width=1.7):
    """A leaf whose base is at (bx, by), pointing along angle (radians, y down)."""
    cx = bx + math.cos(angle) * length * 0.9
    cy = by + math.sin(angle) * length * 0.9

    def color(u, v):
        if abs(v) < 0.22 and u < 0.6:
            return LEAF_VEIN
        return LEAF_LIGHT if v < -0.25 else LEAF
    fill_rotated_ellipse(canvas, cx, cy, length, width, angle, color)


def draw_sprig(squash=0.0, bob=0.0, feet=((0, 0), (0, 0)), sprout=0.0, eyes="open", arms=False, look=1):
    """One frame. squash > 0 flattens, < 0 stretches; bob moves the body up (< 0)
    or down; feet are (dx, dy) offsets; sprout leans the shoot (-1 .. 1)."""
    c = Canvas(FRAME, FRAME)
    rx = 8.6 * (1 + squash * 0.22)
    ry = 8.0 * (1 - squash * 0.22)
    cx = 16.0
    bottom = 28.2 + bob
    cy = bottom - ry

    # Feet first: the body overlaps their tops.
    for i, (fx, fy) in enumerate(feet):
        x = 12.2 + fx if i == 0 else 19.8 + fx
        y = 28.9 + fy
        c.fill_ellipse(x, y, 2.6, 1.7, FOOT)
        c.set(int(x - 1), int(y - 1), FOOT_LIGHT)

    # Little arms when they are raised; held right up (holding on to a vine)
    # they reach over his head.
    if arms == "up":
        for side in (-1, 1):
            ax = cx + side * (rx - 1.2)
            c.fill_ellipse(ax, cy - ry - 0.6, 1.6, 3.2, BODY_MID)
            c.set(int(ax - 0.5), int(cy - ry - 3), BODY_LIGHT)
    elif arms:
        for side in (-1, 1):
            ax = cx + side * (rx + 0.6)
            c.fill_ellipse(ax, cy - 2.2, 1.7, 2.2, BODY_MID)

    # The body: banded shading with the light from the upper left.
    for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
        for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
            nx = (x + 0.5 - cx) / rx
            ny = (y + 0.5 - cy) / ry
            d = nx * nx + ny * ny
            if d > 1.0:
                continue
            nz = math.sqrt(max(0.0, 1.0 - d))
            light = -0.5 * nx - 0.62 * ny + 0.62 * nz
            if light > 0.78:
                color = BODY_SHINE
            elif light > 0.42:
                color = BODY_LIGHT
            elif light > -0.05:
                color = BODY_MID
            else:
                color = BODY_DARK
            # The belly: a paler oval low on the front.
            bx = (x + 0.5 - cx - look * 0.6) / (rx * 0.56)
            by = (y + 0.5 - (cy + ry * 0.42)) / (ry * 0.42)
            if bx * bx + by * by <= 1.0:
                color = BELLY if light > 0.05 else BELLY_SHADE
            c.set(x, y, color)

    # The shoot: a short stem and two leaves.
    top_x, top_y = cx + look * 0.5, cy - ry + 0.5
    lean = sprout
    stem_top = (top_x + lean * 2.0, top_y - 4.0)
    for i in range(5):
        t = i / 4.0
        c.set(int(top_x + lean * 2.0 * t * t), int(top_y - 4.0 * t), STEM)
    leaf(c, stem_top[0], stem_top[1], math.radians(200 - lean * 30), 3.6, 1.7)
    leaf(c, stem_top[0] + 0.5, stem_top[1], math.radians(-25 - lean * 30), 3.8, 1.8)

    # Face.
    ex = [int(cx - 3.6 + look * 1.2), int(cx + 2.6 + look * 1.2)]
    ey = int(cy - 1.2)
    for x in ex:
        if eyes == "open":
            c.fill_rect(x, ey, 2, 3, EYE)
            c.set(x, ey, WHITE)
        elif eyes == "wide":
            c.fill_rect(x, ey - 1, 2, 4, EYE)
            c.set(x, ey - 1, WHITE)
            c.set(x + 1, ey + 2, (90, 86, 120))
        elif eyes == "closed":
            c.fill_rect(x - 1, ey + 1, 3, 1, EYE)
        elif eyes == "happy":
            c.set(x - 1, ey + 1, EYE)
            c.set(x, ey, EYE)
            c.set(x + 1, ey, EYE)
            c.set(x + 2, ey + 1, EYE)
    c.fill_rect(ex[0] - 2, ey + 3, 2, 1, CHEEK)
    c.fill_rect(ex[1] + 2, ey + 3, 2, 1, CHEEK)
    mx = int(cx + look * 1.2) - 1
    my = ey + 4
    if eyes in ("happy", "wide"):
        c.fill_rect(mx, my, 3, 2, MOUTH)
    else:
        c.set(mx, my, MOUTH)
        c.set(mx + 1, my + 1, MOUTH)
        c.set(mx + 2, my, MOUTH)

    c.outline(lambda _c: (30, 58, 44, 255))
    return c


# name -> drawing parameters, in sheet order (left to right, top to bottom)
FRAMES = [
    ("idle0", dict()),
    ("idle1", dict(squash=0.08, bob=0.5, sprout=0.35)),
    ("walk0", dict(feet=((-1, -1.5), (1, 0)), sprout=-0.4)),
    ("walk1", dict(bob=-1, sprout=-0.1)),
    ("walk2", dict(feet=((-1, 0), (1, -1.5)), sprout=0.4)),
    ("walk3", dict(bob=-1, sprout=0.1)),
    ("jump", dict(squash=-0.3, bob=-2, feet=((0.5, -2.5), (-0.5, -2.5)), sprout=-0.9, arms=True, eyes="wide")),
    ("fall", dict(squash=-0.1, bob=-1, feet=((-0.5, 0.6), (0.5, 0.6)), sprout=0.8, arms=True, eyes="wide")),
    ("land", dict(squash=0.38, bob=0.6, sprout=0.6, eyes="closed")),
    ("cheer", dict(squash=-0.12, bob=-1.5, arms=True, eyes="happy", sprout=0.0)),
    ("blink", dict(eyes="closed")),
    ("hang0", dict(squash=-0.12, bob=1.0, arms="up", sprout=-0.6)),
    ("hang1", dict(squash=-0.12, bob=1.0, arms="up", sprout=0.6, eyes="happy")),
]


def make_sheet():
    """The 128 x 128 sheet and the pixel rectangle of every frame, as the
    engine reads them: x, y from the bottom-left corner of the image, w, h."""
    sheet = Canvas(128, 128)
    rects = {}
    for index, (name, params) in enumerate(FRAMES):
        col, row = index % 4, index // 4
        sheet.blit(draw_sprig(**params), col * FRAME, row * FRAME)
        rects[name] = (col * FRAME, 128 - (row + 1) * FRAME, FRAME, FRAME)
    sheet.bleed_edges()
    return sheet, rects
