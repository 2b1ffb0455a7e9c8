"""The world of the game in pixel art: ground and platform tiles, props (trees,
bushes, flowers, mushrooms, reeds, the sign, dew drops, the dew-bell goal),
background layers that repeat sideways (far mountains, green hills, bushes),
clouds, the sun and moon, a soft glow, small particles and the mouse cursor.

Each make_* function returns a Canvas, or a Canvas and a dict of named pixel
rectangles (x, y from the image's lower-left corner, w, h) for the sheets that
sprites cut frames from.
"""

import math

from asset_files import Canvas, Random, clamp, mix

TILE = 32

GRASS_TOP = (190, 238, 112)
GRASS_LIGHT = (146, 214, 86)
GRASS = (104, 188, 70)
GRASS_DARK = (66, 146, 62)
GRASS_SHADOW = (44, 104, 60)
DIRT_LIGHT = (182, 124, 80)
DIRT = (154, 100, 66)
DIRT_DARK = (122, 76, 56)
DIRT_DEEP = (92, 56, 52)
EDGE = (62, 38, 46)
PEBBLE = (204, 180, 150)
PEBBLE_SHADE = (152, 128, 116)
STONE = (150, 150, 172)
STONE_LIGHT = (188, 190, 206)
STONE_DARK = (104, 104, 132)
MOSS = (120, 196, 80)
MOSS_DARK = (70, 146, 66)
WOOD = (178, 124, 78)
WOOD_LIGHT = (214, 164, 104)
WOOD_DARK = (120, 78, 58)
OUTLINE_GREEN = (28, 58, 46, 255)

# The colours of a set of tiles; the meadow's are the ones above. Other levels
# draw the same tiles in palettes of their own (see art_levels.py).
MEADOW = {
    "grass_top": GRASS_TOP, "grass_light": GRASS_LIGHT, "grass": GRASS, "grass_dark": GRASS_DARK,
    "dirt_light": DIRT_LIGHT, "dirt": DIRT, "dirt_dark": DIRT_DARK, "dirt_deep": DIRT_DEEP, "edge": EDGE,
    "pebble": PEBBLE, "pebble_shade": PEBBLE_SHADE,
    "stone": STONE, "stone_light": STONE_LIGHT, "stone_dark": STONE_DARK, "moss": MOSS, "moss_dark": MOSS_DARK,
    "wood": WOOD, "wood_light": WOOD_LIGHT, "wood_dark": WOOD_DARK, "outline": OUTLINE_GREEN,
    "ledge_outline": (40, 40, 62, 255), "wood_outline": (56, 36, 40, 255),
    "water": (84, 170, 222), "water_deep": (46, 104, 176), "foam": (224, 246, 255), "ripple": (156, 212, 242),
    "streak": (150, 206, 240), "rope": (196, 170, 120), "rope_dark": (130, 100, 70),
    "nail": (70, 50, 46), "nail_light": (230, 210, 160),
}


def polygon_fill(canvas, points, color_at):
    """Fills the pixels whose centres lie inside the polygon (even-odd rule)."""
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    for y in range(int(min(ys)), int(max(ys)) + 1):
        for x in range(int(min(xs)), int(max(xs)) + 1):
            px, py = x + 0.5, y + 0.5
            inside = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                    inside = not inside
                j = i
            if inside:
                color = color_at(x, y) if callable(color_at) else color_at
                canvas.set(x, y, color)


def blob_union(canvas, blobs, palette, rng, light=(-0.55, -0.65), dither=True, wrap=0):
    """Fills a union of circles (cx, cy, r) with banded shading as if each were a
    ball lit from the upper left; palette = (dark, mid, light, shine). With wrap,
    the canvas repeats sideways every `wrap` pixels."""
    if wrap:
        blobs = [(x + k * wrap, y, r) for x, y, r in blobs for k in (-1, 0, 1)]
        xs0, xs1 = 0, wrap - 1
    else:
        xs0 = int(min(b[0] - b[2] for b in blobs)) - 1
        xs1 = int(max(b[0] + b[2] for b in blobs)) + 1
    ys0 = int(min(b[1] - b[2] for b in blobs)) - 1
    ys1 = int(max(b[1] + b[2] for b in blobs)) + 1
    for y in range(ys0, ys1 + 1):
        for x in range(xs0, xs1 + 1):
            best = None
            for cx, cy, r in blobs:
                nx, ny = (x + 0.5 - cx) / r, (y + 0.5 - cy) / r
                d = nx * nx + ny * ny
                if d <= 1.0:
                    depth = 1.0 - d
                    if best is None or depth > best[0]:
                        best = (depth, nx, ny)
            if best is None:
                continue
            _, nx, ny = best
            nz = math.sqrt(max(0.0, 1.0 - nx * nx - ny * ny))
            value = light[0] * nx + light[1] * ny + 0.55 * nz
            if dither:
                value += (rng.random() - 0.5) * 0.18
            if value > 0.82:
                color = palette[3]
            elif value > 0.45:
                color = palette[2]
            elif value > 0.05:
                color = palette[1]
            else:
                color = palette[0]
            canvas.set(x, y, color)


