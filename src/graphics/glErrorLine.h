// glErrorLine: the red line at the bottom of the window that shows a designer
// the latest script error or failed asset load for a few seconds, besides the
// log. It keeps the newest message (and how many came with it), knows where
// the running script is through a hook the script host installs, and draws
// the line over the frame. A command-line option turns it off. Main thread only.
#pragma once

// How long a message stays: five seconds of update steps.
enum { kErrorLineSteps = 1000, kErrorLineHeight = 16 };

// Shows "<where>: <what>" (just <what> when where is null or empty).
void glErrorLine_show(const char *where, const char *what);
// The same, where being the running script's place when a script is running
// (asset loads asked for by scripts).
void glErrorLine_showHere(const char *what);

// The place of the running script ("Data/level1.xml, script line 4"), or "".
typedef void (*errorLineWhereFunc)(char *buffer, int size);
void glErrorLine_setWhereFunc(errorLineWhereFunc where);

void glErrorLine_setEnabled(int enabled);
int glErrorLine_isEnabled(void);

// The text the line shows now ("" when nothing is shown): the newest message,
// with "(and N more)" when others came while it was shown.
const char *glErrorLine_text(void);
// Draws the line over the frame while there is one.
void glErrorLine_draw(void);
// Forgets the message.
void glErrorLine_clear(void);
