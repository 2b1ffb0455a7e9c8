#!/usr/bin/env python3
"""Takes the README's pictures of the game with the engine itself: runs the
binary headless on a copy of Data/ and converts its --screenshot TGA to PNG.

    python3 tools/take_screenshots.py [path/to/quillmere]   (default: ./quillmere)

writes docs/title.png (the title screen after 300 update steps),
docs/level1.png (Mossy Meadow after 300 steps), docs/level2.png (Willow Pond
with Sprig on a willow strand, its recording replayed for 860 steps),
docs/level3.png (Sunrise Hills as Sprig leaps from the high ledge, 2,380 steps
of its recording) and docs/ending.png (the closing screen with the times of
the three recorded play-throughs). Each run opens its document from a start
document of its own. The game's own mouse pointer is left out of the pictures
(as desktop screenshot tools leave out the pointer): without a mouse, the
headless run would draw it in the top-left corner.
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

# What the closing screen shows: the three recorded play-throughs.
PLAYED = """gGame = { tries = { 1, 1, 1 }, results = {
	{ name = "Mossy Meadow", dew = 12, total = 12, seconds = 8.95, tries = 1 },
	{ name = "Willow Pond", dew = 16, total = 16, seconds = 18.73, tries = 1 },
	{ name = "Sunrise Hills", dew = 20, total = 20, seconds = 22.73, tries = 1 } } }
"""

# name -> (document, recording under tests/game/data or None, update steps, script before it opens)
SHOTS = {
    "title": ("Data/shipped-index.xml", None, 300, ""),
    "level1": ("Data/level1.xml", None, 300, ""),
    "level2": ("Data/level2.xml", "level2.rec", 860, ""),
    "level3": ("Data/level3.xml", "level3.rec", 2380, ""),
    "ending": ("Data/ending.xml", None, 400, PLAYED),
}


def shoot(binary, name):
    document, recording, steps, prelude = SHOTS[name]
    folder = tempfile.mkdtemp(prefix="quillmere-shot-")
    try:
        data = os.path.join(folder, "Data")
        shutil.copytree(os.path.join(ROOT, "Data"), data)
        os.rename(os.path.join(data, "index.xml"), os.path.join(data, "shipped-index.xml"))
        # Every document of the copy shows the system's pointer (none, headless).
        for entry in os.listdir(data):
            if entry.endswith(".xml") and entry not in ("common.xml", "play.xml", "atlas.xml"):
                with open(os.path.join(data, entry)) as source:
                    text = source.read()
                end = text.rfind("</")
                with open(os.path.join(data, entry), "w") as target:
                    target.write(text[:end] + '<script language="Lua">showSystemCursor()</script>\n' + text[end:])
        with open(os.path.join(data, "index.xml"), "w") as start:
            start.write('<?xml version="1.0"?>\n<script language="Lua">\n%sloadXMLFile("%s")\n</script>\n'
                        % (prelude, document))
        arguments = [os.path.abspath(binary), "--headless", "--fixed-step", "--steps", str(steps),
                     "--screenshot", "shot.tga"]
        if recording:
            shutil.copy(os.path.join(ROOT, "tests", "game", "data", recording), os.path.join(folder, "keys.rec"))
            arguments += ["--replay", "keys.rec"]
        environment = dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null",
                           QUILLMERE_NONINTERACTIVE="1")
        subprocess.run(arguments, cwd=folder, env=environment, check=True, stdout=subprocess.DEVNULL)
        target = os.path.join(ROOT, "docs", name + ".png")
        write_bytes(target, png_bytes(read_tga(os.path.join(folder, "shot.tga"))))
        print(target)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "quillmere")
    for name in SHOTS:
        shoot(binary, name)


if __name__ == "__main__":
    main()
