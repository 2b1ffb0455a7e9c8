#!/usr/bin/env python3
"""Regenerates every asset of the game that ships with the engine, into Data/
(or the folder given): alphabets, images, sounds with their index, collision
outlines. Deterministic: running it again rewrites nothing.

    python3 tools/make_assets.py [DATA_DIR]

The documents (Data/*.xml other than atlas.xml, and Data/Animations/) are
written by hand and are not touched.
"""

import os
import sys
import time

sys.dont_write_bytecode = True  # regenerating leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_alphabets  # noqa: E402
import make_images  # noqa: E402
import make_polygons  # noqa: E402
import make_sounds  # noqa: E402


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "Data")
    for name, module in (("alphabets", make_alphabets), ("images", make_images),
                         ("collision outlines", make_polygons), ("sounds and music", make_sounds)):
        started = time.time()
        module.generate(data_dir)
        print("%-20s %5.1f s" % (name, time.time() - started))


if __name__ == "__main__":
    main()