# --- Tiles --------------------------------------------------------------------

def scallop(x, period=8, depth=3, base=11):
    """Lower edge of an overhanging grass cap: rounded drips of `period` pixels."""
    return base + int(round(depth * math.sin(math.pi * ((x % period) + 0.5) / period)))


def dirt_texture(canvas, rng, x0, x1, y0, y1, inside, pal):
    """Dirt with strata, speckles and pebbles inside the given box."""
    for y in range(y0, y1):
        for x in range(x0, x1):
            if not inside(x, y):
                continue
            color = pal["dirt"]
            if (y * 5 + (x // 11) * 7) % 23 == 0 and rng.random() < 0.7:
                color = pal["dirt_dark"]
            r = rng.random()
            if r < 0.06:
                color = pal["dirt_dark"]
            elif r < 0.09:
                color = pal["dirt_light"]
            canvas.set(x, y, color)
    for _ in range(3):
        px = rng.randint(x0 + 3, x1 - 5)
        py = rng.randint(y0 + 2, y1 - 4)
        if inside(px, py) and inside(px + 2, py + 1):
            canvas.set(px, py, pal["pebble"])
            canvas.set(px + 1, py, pal["pebble"])
            canvas.set(px, py + 1, pal["pebble_shade"])
            canvas.set(px + 1, py + 1, pal["pebble_shade"])
            canvas.set(px + 2, py + 1, pal["dirt_deep"])


def ground_tile(rng, kind, grass, pal):
    """kind: 'mid', 'left' or 'right'; grass: whether the tile carries the top."""
    c = Canvas(TILE, TILE)
    top = 5 if grass else 0
    left = 2 if kind == "left" else 0
    right = TILE - 2 if kind == "right" else TILE

    def inside(x, y):
        if x < left or x >= right or y < top:
            return False
        if grass:
            r = 4
            if kind == "left" and x < left + r and y < top + r:
                return (x + 0.5 - (left + r)) ** 2 + (y + 0.5 - (top + r)) ** 2 <= r * r
            if kind == "right" and x >= right - r and y < top + r:
                return (x + 0.5 - (right - r)) ** 2 + (y + 0.5 - (top + r)) ** 2 <= r * r
        return True

    dirt_texture(c, rng, left, right, top, TILE, inside, pal)
    if grass:
        for x in range(left, right):
            edge = scallop(x - left if kind == "left" else x, 8, 3, top + 6)
            if kind == "left" and x < left + 4:
                edge = max(edge, top + 12 - (x - left))
            if kind == "right" and x >= right - 4:
                edge = max(edge, top + 12 - (right - 1 - x))
            for y in range(top, edge + 1):
                if not inside(x, y):
                    continue
                if y == edge:
                    color = pal["dirt_deep"]
                elif y >= edge - 2:
                    color = pal["grass_dark"]
                elif y == top or not inside(x, y - 1):
                    color = pal["grass_top"]
                elif y <= top + 2:
                    color = pal["grass_light"]
                else:
                    color = pal["grass"]
                c.set(x, y, color)
        # Blades above the surface.
        for _ in range(4):
            x = rng.randint(left + 3, right - 4)
            height = rng.randint(1, 3)
            for i in range(1, height + 1):
                c.set(x, top - i, pal["grass_light"] if i < height else pal["grass_top"])
    # The dark rim along open sides.
    if kind == "left":
        for y in range(TILE):
            if inside(left, y) and c.get(left, y)[3]:
                c.set(left - 1, y, pal["edge"])
    if kind == "right":
        for y in range(TILE):
            if inside(right - 1, y) and c.get(right - 1, y)[3]:
                c.set(right, y, pal["edge"])
    if grass:
        # A dark line above the grass, so the ground reads against any sky.
        for x in range(TILE):
            for y in range(1, TILE):
                if c.get(x, y)[3]:
                    c.set(x, y - 1, pal["outline"])
                    break
    return c


def ledge_tile(rng, kind, pal):
    """A floating slab of mossy stone; kind 'left', 'mid' or 'right'."""
    c = Canvas(TILE, TILE)
    top, bottom = 6, 20
    left = 2 if kind == "left" else 0
    right = TILE - 2 if kind == "right" else TILE

    def inside(x, y):
        if x < left or x >= right or y < top or y >= bottom:
            return False
        r = 4
        if kind == "left" and x < left + r:
            cy = top + r if y < top + r else bottom - r if y >= bottom - r else None
            if cy is not None:
                return (x + 0.5 - (left + r)) ** 2 + (y + 0.5 - cy) ** 2 <= r * r
        if kind == "right" and x >= right - r:
            cy = top + r if y < top + r else bottom - r if y >= bottom - r else None
            if cy is not None:
                return (x + 0.5 - (right - r)) ** 2 + (y + 0.5 - cy) ** 2 <= r * r
        return True

    for y in range(TILE):
        for x in range(TILE):
            if not inside(x, y):
                continue
            # Stone courses of 7 rows with staggered joints.
            course = (y - top) // 7
            joint = (x + (5 if course % 2 else 13)) % 16 == 0
            seam = (y - top) % 7 == 6
            if seam or joint:
                color = pal["stone_dark"]
            elif (y - top) % 7 == 0 or (x + (5 if course % 2 else 13)) % 16 == 1:
                color = pal["stone_light"]
            else:
                color = pal["stone"] if rng.random() > 0.08 else pal["stone_dark"]
            c.set(x, y, color)
    # Moss on top, hanging strands below.
    for x in range(left, right):
        edge = top + 2 + int(round(1.6 * math.sin(math.pi * (x % 6 + 0.5) / 6)))
        for y in range(top, edge + 1):
            if inside(x, y):
                c.set(x, y, pal["moss_dark"] if y == edge else pal["grass_top"] if y == top else pal["moss"])
    for _ in range(3):
        x = rng.randint(left + 2, right - 3)
        length = rng.randint(2, 6)
        for i in range(length):
            c.set(x, bottom + i, pal["moss_dark"] if i < length - 1 else pal["moss"])
    c.outline(lambda col: pal["ledge_outline"])
    return c


def water_tile(rng, surface, pal):
    c = Canvas(TILE, TILE)
    top = 8 if surface else 0
    for y in range(top, TILE):
        for x in range(TILE):
            t = (y - top) / TILE
            color = mix(pal["water"], pal["water_deep"], t if surface else 0.7 + t * 0.3)
            c.set(x, y, tuple(int(v) for v in color) + (236,))
    if surface:
        for x in range(TILE):
            wave = top + int(round(math.sin(2 * math.pi * x / 16.0)))
            c.set(x, wave, pal["foam"] + (250,))
            c.set(x, wave + 1, pal["ripple"] + (245,))
            for y in range(top - 1, wave):
                c.set(x, y, pal["ripple"] + (220,))
    for _ in range(4 if surface else 3):
        x = rng.randint(0, TILE - 8)
        y = rng.randint(top + 4, TILE - 2)
        for i in range(rng.randint(3, 6)):
            c.set(x + i, y, pal["streak"] + (236,))
    return c


def bridge_tile(pal):
    c = Canvas(TILE, TILE)
    for x in range(TILE):
        sag = int(round(2 * math.sin(math.pi * (x + 0.5) / TILE)))
        c.set(x, 2 + sag, pal["rope"])
        c.set(x, 3 + sag, pal["rope_dark"])
    for y in range(10, 17):
        for x in range(TILE):
            color = pal["wood"]
            if y == 10:
                color = pal["wood_light"]
            elif y == 16:
                color = pal["wood_dark"]
            if x % 8 in (0, 7):
                color = pal["wood_dark"] if x % 8 == 7 else pal["wood_light"]
            c.set(x, y, color)
    for x in (3, 19):
        c.set(x + 1, 13, pal["nail"])
    c.outline(lambda col: pal["wood_outline"])
    return c


def crate_tile(pal):
    c = Canvas(TILE, TILE)
    for y in range(4, TILE):
        for x in range(2, TILE - 2):
            border = x in (2, 3, TILE - 4, TILE - 3) or y in (4, 5, TILE - 2, TILE - 1)
            diagonal = abs((x - 2) - (y - 4)) <= 1 or abs((x - 2) - (TILE - 1 - y)) <= 1
            color = pal["wood_dark"] if border else pal["wood_light"] if diagonal else pal["wood"]
            if border and (x in (2,) or y in (4,)):
                color = pal["wood"]
            c.set(x, y, color)
    for x, y in ((4, 6), (TILE - 5, 6), (4, TILE - 3), (TILE - 5, TILE - 3)):
        c.set(x, y, pal["nail_light"])
    c.outline(lambda col: pal["wood_outline"])
    return c


def make_tiles(pal=MEADOW, seed=101):
    """The 128 x 128 tile sheet in a palette, and its named rectangles."""
    rng = Random(seed)
    tiles = [
        ("grass_left", ground_tile(rng, "left", True, pal)),
        ("grass_mid", ground_tile(rng, "mid", True, pal)),
        ("grass_mid2", ground_tile(rng, "mid", True, pal)),
        ("grass_right", ground_tile(rng, "right", True, pal)),
        ("dirt_left", ground_tile(rng, "left", False, pal)),
        ("dirt_mid", ground_tile(rng, "mid", False, pal)),
        ("dirt_mid2", ground_tile(rng, "mid", False, pal)),
        ("dirt_right", ground_tile(rng, "right", False, pal)),
        ("ledge_left", ledge_tile(rng, "left", pal)),
        ("ledge_mid", ledge_tile(rng, "mid", pal)),
        ("ledge_right", ledge_tile(rng, "right", pal)),
        ("bridge", bridge_tile(pal)),
        ("water_top", water_tile(rng, True, pal)),
        ("water_deep", water_tile(rng, False, pal)),
        ("crate", crate_tile(pal)),
    ]
    sheet = Canvas(128, 128)
    rects = {}
    for index, (name, tile) in enumerate(tiles):
        col, row = index % 4, index // 4
        sheet.blit(tile, col * TILE, row * TILE)
        rects[name] = (col * TILE, 128 - (row + 1) * TILE, TILE, TILE)
    return sheet, rects


# --- Props --------------------------------------------------------------------

LEAVES = ((40, 104, 64), (66, 150, 70), (108, 194, 82), (164, 226, 110))


def draw_tree(rng):
    c = Canvas(96, 128)
    # Trunk with flared roots.
    for y in range(58, 126):
        t = (y - 58) / 68.0
        half = 5 + 2 * t + (max(0, y - 112) ** 1.5) * 0.35
        cx = 48 + math.sin(y / 14.0) * 1.5
        for x in range(int(cx - half), int(cx + half) + 1):
            u = (x + 0.5 - (cx - half)) / (2 * half)
            color = (128, 88, 64)
            if u < 0.28:
                color = (170, 120, 82)
            elif u > 0.72:
                color = (92, 60, 54)
            if (x * 7 + y // 3) % 11 == 0:
                color = (92, 60, 54)
            c.set(x, y, color)
    # Two branches into the crown.
    for i in range(14):
        c.set(48 - 4 - i, 62 - i // 2, (110, 76, 60))
        c.set(48 - 4 - i, 63 - i // 2, (110, 76, 60))
        c.set(48 + 4 + i, 60 - i // 2, (110, 76, 60))
        c.set(48 + 4 + i, 61 - i // 2, (110, 76, 60))
    blobs = [(48, 40, 30), (24, 52, 19), (72, 52, 20), (32, 26, 19), (64, 24, 21), (48, 14, 15),
             (18, 38, 13), (80, 38, 13)]
    blob_union(c, blobs, LEAVES, rng)
    # Leaf clusters: small light arcs scattered over the crown.
    for _ in range(46):
        x = rng.randint(10, 86)
        y = rng.randint(4, 66)
        if c.get(x, y)[:3] in (LEAVES[1], LEAVES[2]) and c.get(x + 2, y + 1)[3]:
            light = LEAVES[3] if y < 36 and x < 56 else LEAVES[2]
            c.set(x, y, light)
            c.set(x + 1, y, light)
            c.set(x - 1, y + 1, LEAVES[0] if light == LEAVES[2] else LEAVES[2])
    # A few apples of light: blossoms.
    for _ in range(7):
        x = rng.randint(16, 80)
        y = rng.randint(10, 60)
        if c.get(x, y)[3] and c.get(x + 1, y + 1)[3]:
            c.set(x, y, (255, 214, 226))
            c.set(x + 1, y, (246, 150, 178))
    c.outline(lambda col: OUTLINE_GREEN)
    return c


def draw_bush(rng, w=48, h=32):
    c = Canvas(w, h)
    blobs = [(w * 0.5, h * 0.55, h * 0.45), (w * 0.25, h * 0.68, h * 0.32), (w * 0.75, h * 0.66, h * 0.34),
             (w * 0.38, h * 0.4, h * 0.3)]
    blobs = [(x, y, r) for x, y, r in blobs]
    blob_union(c, blobs, LEAVES, rng)
    for y in range(h - 2, h):
        for x in range(w):
            if c.get(x, y)[3]:
                c.set(x, y, LEAVES[0])
    c.fill_rect(0, h - 1, w, 1, (0, 0, 0, 0))
    for _ in range(5):
        x, y = rng.randint(6, w - 7), rng.randint(4, h - 8)
        if c.get(x, y)[3] and c.get(x + 1, y + 1)[3]:
            c.set(x, y, (255, 236, 150))
            c.set(x + 1, y, (255, 196, 90))
    c.outline(lambda col: OUTLINE_GREEN)
    return c


def draw_flower(petal, petal_dark, center=(255, 214, 92)):
    c = Canvas(16, 16)
    for y in range(8, 16):
        c.set(8, y, GRASS_DARK)
    c.set(9, 12, GRASS)
    c.set(10, 11, GRASS)
    c.set(10, 12, GRASS_LIGHT)
    c.set(6, 13, GRASS)
    c.set(7, 14, GRASS)
    for a in range(5):
        ang = math.radians(a * 72 - 90)
        px, py = 8 + math.cos(ang) * 2.6, 6 + math.sin(ang) * 2.6
        c.fill_ellipse(px, py, 1.8, 1.8, petal)
        c.set(int(px), int(py + 1), petal_dark)
    c.fill_ellipse(8, 6, 1.4, 1.4, center)
    c.set(7, 5, (255, 250, 210))
    c.outline()
    return c


def draw_mushroom(tall=False):
    c = Canvas(16, 24 if tall else 16)
    h = c.height
    stem_top = h - 8 if not tall else h - 14
    for y in range(stem_top, h):
        for x in range(6, 10):
            c.set(x, y, (246, 232, 208) if x < 8 else (214, 196, 176))
    cap_y = stem_top - 1
    for y in range(cap_y - 5, cap_y + 1):
        for x in range(1, 15):
            dx = (x + 0.5 - 8) / 7.0
            dy = (y + 0.5 - cap_y) / 5.5
            if dx * dx + dy * dy <= 1.0 and y <= cap_y:
                color = (224, 70, 74) if dx < 0.35 else (176, 48, 64)
                if dy < -0.6 and dx < 0:
                    color = (246, 120, 110)
                c.set(x, y, color)
    for x, y in ((4, cap_y - 3), (8, cap_y - 4), (11, cap_y - 2), (6, cap_y - 1)):
        c.set(x, y, (255, 244, 236))
        c.set(x + 1, y, (255, 244, 236))
    c.fill_rect(3, cap_y, 10, 1, (150, 44, 60))
    c.outline()
    return c


def draw_reeds():
    c = Canvas(16, 32)
    for sx, top, lean in ((4, 6, -0.08), (9, 2, 0.05), (12, 10, 0.12)):
        for y in range(top, 32):
            x = int(round(sx + (32 - y) * lean))
            c.set(x, y, GRASS_DARK if y > top + 8 else GRASS)
        hx = int(round(sx + (32 - top - 3) * lean))
        for y in range(top + 1, top + 8):
            c.set(hx, y, (140, 86, 56))
            c.set(hx + 1, y, (112, 68, 52))
        c.set(hx, top + 1, (176, 118, 76))
    for i in range(9):
        c.set(2 + i // 3, 31 - i, GRASS_LIGHT)
    c.outline()
    return c


def draw_rock(rng):
    c = Canvas(32, 20)
    blob_union(c, [(16, 14, 12), (9, 15, 7), (23, 15, 8)],
               ((92, 94, 122), (130, 132, 158), (170, 172, 192), (206, 208, 222)), rng)
    for y in range(18, 20):
        c.fill_rect(0, y, 32, 1, (0, 0, 0, 0))
    for x in range(7, 25):
        top = next((y for y in range(20) if c.get(x, y)[3]), None)
        if top is not None:
            c.set(x, top, GRASS_LIGHT)
            if x % 3:
                c.set(x, top + 1, MOSS)
    c.outline()
    return c


def draw_sign():
    c = Canvas(32, 32)
    c.fill_rect(14, 14, 4, 18, WOOD)
    c.fill_rect(14, 14, 1, 18, WOOD_LIGHT)
    c.fill_rect(17, 14, 1, 18, WOOD_DARK)
    for y in range(4, 16):
        for x in range(3, 29):
            color = WOOD_LIGHT if y == 4 else WOOD_DARK if y == 15 else WOOD
            if (y - 4) % 4 == 3:
                color = WOOD_DARK
            c.set(x, y, color)
    # The painted arrow.
    arrow = [(8, 9), (18, 9), (18, 6), (24, 10), (18, 14), (18, 11), (8, 11)]
    polygon_fill(c, [(x, y - 0.5) for x, y in arrow], (250, 244, 222))
    c.outline(lambda col: (56, 36, 40, 255))
    return c


def draw_dewdrop(size=16):
    c = Canvas(size, size)
    s = size / 16.0
    for y in range(size):
        for x in range(size):
            px, py = (x + 0.5) / s, (y + 0.5) / s
            cx, cy, r = 8.0, 10.0, 4.6
            inside = (px - cx) ** 2 + (py - cy) ** 2 <= r * r
            if not inside and 1.5 <= py <= cy:
                half = r * (py - 1.5) / (cy - 1.5)
                inside = abs(px - cx) <= half
            if not inside:
                continue
            t = clamp((py - 2) / 12.0)
            color = mix((200, 246, 255), (60, 140, 228), t)
            if (px - 6.2) ** 2 + (py - 9.0) ** 2 <= 2.2:
                color = (255, 255, 255)
            elif px > 10.5 and py > 10:
                color = mix(color, (40, 96, 200), 0.5)
            c.set(x, y, tuple(int(v) for v in color) + (255,))
    c.outline(lambda col: (30, 54, 120, 255))
    return c


def draw_lilypad():
    c = Canvas(32, 12)
    for y in range(12):
        for x in range(32):
            dx, dy = (x + 0.5 - 16) / 14.5, (y + 0.5 - 6.5) / 4.6
            if dx * dx + dy * dy <= 1.0 and not (abs(dx) < 0.12 and dy < 0):
                color = (98, 184, 92) if dy < 0.2 else (66, 144, 78)
                if dy < -0.55:
                    color = (146, 214, 110)
                c.set(x, y, color)
    c.fill_ellipse(22, 3.5, 2.2, 1.8, (250, 180, 206))
    c.set(21, 3, (255, 236, 244))
    c.outline()
    return c


def draw_dewbell():
    """The goal of a level: a tall blue bell-flower cupping a large drop."""
    c = Canvas(32, 48)
    for y in range(16, 48):
        x = int(round(16 + math.sin(y / 7.0) * 1.5))
        c.set(x, y, GRASS_DARK)
        c.set(x + 1, y, GRASS)
    polygon_fill(c, [(17, 34), (26, 28), (28, 30), (20, 36)], GRASS)
    polygon_fill(c, [(16, 40), (6, 36), (5, 38), (14, 42)], GRASS_DARK)
    # The bell opening upward.
    for y in range(6, 18):
        t = (y - 6) / 12.0
        half = 10 - 5 * t * t
        for x in range(int(16 - half), int(16 + half) + 1):
            u = (x + 0.5 - (16 - half)) / (2 * half)
            color = (120, 140, 240) if u < 0.4 else (84, 96, 206)
            if u < 0.18:
                color = (170, 186, 252)
            c.set(x, y, color)
    for x in range(5, 28):
        if x % 4 == 1:
            c.set(x, 5, (120, 140, 240))
    drop = draw_dewdrop(16)
    c.blit(drop, 8, -4)
    c.outline(lambda col: (34, 38, 96, 255))
    return c


def draw_tuft(rng, w=32, h=16):
    c = Canvas(w, h)
    for _ in range(12):
        x = rng.uniform(2, w - 3)
        height = rng.randint(5, h - 1)
        lean = rng.uniform(-0.35, 0.35)
        color = rng.choice([GRASS, GRASS_DARK, GRASS_LIGHT])
        for i in range(height):
            c.set(int(round(x + lean * i)), h - 1 - i, color if i < height - 1 else GRASS_TOP)
    c.outline()
    return c


def make_props():
    """The 256 x 256 props sheet and its named rectangles."""
    rng = Random(202)
    sheet = Canvas(256, 256)
    rects = {}

    def place(name, art, x, y):
        sheet.blit(art, x, y)
        rects[name] = (x, 256 - y - art.height, art.width, art.height)

    place("tree", draw_tree(rng), 0, 0)
    place("bush", draw_bush(rng), 96, 0)
    place("bush_small", draw_bush(rng, 32, 24), 144, 0)
    place("rock", draw_rock(rng), 176, 0)
    place("sign", draw_sign(), 208, 0)
    place("flower_pink", draw_flower((246, 140, 176), (206, 92, 140)), 96, 32)
    place("flower_yellow", draw_flower((255, 220, 96), (222, 170, 60), (246, 140, 80)), 112, 32)
    place("flower_blue", draw_flower((140, 170, 250), (96, 118, 214)), 128, 32)
    place("flower_white", draw_flower((250, 250, 250), (200, 204, 224)), 144, 32)
    place("mushroom", draw_mushroom(), 160, 32)
    place("mushroom_tall", draw_mushroom(tall=True), 176, 24)
    place("reeds", draw_reeds(), 192, 32)
    place("dewdrop", draw_dewdrop(), 208, 32)
    place("dewbell", draw_dewbell(), 224, 32)
    place("lilypad", draw_lilypad(), 96, 56)
    place("tuft", draw_tuft(rng), 128, 56)
    place("tuft2", draw_tuft(rng), 160, 56)
    place("sprout_small", draw_tuft(rng, 16, 12), 192, 64)
    sheet.bleed_edges()
    return sheet, rects


# --- Backgrounds (repeat every 256 pixels sideways) ---------------------------

def periodic(x, terms, period=256):
    return sum(a * math.sin(2 * math.pi * k * x / period + p) for a, k, p in terms)


def make_far_hills():
    c = Canvas(256, 128)
    for x in range(256):
        h = 64 + periodic(x, [(20, 1, 0.3), (12, 3, 1.9), (6, 5, 0.4), (3, 11, 2.2)])
        peak_top = int(128 - h)
        for y in range(peak_top, 128):
            t = (y - 20) / 108.0
            color = mix((184, 194, 236), (138, 152, 214), clamp(t))
            if y - peak_top < 1:
                color = (214, 220, 246)
            elif h > 84 and y - peak_top < (h - 84) * 0.7 + 2:
                color = (236, 240, 252) if x % 7 else (206, 214, 244)
            c.set(x, y, tuple(int(v) for v in color) + (255,))
        # Slopes that face the light (rising to the right) get a lighter band.
        rise = periodic(x + 1, [(20, 1, 0.3), (12, 3, 1.9), (6, 5, 0.4), (3, 11, 2.2)]) + 64 - h
        if rise > 0.15:
            for y in range(peak_top + 1, min(128, peak_top + 10 + int(rise * 6))):
                if (x + y) % 2 == 0 or y < peak_top + 6:
                    r, g, b, a = c.get(x, y)
                    c.set(x, y, (min(255, r + 14), min(255, g + 14), min(255, b + 10), a))
    return c


def make_mid_hills():
    c = Canvas(256, 128)
    rng = Random(404)
    tops = []
    for x in range(256):
        h = 58 + periodic(x, [(14, 1, 2.0), (9, 2, 0.7), (4, 5, 1.3)])
        top = int(128 - h)
        tops.append(top)
        for y in range(top, 128):
            t = (y - 30) / 98.0
            color = mix((126, 196, 136), (80, 146, 120), clamp(t))
            if y == top:
                color = (164, 218, 150)
            c.set(x, y, tuple(int(v) for v in color) + (255,))
    # Rows of round trees along the ridge.
    x = 3
    while x < 256:
        r = rng.uniform(3.5, 6.5)
        top = tops[int(x) % 256]
        cy = top + r * 0.2
        for yy in range(int(cy - r) - 1, int(cy + r) + 2):
            for xx in range(int(x - r) - 1, int(x + r) + 2):
                dx, dy = (xx + 0.5 - x) / r, (yy + 0.5 - cy) / r
                if dx * dx + dy * dy <= 1.0:
                    color = (74, 140, 108) if dx + dy > -0.3 else (108, 176, 124)
                    c.set(xx % 256, yy, color + (255,))
        trunk_y = int(cy + r)
        for yy in range(trunk_y, trunk_y + 2):
            c.set(int(x) % 256, yy, (76, 96, 96, 255))
        x += r * 2 + rng.uniform(1, 14)
    return c


def make_near_bushes():
    c = Canvas(256, 64)
    rng = Random(505)
    blobs = []
    x = 0.0
    while x < 248:
        r = rng.uniform(8, 15)
        blobs.append((x, 64 - 30 + rng.uniform(-6, 6), r))
        x += r * 1.3
    palette = ((36, 96, 74), (52, 124, 80), (76, 154, 88), (108, 186, 100))
    blob_union(c, blobs, palette, rng, wrap=256)
    for y in range(44, 64):
        for xx in range(256):
            c.set(xx, y, palette[0])
    for y in range(30, 44):
        for xx in range(256):
            if not c.get(xx, y)[3]:
                c.set(xx, y, palette[0])
    for _ in range(24):
        xx, y = rng.randint(0, 255), rng.randint(20, 40)
        if c.get(xx, y)[3] and c.get(xx, y - 3)[3]:
            c.set(xx, y, (246, 196, 210, 255))
    return c


def make_clouds():
    sheet = Canvas(128, 128)
    rects = {}
    shapes = {
        "cloud_big": (96, 40, [(22, 26, 13), (40, 18, 16), (60, 20, 14), (76, 27, 11), (50, 28, 12)]),
        "cloud_small": (48, 24, [(14, 15, 8), (25, 10, 9), (35, 15, 7)]),
        "cloud_wisp": (64, 20, [(10, 13, 6), (22, 10, 8), (36, 10, 8), (50, 13, 6)]),
    }
    y = 0
    for name, (w, h, blobs) in shapes.items():
        c = Canvas(w, h)
        for yy in range(h):
            for xx in range(w):
                inside = False
                shadow = False
                for bx, by, r in blobs:
                    d = (xx + 0.5 - bx) ** 2 + (yy + 0.5 - by) ** 2
                    if d <= r * r:
                        inside = True
                if inside and yy < h - 2:
                    flat = max(by + r * 0.55 for bx, by, r in blobs)
                    if yy > flat:
                        continue
                    shadow = yy > flat - 3
                    color = (222, 226, 250) if shadow else (255, 255, 255)
                    c.set(xx, yy, color + (236,))
        # A light lavender rim on the underside of each puff.
        c2 = c.copy()
        for yy in range(h):
            for xx in range(w):
                if c.get(xx, yy)[3] and not c.get(xx, yy - 1)[3]:
                    c2.set(xx, yy, (255, 255, 255, 250))
        sheet.blit(c2, 0, y)
        rects[name] = (0, 128 - y - h, w, h)
        y += h + 4
    sheet.bleed_edges()
    return sheet, rects


def make_sun():
    c = Canvas(64, 64)
    c.soft_disc(32, 32, 31, (255, 236, 170, 200), falloff=2.2)
    c.fill_ellipse(32, 32, 13, 13, (255, 246, 200, 255))
    c.fill_ellipse(30, 30, 9, 9, (255, 252, 232, 255))
    return c


def make_moon():
    c = Canvas(64, 64)
    c.soft_disc(32, 32, 31, (200, 210, 255, 150), falloff=2.4)
    c.fill_ellipse(32, 32, 12, 12, (246, 242, 224, 255))
    for cx, cy, r in ((28, 28, 2.5), (36, 35, 3.2), (30, 38, 1.6), (37, 27, 1.4)):
        c.fill_ellipse(cx, cy, r, r, (220, 214, 200, 255))
    return c


def make_glow():
    c = Canvas(64, 64)
    for y in range(64):
        for x in range(64):
            d = math.hypot(x + 0.5 - 32, y + 0.5 - 32) / 32.0
            a = clamp(1.0 - d) ** 2.2
            c.set(x, y, (255, 255, 255, int(round(a * 255))))
    return c


def make_particles():
    """A 64 x 64 sheet of 8 x 8 particles."""
    sheet = Canvas(64, 64)
    rects = {}

    def cell(name, index, draw):
        col, row = index % 8, index // 8
        c = Canvas(8, 8)
        draw(c)
        sheet.blit(c, col * 8, row * 8)
        rects[name] = (col * 8, 64 - (row + 1) * 8, 8, 8)

    def star_tiny(c):
        c.set(3, 3, (255, 255, 255))
        for x, y in ((2, 3), (4, 3), (3, 2), (3, 4)):
            c.set(x, y, (220, 226, 255, 120))

    def star(c):
        for i in range(1, 6):
            c.set(i, 3, (236, 240, 255, 200))
            c.set(3, i, (236, 240, 255, 200))
        c.set(3, 3, (255, 255, 255))

    def sparkle(c):
        for i in range(8):
            a = 255 - abs(i - 3.5) * 60
            c.set(i, 3, (255, 250, 220, int(a)))
            c.set(3, i, (255, 250, 220, int(a)))
        c.set(3, 3, (255, 255, 255))
        c.set(2, 2, (255, 255, 255, 120))
        c.set(4, 4, (255, 255, 255, 120))
        c.set(2, 4, (255, 255, 255, 120))
        c.set(4, 2, (255, 255, 255, 120))

    def dust(c):
        c.fill_ellipse(4, 4, 3.2, 3.0, (236, 226, 206, 200))
        c.fill_ellipse(3.4, 3.4, 1.8, 1.6, (252, 248, 236, 220))

    def dust_small(c):
        c.fill_ellipse(4, 4, 2.0, 1.8, (236, 226, 206, 180))

    def leaf_particle(c):
        for x, y in ((2, 5), (3, 4), (4, 3), (5, 2), (3, 5), (4, 4), (5, 3), (2, 4), (4, 2)):
            c.set(x, y, GRASS_LIGHT if x + y < 7 else GRASS)
        c.set(1, 6, GRASS_DARK)

    def firefly(c):
        c.soft_disc(4, 4, 4, (240, 255, 160, 200), falloff=1.4)
        c.fill_ellipse(4, 4, 1.2, 1.2, (255, 255, 230, 255))

    def bubble(c):
        for y in range(8):
            for x in range(8):
                d = math.hypot(x + 0.5 - 4, y + 0.5 - 4)
                if 2.2 <= d <= 3.4:
                    c.set(x, y, (210, 240, 255, 200))
        c.set(2, 2, (255, 255, 255))

    for index, (name, draw) in enumerate([("star_tiny", star_tiny), ("star", star), ("sparkle", sparkle),
                                          ("dust", dust), ("dust_small", dust_small), ("leaf", leaf_particle),
                                          ("firefly", firefly), ("bubble", bubble)]):
        cell(name, index, draw)
    return sheet, rects


def make_cursor():
    """A pale leaf-green pointer; its tip is the top-left pixel."""
    c = Canvas(32, 32)
    arrow = [(1, 1), (1, 19), (5.5, 14.8), (9, 22.5), (12.2, 21), (8.8, 13.6), (14.5, 13.6)]

    def color(x, y):
        if x <= 2 or (y < 6 and x < 4):
            return (246, 255, 226)
        return (196, 236, 146) if x + y < 20 else (140, 206, 104)
    polygon_fill(c, arrow, color)
    c.outline(lambda col: (28, 58, 46, 255))
    c.outline(lambda col: (255, 255, 255, 90))
    return c
