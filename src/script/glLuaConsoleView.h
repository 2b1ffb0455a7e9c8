// glLuaConsoleView: the console on screen. Control+B shows and hides the
// console's newest lines over the game, in the console colour and the debug
// font, with a one-line prompt under them. What is typed runs as Lua in the
// game's state on Enter; an expression shows its value at once, a statement
// runs as any script does (errors reach the console through the reporter).
// Up and Down walk the history. While the view is open it takes the key
// presses (and their releases), so the game's bindings never see them; mouse
// events still reach the game. Main thread only.
#pragma once

#include "platform/glEnvironment.h"

enum { kConsoleHistoryLength = 64, kConsolePromptLength = 256 };

// Shows the view when hidden, hides it when shown (Control+B).
void luaConsoleView_toggle(void);
void luaConsoleView_close(void);
int luaConsoleView_isOpen(void);

// Offered every event before the game sees it. Returns 1 when the view took
// it: any key press while open, and the release of a key pressed while open.
int luaConsoleView_takeEvent(int code, envMessage message);

// Runs one line as Enter does: echoes it, runs it, shows its value or error,
// and adds it to the history.
void luaConsoleView_submit(const char *line);
// What the prompt holds now.
const char *luaConsoleView_prompt(void);

// Draws the view over the frame when open (in window pixels).
void luaConsoleView_draw(void);
// Forgets the prompt, the history and any held keys, and hides the view.
void luaConsoleView_reset(void);
