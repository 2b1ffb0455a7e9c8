#!/usr/bin/env python3
"""Draws the game's images and writes them as 32-bit TGA files, with the pixel
rectangles of the sprite sheets as a Lua table and Sprig's animations as XML
(both included by the game's documents).

    Data/Images/*.tga
    Data/atlas.xml              gAtlas.<sheet>.<name> = "x, y, w, h"
    Data/Animations/*.xml       named animations, included in sprite definitions
    Data/Images/Effects/*.tga   the effects' pictures: iris mask, particles, vines
    Data/Images/{tiles,props,*_far,*_mid,*_near}_{pond,hills}.tga  the later levels' looks
    Data/sprites/objects/speech_bubble.tga  the frame of every speech bubble
"""

import os
import sys

sys.dont_write_bytecode = True  # regenerating leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import art_effects  # noqa: E402
import art_levels  # noqa: E402
import art_sprig  # noqa: E402
import art_world  # noqa: E402
from asset_files import write_text, write_tga  # noqa: E402

# name -> list of (frame, seconds, modifier elements that follow the frame)
SPRIG_ANIMATIONS = [
    ("idle", [("idle0", 0.7, ""), ("idle1", 0.5, ""), ("idle0", 0.7, ""), ("idle1", 0.5, ""),
              ("idle0", 1.1, ""), ("blink", 0.12, "")]),
    ("walk", [("walk0", 0.1, '<sound name="step"/>'), ("walk1", 0.1, ""),
              ("walk2", 0.1, '<sound name="step"/>'), ("walk3", 0.1, "")]),
    ("jump", [("jump", 0.3, '<sound name="jump"/>')]),
    ("fall", [("fall", 0.3, "")]),
    ("land", [("land", 0.1, '<sound name="land"/>'), ("idle0", 0.5, "")]),
    ("cheer", [("cheer", 0.25, ""), ("idle0", 0.12, "")]),
    ("hang", [("hang0", 0.35, ""), ("hang1", 0.35, "")]),
]

# A dew drop bobs gently: up 3 pixels over 0.6 s, then down again.
DEWDROP_ANIMATIONS = [
    ("bob", [("dewdrop", 0.6, '<move y="3" smooth="true"/>'), ("dewdrop", 0.6, '<move y="-3" smooth="true"/>')]),
]


def rect_text(rect):
    return "%d, %d, %d, %d" % rect


def atlas_xml(sheets):
    lines = ['<?xml version="1.0"?>',
             "<!-- Made by tools/make_images.py: where each picture lies in its sheet",
             "     (x, y from the lower-left corner, width, height). Do not edit. -->",
             '<script language="Lua">',
             "gAtlas = {"]
    for sheet, rects in sheets:
        lines.append("\t%s = {" % sheet)
        for name in sorted(rects):
            lines.append('\t\t%s = "%s",' % (name, rect_text(rects[name])))
        lines.append("\t},")
    lines.append("}")
    lines.append("</script>")
    return "\n".join(lines) + "\n"


def animations_xml(texture, rects, animations, outline=None):
    lines = ['<?xml version="1.0"?>',
             "<!-- Made by tools/make_images.py: animations with frames from " + texture + ",",
             "     included inside a sprite definition. Do not edit. -->"]
    for name, frames in animations:
        lines.append('<animation name="%s">' % name)
        for frame, seconds, extra in frames:
            lines.append('\t<frame texture="%s" rect="%s" pause="%g"/>' % (texture, rect_text(rects[frame]), seconds))
            if outline:
                # The frame's own outline mirrors within the frame when Sprig faces left.
                lines.append('\t<collision file="%s"/>' % outline)
            if extra:
                lines.append("\t" + extra)
        lines.append("</animation>")
    return "\n".join(lines) + "\n"


def generate(data_dir):
    images = os.path.join(data_dir, "Images")
    sprig, sprig_rects = art_sprig.make_sheet()
    write_tga(os.path.join(images, "sprig.tga"), sprig)
    tiles, tile_rects = art_world.make_tiles()
    write_tga(os.path.join(images, "tiles.tga"), tiles)
    props, prop_rects = art_world.make_props()
    write_tga(os.path.join(images, "props.tga"), props)
    clouds, cloud_rects = art_world.make_clouds()
    write_tga(os.path.join(images, "clouds.tga"), clouds)
    particles, particle_rects = art_world.make_particles()
    write_tga(os.path.join(images, "particles.tga"), particles)
    write_tga(os.path.join(images, "far_hills.tga"), art_world.make_far_hills())
    write_tga(os.path.join(images, "mid_hills.tga"), art_world.make_mid_hills())
    write_tga(os.path.join(images, "near_bushes.tga"), art_world.make_near_bushes())
    write_tga(os.path.join(images, "sun.tga"), art_world.make_sun())
    write_tga(os.path.join(images, "moon.tga"), art_world.make_moon())
    write_tga(os.path.join(images, "glow.tga"), art_world.make_glow())
    write_tga(os.path.join(images, "cursor.tga"), art_world.make_cursor())
    level_sheets = []
    for look in ("pond", "hills"):
        for kind in ("tiles", "props"):
            sheet, rects = getattr(art_levels, "make_%s_%s" % (look, kind))()
            write_tga(os.path.join(images, "%s_%s.tga" % (kind, look)), sheet)
            level_sheets.append(("%s_%s" % (kind, look), rects))
        for depth in ("far", "mid", "near"):
            write_tga(os.path.join(images, "%s_%s.tga" % (look, depth)), getattr(art_levels, "make_%s_%s" % (look, depth))())
    effects = os.path.join(images, "Effects")
    for name, make in (("iris", art_effects.make_iris), ("dust", art_effects.make_dust),
                       ("sparkle", art_effects.make_sparkle), ("droplet", art_effects.make_droplet),
                       ("leaf", art_effects.make_leaf), ("vine", art_effects.make_vine),
                       ("willow", art_levels.make_willow_strand), ("ivy", art_levels.make_ivy),
                       ("petal", art_levels.make_petal)):
        write_tga(os.path.join(effects, name + ".tga"), make())
    # The engine looks for the bubble frame under this name.
    write_tga(os.path.join(data_dir, "sprites", "objects", "speech_bubble.tga"), art_effects.make_speech_bubble())
    write_text(os.path.join(data_dir, "atlas.xml"),
               atlas_xml([("sprig", sprig_rects), ("tiles", tile_rects), ("props", prop_rects),
                          ("clouds", cloud_rects), ("particles", particle_rects)] + level_sheets))
    animations = os.path.join(data_dir, "Animations")
    write_text(os.path.join(animations, "sprig.xml"),
               animations_xml("Data/Images/sprig.tga", sprig_rects, SPRIG_ANIMATIONS, "Data/Polygons/sprig.ps"))
    write_text(os.path.join(animations, "dewdrop.xml"),
               animations_xml("Data/Images/props.tga", prop_rects, DEWDROP_ANIMATIONS))


if __name__ == "__main__":
    generate(sys.argv[1] if len(sys.argv) > 1 else "Data")
