"""The looks of the later levels: Willow Pond (level 2, a misty pond under
willows in the early morning) and Sunrise Hills (level 3, heather and red
earth under a rose and gold sky). Each has a tile sheet drawn by the meadow's
tile painter in a palette of its own, a props sheet, three background layers
that repeat every 256 pixels sideways, and the picture its vines are made of.

Each make_* function returns a Canvas, or a Canvas and a dict of named pixel
rectangles (x, y from the image's lower-left corner, w, h).
"""

import math

from art_world import blob_union, draw_rock, make_tiles, periodic, polygon_fill
from asset_files import Canvas, Random, clamp, mix

# --- Palettes -------------------------------------------------------------------

POND = {
    "grass_top": (176, 232, 170), "grass_light": (126, 206, 146), "grass": (80, 170, 124),
    "grass_dark": (50, 128, 106), "dirt_light": (140, 116, 100), "dirt": (108, 88, 82),
    "dirt_dark": (80, 64, 68), "dirt_deep": (58, 46, 58), "edge": (36, 30, 44),
    "pebble": (184, 182, 168), "pebble_shade": (130, 128, 128),
    "stone": (120, 96, 78), "stone_light": (164, 130, 100), "stone_dark": (84, 64, 60),
    "moss": (112, 196, 140), "moss_dark": (60, 140, 110),
    "wood": (150, 112, 82), "wood_light": (190, 150, 108), "wood_dark": (100, 72, 62),
    "outline": (22, 50, 50, 255), "ledge_outline": (44, 34, 40, 255), "wood_outline": (44, 34, 40, 255),
    "water": (92, 176, 178), "water_deep": (36, 96, 120), "foam": (226, 250, 240), "ripple": (156, 220, 214),
    "streak": (140, 206, 200), "rope": (180, 170, 130), "rope_dark": (110, 96, 80),
    "nail": (60, 48, 50), "nail_light": (214, 204, 170),
}

HILLS = {
    "grass_top": (244, 226, 136), "grass_light": (214, 196, 96), "grass": (166, 164, 78),
    "grass_dark": (116, 124, 70), "dirt_light": (214, 134, 92), "dirt": (180, 100, 74),
    "dirt_dark": (140, 72, 64), "dirt_deep": (104, 52, 60), "edge": (66, 30, 46),
    "pebble": (240, 200, 164), "pebble_shade": (186, 140, 126),
    "stone": (208, 168, 146), "stone_light": (240, 206, 176), "stone_dark": (160, 116, 112),
    "moss": (192, 120, 182), "moss_dark": (140, 80, 140),
    "wood": (170, 110, 80), "wood_light": (214, 152, 104), "wood_dark": (116, 70, 62),
    "outline": (70, 40, 56, 255), "ledge_outline": (80, 44, 62, 255), "wood_outline": (70, 36, 48, 255),
    "water": (150, 150, 214), "water_deep": (94, 84, 168), "foam": (255, 232, 214), "ripple": (240, 186, 190),
    "streak": (246, 200, 170), "rope": (220, 180, 130), "rope_dark": (150, 100, 80),
    "nail": (80, 46, 50), "nail_light": (250, 220, 170),
}


def make_pond_tiles():
    return make_tiles(POND, 303)


def make_hills_tiles():
    return make_tiles(HILLS, 404)


# --- Pond props -------------------------------------------------------------------

WILLOW = ((34, 86, 76), (58, 128, 92), (98, 172, 112), (160, 214, 150))


