// glInputFeed: window-system input read from a text file and put into the
// window's event queue step by step, as if someone sat at the machine: the
// pointer moves, mouse buttons and keys go down and up. It lets a run with no
// one at it (headless included) reach what only the mouse and keyboard reach:
// clicks on sprites, the placement editor, the engine's own shortcuts. Bound
// events are the business of recordings (glInput); this is the raw input.
//
// One line per input, "STEP ACTION [ARGUMENTS]"; blank lines and lines
// starting with '#' are skipped:
//   move X Y         the pointer to (X, Y), view pixels from the lower-left corner
//   press [right]    a mouse button goes down where the pointer is (the left one
//                    unless "right"; the right button counts as a Control-click)
//   release [right]  it goes up
//   key NAME         a key goes down and up; NAME is the window system's key name
//                    (Tab, Space, Return, Escape, Left, P, F2), with "ctrl+",
//                    "shift+" or "alt+" in front for keys held with it (ctrl+p)
//   keydown NAME, keyup NAME   only down, only up
// Lines are played in step order (lines of one step in file order) just before
// update step STEP, counted from 0 at the first step, so that step sees them.
// Main thread only.
#pragma once

enum { kFeedMove, kFeedPress, kFeedRelease, kFeedKey, kFeedKeyDown, kFeedKeyUp };

struct inputFeedLine {
    unsigned long step;
    int action;     // kFeed...
    int x, y;       // move: view position
    int button;     // press, release: 1 left, 3 right (the window system's numbering)
    int scancode;   // keys: the window system's scancode
    int modifiers;  // keys: the window system's modifier bits held with it
};

// Reads one line. Returns 1 for an input, 0 for a blank or comment line, -1
// for anything else.
int glInputFeed_parseLine(const char *text, inputFeedLine *line);

// Reads the whole file and plays the lines of step 0. A file that cannot be
// read, and each line that is not an input, get a log line; the rest plays.
// Returns the number of inputs read. Needs the window.
int glInputFeed_open(const char *path);
// After each update step: plays the lines of the next step.
void glInputFeed_stepDone(void);
// Inputs still to be played.
int glInputFeed_pending(void);
void glInputFeed_close(void);
