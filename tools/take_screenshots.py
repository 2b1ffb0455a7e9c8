#!/usr/bin/env python3
"""Takes the README's pictures of the game with the engine itself: runs the
binary headless on a copy of Data/ and converts its --screenshot TGA to PNG.

    python3 tools/take_screenshots.py [path/to/quillmere]   (default: ./quillmere)

writes docs/title.png (the title screen after 300 update steps) and
docs/level.png (the first level after 300 update steps). Each is run by a
start document that includes the shipped document. The game's own mouse pointer is
left out of the pictures (as desktop screenshot tools leave out the pointer):
without a mouse, the headless run would draw it in the top-left corner.
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # regenerating leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from asset_files import png_bytes, read_tga, write_bytes  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

START_DOCUMENTS = {
    "title": '<?xml version="1.0"?>\n<include file="Data/shipped-index.xml"/>\n'
             '<script language="Lua">showSystemCursor()</script>\n',
    "level": '<?xml version="1.0"?>\n<include file="Data/level1.xml"/>\n'
             '<script language="Lua">showSystemCursor()</script>\n',
}


def shoot(binary, name, steps=300):
    folder = tempfile.mkdtemp(prefix="quillmere-shot-")
    try:
        data = os.path.join(folder, "Data")
        shutil.copytree(os.path.join(ROOT, "Data"), data)
        os.rename(os.path.join(data, "index.xml"), os.path.join(data, "shipped-index.xml"))
        with open(os.path.join(data, "index.xml"), "w") as start:
            start.write(START_DOCUMENTS[name])
        environment = dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null",
                           QUILLMERE_NONINTERACTIVE="1")
        subprocess.run([os.path.abspath(binary), "--headless", "--fixed-step", "--steps", str(steps),
                        "--screenshot", "shot.tga"], cwd=folder, env=environment, check=True,
                       stdout=subprocess.DEVNULL)
        target = os.path.join(ROOT, "docs", name + ".png")
        write_bytes(target, png_bytes(read_tga(os.path.join(folder, "shot.tga"))))
        print(target)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "quillmere")
    for name in START_DOCUMENTS:
        shoot(binary, name)


if __name__ == "__main__":
    main()