def draw_willow(rng):
    """96 x 128: a leaning trunk under a dome of leaves that hangs in strands."""
    c = Canvas(96, 128)
    for y in range(50, 126):
        t = (y - 50) / 76.0
        cx = 46 + math.sin(t * 2.2) * 5 - t * 4
        half = 4.5 + 2.5 * t + (max(0, y - 114) ** 1.4) * 0.4
        for x in range(int(cx - half), int(cx + half) + 1):
            u = (x + 0.5 - (cx - half)) / (2 * half)
            color = (118, 98, 84) if u > 0.3 else (150, 128, 104)
            if u > 0.74 or (x * 5 + y // 4) % 13 == 0:
                color = (84, 68, 66)
            c.set(x, y, color)
    blob_union(c, [(48, 30, 26), (26, 40, 17), (70, 40, 18), (40, 18, 16), (60, 18, 15)], WILLOW, rng)
    # Strands falling from the dome's rim, swaying a little.
    for k in range(30):
        x0 = 8 + k * 2.7 + rng.uniform(-1, 1)
        top = 30 + int(abs(x0 - 48) * 0.2)
        length = rng.randint(34, 70) - int(abs(x0 - 48) * 0.3)
        for i in range(length):
            x = int(round(x0 + math.sin((top + i) / 9.0 + k) * 1.2))
            color = WILLOW[2] if k % 3 else WILLOW[1]
            if i > length - 4:
                color = WILLOW[3]
            if c.get(x, top + i)[3] == 0 or i > 6:
                c.set(x, top + i, color)
    c.outline(lambda col: (20, 52, 50, 255))
    return c


def draw_cattails():
    c = Canvas(16, 32)
    for sx, top, lean in ((4, 4, -0.06), (9, 1, 0.04), (12, 8, 0.1)):
        for y in range(top, 32):
            x = int(round(sx + (32 - y) * lean))
            c.set(x, y, (52, 124, 98) if y > top + 9 else (90, 166, 120))
        hx = int(round(sx + (32 - top - 4) * lean))
        for y in range(top + 2, top + 10):
            c.set(hx, y, (118, 78, 62))
            c.set(hx + 1, y, (88, 58, 54))
        c.set(hx, top + 2, (160, 112, 80))
    for i in range(10):
        c.set(1 + i // 4, 31 - i, (120, 196, 140))
    c.outline()
    return c


def draw_lily_raft():
    """64 x 16: a broad lily pad, the raft that carries Sprig over the pond."""
    c = Canvas(64, 16)
    for y in range(16):
        for x in range(64):
            dx, dy = (x + 0.5 - 32) / 31.0, (y + 0.5 - 8) / 6.5
            if dx * dx + dy * dy <= 1.0 and not (abs(dx) < 0.06 and dy > 0.1):
                color = (96, 186, 110) if dy < 0.15 else (60, 140, 96)
                if dy < -0.5:
                    color = (156, 222, 140)
                if (int(math.atan2(dy, dx) * 6) % 2 == 0) and 0.3 < dx * dx + dy * dy < 0.8 and dy < 0.15:
                    color = (82, 168, 104)
                c.set(x, y, color)
    c.fill_ellipse(48, 4.5, 3.2, 2.4, (252, 190, 214))
    c.fill_ellipse(48, 4.0, 1.6, 1.2, (255, 236, 150))
    c.outline(lambda col: (20, 60, 52, 255))
    return c


def draw_stepping_stone(rng):
    c = Canvas(32, 16)
    blob_union(c, [(16, 11, 9), (9, 12, 6), (24, 12, 6)],
               ((70, 84, 96), (104, 122, 130), (146, 164, 166), (190, 206, 200)), rng)
    for x in range(8, 25):
        top = next((y for y in range(16) if c.get(x, y)[3]), None)
        if top is not None and x % 3:
            c.set(x, top, (126, 206, 146))
    c.outline()
    return c


def draw_lotus():
    c = Canvas(16, 16)
    c.fill_ellipse(8, 13, 7, 2.2, (70, 150, 100))
    for angle, length in ((-90, 5.5), (-130, 4.5), (-50, 4.5), (-160, 3.6), (-20, 3.6)):
        a = math.radians(angle)
        polygon_fill(c, [(8, 11), (8 + math.cos(a - 0.35) * length * 0.6, 11 + math.sin(a - 0.35) * length * 0.6),
                         (8 + math.cos(a) * length, 11 + math.sin(a) * length),
                         (8 + math.cos(a + 0.35) * length * 0.6, 11 + math.sin(a + 0.35) * length * 0.6)],
                     (250, 176, 206) if angle != -90 else (255, 214, 230))
    c.set(8, 9, (255, 230, 140))
    c.outline()
    return c


def draw_frog():
    c = Canvas(16, 16)
    c.fill_ellipse(8, 11, 6, 4, (96, 176, 96))
    c.fill_ellipse(8, 12.5, 4, 2.2, (190, 224, 150))
    for ex in (5, 11):
        c.fill_ellipse(ex, 7, 2.2, 2.2, (110, 190, 104))
        c.set(ex, 7, (30, 30, 40))
        c.set(ex - 1, 6, (255, 255, 255))
    c.fill_rect(6, 10, 5, 1, (50, 90, 60))
    c.outline()
    return c


def draw_fern(rng, w=48, h=32):
    """A low clump of waterside leaves: round and soft, with a few fronds."""
    c = Canvas(w, h)
    blob_union(c, [(w * 0.5, h * 0.62, h * 0.38), (w * 0.26, h * 0.72, h * 0.28), (w * 0.74, h * 0.7, h * 0.3)],
               WILLOW, rng)
    for k in range(7):
        angle = math.radians(205 + k * 22)
        for i in range(int(h * 0.55)):
            x = w / 2 + math.cos(angle) * i * 1.2
            y = h * 0.7 + math.sin(angle) * i * 0.9 + (i / 10.0) ** 2
            c.set(int(x), int(y), WILLOW[2] if i < h * 0.4 else WILLOW[3])
    c.fill_rect(0, h - 1, w, 1, (0, 0, 0, 0))
    c.outline(lambda col: (20, 52, 50, 255))
    return c


def draw_canopy(rng, leaves, strand, blossom=None):
    """128 x 64: the crown of a tree by the water, a bough through it; a vine
    hangs from its middle (x 64, 16 pixels from the top), its trunk (see
    draw_trunk) stands under its left half."""
    c = Canvas(128, 64)
    for x in range(0, 128):
        y = int(round(20 + math.sin(x / 18.0) * 3 + (64 - x) * 0.04))
        for t in range(4):
            c.set(x, y + t, (96, 74, 66) if t < 2 else (70, 54, 54))
    blob_union(c, [(18, 22, 16), (44, 16, 18), (72, 18, 17), (98, 14, 18), (118, 20, 12), (60, 30, 12),
                   (30, 34, 11), (90, 32, 12)], leaves, rng)
    for k in range(26):
        x = 4 + k * 4.8 + rng.uniform(-1, 1)
        top = next((y for y in range(63, -1, -1) if c.get(int(x), y)[3]), 30)
        for i in range(rng.randint(4, 16)):
            c.set(int(x), top + i, strand if i < 10 else leaves[3])
    if blossom:
        for _ in range(60):
            x, y = rng.randint(4, 123), rng.randint(2, 44)
            if c.get(x, y)[3] and c.get(x + 1, y)[3]:
                c.set(x, y, blossom)
                c.set(x + 1, y, (255, 236, 244))
    c.outline(lambda col: (30, 40, 48, 255))
    return c


def draw_trunk(light, mid, dark):
    """32 x 32: a piece of the trunk under a canopy; stacked, it repeats."""
    c = Canvas(32, 32)
    for y in range(32):
        wobble = int(round(math.sin(y / 32.0 * 2 * math.pi)))
        for x in range(9 + wobble, 23 + wobble):
            u = (x - 9 - wobble) / 14.0
            color = light if u < 0.3 else dark if u > 0.72 else mid
            if (x * 3 + y // 5) % 9 == 0:
                color = dark
            c.set(x, y, color)
        c.set(8 + wobble, y, (40, 32, 40))
        c.set(23 + wobble, y, (40, 32, 40))
    return c


def make_pond_props():
    rng = Random(606)
    sheet = Canvas(256, 256)
    rects = {}

    def place(name, art, x, y):
        sheet.blit(art, x, y)
        rects[name] = (x, 256 - y - art.height, art.width, art.height)

    place("willow", draw_willow(rng), 0, 0)
    place("fern", draw_fern(rng), 96, 0)
    place("rock", draw_rock(rng), 144, 0)
    place("cattails", draw_cattails(), 176, 0)
    place("frog", draw_frog(), 192, 0)
    place("lotus", draw_lotus(), 208, 0)
    place("stone", draw_stepping_stone(rng), 224, 0)
    place("raft", draw_lily_raft(), 96, 40)
    place("canopy", draw_canopy(rng, WILLOW, WILLOW[2] + (255,)), 96, 64)
    place("trunk", draw_trunk((150, 128, 104), (118, 98, 84), (84, 68, 66)), 224, 64)
    sheet.bleed_edges()
    return sheet, rects


# --- Hills props ------------------------------------------------------------------

HEATHER = ((92, 50, 96), (140, 76, 136), (190, 112, 170), (236, 170, 206))
PINE = ((40, 56, 70), (60, 88, 86), (96, 124, 98), (176, 170, 110))


def draw_pine(rng):
    """64 x 128: a tall pine, its sunward side lit gold."""
    c = Canvas(64, 128)
    for y in range(80, 126):
        half = 3 + (max(0, y - 118) ** 1.3) * 0.5
        for x in range(int(32 - half), int(32 + half) + 1):
            c.set(x, y, (150, 92, 70) if x < 32 else (104, 62, 60))
    for tier in range(6):
        top = 6 + tier * 14
        width = 10 + tier * 4.2
        base = top + 26
        for y in range(top, base):
            t = (y - top) / float(base - top)
            half = width * t
            for x in range(int(32 - half), int(32 + half) + 1):
                u = (x + 0.5 - (32 - half)) / max(1.0, 2 * half)
                color = PINE[1]
                if u < 0.3:
                    color = PINE[3] if t > 0.2 and (x + y) % 5 else PINE[2]
                elif u > 0.72:
                    color = PINE[0]
                if y >= base - 2:
                    color = PINE[0]
                c.set(x, y, color)
    for _ in range(10):
        x, y = rng.randint(18, 46), rng.randint(20, 90)
        if c.get(x, y)[3]:
            c.set(x, y, (255, 214, 140))
    c.outline(lambda col: (40, 30, 52, 255))
    return c


def draw_heather(rng, w=48, h=32):
    c = Canvas(w, h)
    blob_union(c, [(w * 0.5, h * 0.58, h * 0.42), (w * 0.24, h * 0.7, h * 0.3), (w * 0.76, h * 0.68, h * 0.32)],
               HEATHER, rng)
    c.fill_rect(0, h - 1, w, 1, (0, 0, 0, 0))
    for _ in range(26):
        x, y = rng.randint(3, w - 4), rng.randint(2, h - 6)
        if c.get(x, y)[3] and c.get(x, y + 2)[3]:
            c.set(x, y, (255, 206, 232))
    c.outline(lambda col: (60, 30, 60, 255))
    return c


def draw_poppy():
    c = Canvas(16, 16)
    for y in range(7, 16):
        c.set(8, y, (110, 130, 70))
    c.set(9, 12, (150, 166, 80))
    c.fill_ellipse(8, 5.5, 4.2, 3.4, (236, 72, 60))
    c.fill_ellipse(6.5, 4.5, 1.8, 1.4, (255, 130, 100))
    c.fill_ellipse(8.5, 6.2, 1.3, 1.1, (60, 30, 40))
    c.outline()
    return c


def draw_standing_stone(rng):
    c = Canvas(32, 48)
    polygon_fill(c, [(6, 47), (9, 10), (14, 3), (22, 4), (26, 12), (27, 47)],
                 lambda x, y: (228, 190, 160) if x < 12 else (176, 132, 126) if x > 21 else (206, 164, 144))
    for _ in range(6):
        x, y = rng.randint(10, 22), rng.randint(12, 44)
        c.set(x, y, (150, 106, 110))
        c.set(x + 1, y, (150, 106, 110))
    for x in range(6, 28):
        if c.get(x, 46)[3]:
            c.set(x, 46, HILLS["grass_dark"])
            c.set(x, 45, HILLS["grass"] if x % 2 else HILLS["grass_dark"])
    c.outline(lambda col: (70, 40, 56, 255))
    return c


def draw_cloud_raft():
    """64 x 24: a low cloud, rose-lit from below, that drifts up and down."""
    c = Canvas(64, 24)
    blobs = [(14, 14, 9), (28, 10, 11), (44, 11, 10), (54, 15, 7), (34, 16, 8)]
    for y in range(24):
        for x in range(64):
            inside = any((x + 0.5 - bx) ** 2 + (y + 0.5 - by) ** 2 <= r * r for bx, by, r in blobs)
            if inside and y < 21:
                t = clamp((y - 4) / 16.0)
                color = mix((255, 250, 240), (248, 178, 170), t)
                c.set(x, y, tuple(int(v) for v in color) + (255,))
    for x in range(64):
        top = next((y for y in range(24) if c.get(x, y)[3]), None)
        if top is not None:
            c.set(x, top, (255, 255, 255))
    c.outline(lambda col: (150, 90, 120, 255))
    return c


def make_hills_props():
    rng = Random(707)
    sheet = Canvas(256, 256)
    rects = {}

    def place(name, art, x, y):
        sheet.blit(art, x, y)
        rects[name] = (x, 256 - y - art.height, art.width, art.height)

    place("pine", draw_pine(rng), 0, 0)
    place("heather", draw_heather(rng), 64, 0)
    place("heather_small", draw_heather(rng, 32, 24), 112, 0)
    rock = Canvas(32, 20)
    blob_union(rock, [(16, 14, 12), (9, 15, 7), (23, 15, 8)],
               ((150, 100, 110), (196, 146, 140), (232, 190, 166), (252, 226, 196)), rng)
    rock.fill_rect(0, 18, 32, 2, (0, 0, 0, 0))
    rock.outline()
    place("boulder", rock, 144, 0)
    place("poppy", draw_poppy(), 176, 0)
    place("stone", draw_standing_stone(rng), 192, 0)
    place("raft", draw_cloud_raft(), 64, 40)
    blossom = ((156, 74, 112), (212, 118, 156), (244, 170, 196), (255, 222, 232))
    place("canopy", draw_canopy(rng, blossom, (150, 110, 90, 255), (255, 250, 252)), 96, 64)
    place("trunk", draw_trunk((170, 120, 110), (130, 88, 88), (92, 60, 70)), 224, 64)
    sheet.bleed_edges()
    return sheet, rects


# --- Backgrounds (each repeats every 256 pixels) ------------------------------------

def layer(height, top_of, color_at):
    """A strip 256 wide: column x is filled from top_of(x) down with color_at(x, y, top)."""
    c = Canvas(256, height)
    for x in range(256):
        top = int(top_of(x))
        for y in range(max(0, top), height):
            c.set(x, y, color_at(x, y, top))
    return c


def make_pond_far():
    """Misty hills, pale and blue-green, fading into the morning haze."""
    def color(x, y, top):
        t = clamp((y - top) / 60.0)
        rgb = mix((206, 226, 222), (158, 194, 196), t)
        if y == top:
            rgb = (228, 240, 234)
        return tuple(int(v) for v in rgb) + (255,)
    return layer(128, lambda x: 128 - (50 + periodic(x, [(16, 1, 1.1), (9, 2, 0.2), (4, 6, 2.0)])), color)


def make_pond_mid():
    """The far bank: a line of round willow crowns over a dark shore."""
    rng = Random(808)
    c = Canvas(256, 128)
    blobs = []
    x = 0.0
    while x < 256:
        r = rng.uniform(11, 19)
        blobs.append((x, 128 - 34 - r * 0.6 + rng.uniform(-4, 4), r))
        x += r * 1.25
    blob_union(c, blobs, ((52, 104, 98), (70, 130, 110), (96, 156, 124), (132, 186, 146)), rng, wrap=256)
    for y in range(128 - 40, 128):
        for xx in range(256):
            if not c.get(xx, y)[3] or y > 128 - 30:
                c.set(xx, y, (52, 104, 98) if y < 128 - 26 else (44, 88, 90))
    # Strands hanging from the crowns.
    for k in range(40):
        xx = rng.randint(0, 255)
        top = next((y for y in range(128) if c.get(xx, y)[3]), 100) + rng.randint(6, 14)
        for y in range(top, min(128, top + rng.randint(8, 20))):
            c.set(xx, y, (112, 170, 130, 255))
    return c


def make_pond_near():
    """Reeds and cattails at the water's edge, dark against the pond."""
    rng = Random(909)
    c = Canvas(256, 64)
    for k in range(70):
        x0 = rng.uniform(0, 256)
        height = rng.randint(18, 46)
        lean = rng.uniform(-0.25, 0.25)
        color = rng.choice([(40, 96, 84), (54, 116, 92), (30, 78, 74)])
        for i in range(height):
            c.set(int(round(x0 + lean * i)) % 256, 63 - i, color)
        if k % 4 == 0:
            hx = int(round(x0 + lean * (height - 6))) % 256
            for i in range(height - 10, height - 3):
                c.set(hx, 63 - i, (100, 70, 60))
                c.set((hx + 1) % 256, 63 - i, (76, 54, 54))
    for y in range(52, 64):
        for x in range(256):
            c.set(x, y, (30, 78, 74))
    return c


def make_hills_far():
    """Sharp violet ridges with a rim of dawn light on their crests."""
    def top(x):
        return 128 - (62 + periodic(x, [(22, 1, 2.6), (14, 3, 0.8), (7, 7, 1.7), (3, 13, 0.3)]))

    def color(x, y, t0):
        t = clamp((y - t0) / 80.0)
        rgb = mix((150, 104, 160), (104, 74, 136), t)
        if y - t0 < 2:
            rgb = (255, 196, 160)
        elif y - t0 < 4:
            rgb = (210, 140, 150)
        return tuple(int(v) for v in rgb) + (255,)
    return layer(128, top, color)


def make_hills_mid():
    """Rolling hills lit gold from the low sun, with dark hedgerows."""
    rng = Random(1010)

    def top(x):
        return 128 - (56 + periodic(x, [(16, 1, 0.4), (8, 2, 2.4), (3, 5, 0.9)]))
    c = layer(128, top, lambda x, y, t0: tuple(int(v) for v in mix((232, 158, 110), (168, 96, 96),
                                                                        clamp((y - t0) / 70.0))) + (255,))
    for x in range(256):
        c.set(x, int(top(x)), (255, 214, 150, 255))
    # Hedgerows across the slopes.
    for k in range(5):
        y0 = 70 + k * 12
        for x in range(256):
            y = int(y0 + math.sin((x + k * 40) / 30.0) * 5)
            if y > top(x) + 4 and rng.random() < 0.9:
                c.set(x, y, (120, 70, 88, 255))
                c.set(x, y - 1, (150, 86, 96, 255))
    return c


def make_hills_near():
    """Heather in bloom along the path, deep purple with pink flowers."""
    rng = Random(1111)
    c = Canvas(256, 64)
    blobs = []
    x = 0.0
    while x < 250:
        r = rng.uniform(8, 14)
        blobs.append((x, 64 - 28 + rng.uniform(-5, 5), r))
        x += r * 1.35
    blob_union(c, blobs, HEATHER, rng, wrap=256)
    for y in range(30, 64):
        for xx in range(256):
            if not c.get(xx, y)[3] or y > 44:
                c.set(xx, y, HEATHER[0])
    for _ in range(60):
        xx, y = rng.randint(0, 255), rng.randint(18, 40)
        if c.get(xx, y)[3] and c.get(xx, y - 2)[3]:
            c.set(xx, y, (255, 200, 230, 255))
    return c


# --- Vines --------------------------------------------------------------------------

def make_vine_piece(stem, stem_light, leaf, leaf_light):
    """16 x 16: one piece of a hanging vine (a rope), in the given colours."""
    c = Canvas(16, 16)
    for y in range(16):
        c.set(7, y, stem + (255,))
        c.set(8, y, stem_light + (255,))
    c.fill_ellipse(4.5, 6, 3.2, 2.0, leaf + (255,))
    c.fill_ellipse(11.5, 10, 3.2, 2.0, leaf + (255,))
    c.set(3, 5, leaf_light + (255,))
    c.set(10, 9, leaf_light + (255,))
    return c


def make_willow_strand():
    return make_vine_piece((60, 118, 96), (96, 160, 120), (130, 200, 150), (190, 236, 200))


def make_ivy():
    return make_vine_piece((100, 70, 70), (140, 96, 80), (150, 170, 80), (220, 220, 120))


def make_petal():
    """8 x 8: a pink petal that drifts on the dawn wind (a particle)."""
    c = Canvas(8, 8)
    c.fill_ellipse(4, 4, 3.2, 1.8, (255, 176, 204, 230))
    c.fill_ellipse(3.2, 3.6, 1.4, 0.9, (255, 226, 236, 255))
    return c
