#!/usr/bin/env python3
"""Writes the collision outlines of the game's sprites as polygon files: a
"%!PS" first line, then each outline as one "x y m" line, "x y l" lines and a
line "n". Coordinates are pixels of the sprite's image, from its lower-left
corner, y up; outlines run counter-clockwise and repeat their first point at
the end. A letter before a point flags the edge that starts there, for the
platform rules: F floor (land on it), X ceiling, E wall pushing right,
I wall pushing left, Q no effect.

    Data/Polygons/*.ps
"""

import os
import sys

sys.dont_write_bytecode = True  # regenerating leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from asset_files import write_text  # noqa: E402

# name -> list of (flag or "", x, y), counter-clockwise, closed
OUTLINES = {
    # Sprig's round body and feet (mover: no flags).
    "sprig": [("", 10, 1), ("", 22, 1), ("", 25, 6), ("", 25, 14), ("", 21, 20), ("", 11, 20),
              ("", 7, 14), ("", 7, 6), ("", 10, 1)],
    # Ground with grass: a floor on top; open sides are walls only at the ends.
    "ground_mid": [("X", 0, 0), ("Q", 32, 0), ("F", 32, 27), ("Q", 0, 27), ("", 0, 0)],
    "ground_left": [("X", 2, 0), ("Q", 32, 0), ("F", 32, 27), ("I", 2, 27), ("", 2, 0)],
    "ground_right": [("X", 0, 0), ("E", 30, 0), ("F", 30, 27), ("Q", 0, 27), ("", 0, 0)],
    # The earth under a run's first and last columns: a wall to the open side,
    # so that a cliff stops Sprig whatever its height.
    "wall_left": [("Q", 2, 0), ("Q", 32, 0), ("Q", 32, 32), ("I", 2, 32), ("", 2, 0)],
    "wall_right": [("Q", 0, 0), ("E", 30, 0), ("Q", 30, 32), ("Q", 0, 32), ("", 0, 0)],
    # Floating ledges: a floor one can jump up through.
    "ledge": [("Q", 0, 12), ("Q", 32, 12), ("F", 32, 26), ("Q", 0, 26), ("", 0, 12)],
    "bridge": [("Q", 0, 15), ("Q", 32, 15), ("F", 32, 22), ("Q", 0, 22), ("", 0, 15)],
    "crate": [("X", 2, 0), ("E", 30, 0), ("F", 30, 28), ("I", 2, 28), ("", 2, 0)],
    # Moving platforms: a lily pad on the pond and a low cloud on the hills;
    # like ledges, one can jump up through them.
    "raft": [("Q", 2, 6), ("Q", 62, 6), ("F", 62, 14), ("Q", 2, 14), ("", 2, 6)],
    "cloud": [("Q", 6, 8), ("Q", 58, 8), ("F", 58, 18), ("Q", 6, 18), ("", 6, 8)],
    # Things to touch: a dew drop and the dew-bell at the end of a level.
    "dewdrop": [("", 8, 1), ("", 13, 5), ("", 13, 9), ("", 8, 15), ("", 3, 9), ("", 3, 5), ("", 8, 1)],
    "dewbell": [("", 8, 0), ("", 24, 0), ("", 26, 40), ("", 6, 40), ("", 8, 0)],
}


def polygon_text(points):
    lines = ["%!PS-Adobe-3.0"]
    for index, (flag, x, y) in enumerate(points):
        if index == 0:
            lines.append("%s%g %g m" % (flag, x, y))
        else:
            lines.append("%s%g %g l" % (flag + " " if flag else "", x, y))
    lines.append("n")
    return "\n".join(lines) + "\n"


def generate(data_dir):
    for name, points in OUTLINES.items():
        write_text(os.path.join(data_dir, "Polygons", name + ".ps"), polygon_text(points))


if __name__ == "__main__":
    generate(sys.argv[1] if len(sys.argv) > 1 else "Data")
