#!/usr/bin/env python3
"""Writes an input recording (the engine's --record / --replay format: one
"step value event" line per change of a bound event) from a readable plan of
key presses, and can replay it on the real binary to see what it does.

The recordings of the game's levels (tests/game/data/level*.rec) are made
this way: they were written, not played by hand. Nobody could play with a
keyboard where they were made, so each plan was tuned by replaying it on the
headless binary (--try) until the replay reached the level's end.

A plan has one press a line; steps are update steps (5 ms) counted from the
level's first one; '#' starts a comment:

    120 jump             a tap: pressed at step 120, let go 4 steps later
    300-420 right        held from step 300, let go at step 420
    500 left 1           a value set at a step (here pressed; 0 lets go)

    python3 tools/make_recording.py PLAN OUT.rec
    python3 tools/make_recording.py PLAN OUT.rec --try BINARY DOCUMENT STEPS [SHOT.png]

--try runs BINARY headless with --fixed-step on a copy of the repository's
Data/ that opens DOCUMENT (e.g. Data/level2.xml) at once, replays OUT.rec for
STEPS steps, and prints the game's own lines ("Dewdrop Dell: ...") and, every
100 steps (or $TRIAL_EVERY), where Sprig is; SHOT.png gets the last frame.
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # running it leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from asset_files import png_bytes, read_tga, write_bytes  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TAP_STEPS = 4


def parse_plan(text):
    """The plan's presses as sorted (step, value, event) triples."""
    changes = []
    for number, raw in enumerate(text.splitlines(), 1):
        words = raw.split("#", 1)[0].split()
        if not words:
            continue
        try:
            if len(words) == 2 and "-" in words[0]:
                first, last = (int(w) for w in words[0].split("-", 1))
                if last <= first:
                    raise ValueError("a hold must end after it starts")
                changes += [(first, 1, words[1]), (last, 0, words[1])]
            elif len(words) == 2:
                step = int(words[0])
                changes += [(step, 1, words[1]), (step + TAP_STEPS, 0, words[1])]
            elif len(words) == 3:
                changes.append((int(words[0]), int(words[2]), words[1]))
            else:
                raise ValueError("expected 'STEP EVENT', 'FIRST-LAST EVENT' or 'STEP EVENT VALUE'")
        except ValueError as problem:
            sys.exit("plan line %d: %s: %s" % (number, raw.strip(), problem))
    # Stable: at one step, presses keep the plan's order.
    return sorted(changes, key=lambda change: change[0])


def recording_text(changes):
    return "".join("%d %d %s\n" % change for change in changes)


# The start document of a trial: script errors go to the log and the document
# under trial opens at once (later loads of the start document get the title).
TRIAL_START = """<?xml version="1.0"?>
<script language="Lua">
if not gTrialStarted then
	gTrialStarted = true
	local report = _ALERT
	_ALERT = function(message) print("Script error: " .. tostring(message)) report(message) end
	loadXMLFile("%s")
else
	loadXMLFile("Data/shipped-index.xml")
end
</script>
"""

# Put into every level of the trial's copy: notes where Sprig is every
# TRIAL_EVERY steps (100 unless the environment says otherwise).
TRIAL_EVERY = int(os.environ.get("TRIAL_EVERY", "100"))
TRIAL_WATCH = """<sprite type="trial_watch"><update language="Lua" frequency="%g">
local x, y = getSpriteLocation(gPlayer)
local holding = gSprigVine and string.format(" vine angle=%%.2f", gSprigVine.angle) or ""
print(string.format("Trial: step %%d x=%%.1f y=%%.1f dew=%%d%%s", gLevelStep, x, y, gDewCount, holding))
</update></sprite>
<script language="Lua">setSpriteAlwaysUpdate(addSprite("trial_watch", 19), true)</script>
"""


def try_recording(binary, recording, document, steps, shot=None):
    folder = tempfile.mkdtemp(prefix="quillmere-trial-")
    try:
        data = os.path.join(folder, "Data")
        shutil.copytree(os.path.join(ROOT, "Data"), data)
        os.rename(os.path.join(data, "index.xml"), os.path.join(data, "shipped-index.xml"))
        with open(os.path.join(data, "index.xml"), "w") as start:
            start.write(TRIAL_START % document)
        for name in os.listdir(data):
            if name.startswith("level") and name.endswith(".xml"):
                with open(os.path.join(data, name)) as level:
                    text = level.read()
                end = text.rfind("</")
                with open(os.path.join(data, name), "w") as level:
                    level.write(text[:end] + TRIAL_WATCH % (TRIAL_EVERY / 200.0) + text[end:])
        shutil.copy(recording, os.path.join(folder, "keys.rec"))
        environment = dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null",
                           QUILLMERE_NONINTERACTIVE="1")
        subprocess.run([os.path.abspath(binary), "--headless", "--fixed-step", "--steps", str(steps),
                        "--replay", "keys.rec", "--screenshot", "shot.tga"], cwd=folder, env=environment,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(folder, "Log File.txt"), errors="replace") as log:
            for line in log:
                if line.startswith(("Dewdrop Dell:", "Trial:", "Script error")):
                    print(line.rstrip())
        if shot and os.path.exists(os.path.join(folder, "shot.tga")):
            write_bytes(shot, png_bytes(read_tga(os.path.join(folder, "shot.tga"))))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    arguments = sys.argv[1:]
    if len(arguments) < 2 or (len(arguments) > 2 and (arguments[2] != "--try" or len(arguments) not in (6, 7))):
        sys.exit(__doc__)
    with open(arguments[0]) as plan:
        changes = parse_plan(plan.read())
    write_bytes(arguments[1], recording_text(changes).encode())
    if len(arguments) > 2:
        try_recording(arguments[3], arguments[1], arguments[4], int(arguments[5]),
                      arguments[6] if len(arguments) > 6 else None)


if __name__ == "__main__":
    main()
