// glLuaConsole: the script console, the engine's message sink for scripts.
// It keeps the newest 30 lines (wrapped at 460 pixels of system-font text),
// owns the error reporter installed as the interpreter's `_ALERT` and the panic
// handler. Its on-screen view, with the prompt, is glLuaConsoleView; activating
// the console (Control+B) shows or hides that view. Main thread only.
#pragma once

#include <lua.hpp>

#include <cstdint>

enum { kConsoleMaxLines = 30, kConsoleLineWidth = 460 };

// Remembers the state, creates the line lists (once; lines survive later
// calls), installs the panic handler and registers console_addString,
// console_setColor and _ALERT.
void initLuaConsoleManager(lua_State *L);
// Frees the lines at the end of the program.
void destructLuaConsoleManager(void);

// Adds one line at the front, wrapped at kConsoleLineWidth pixels, then drops
// the oldest lines beyond kConsoleMaxLines. Returns 0.
int console_addString(const char *string);
// Splits the text at CR and LF (empty lines vanish) and adds each piece. Returns 0.
int console_addParagraph(const char *string);
// Start of the n-th line (1-based) of the text and its length without the LF.
// Only lines ended by LF count; null when there are fewer.
const char *getLineInParagraph(const char *text, int n, int *length);

// Tracked bytes the kept lines hold (their nodes and texts).
uint32_t luaConsole_trackedBytes(void);

// Control+B: shows the view when hidden, hides it when shown.
void activateLuaConsole(void);
// Panic handler: closes the state (the atexit hook runs first). Returns 0.
int luaConsole_panicCallback(lua_State *L);

// The error reporter (what `_ALERT` does), callable from C. It leaves the view
// as it is.
void luaConsole_reportError(const char *message);
// Line of the last syntax error (1-based, 0 = none), quoted by the reporter.
void luaConsole_setErrorLine(int line);
int luaConsole_getErrorLine(void);
// The line number in a compiler message "<chunk>:<line>: <text>", 0 if none.
int luaConsole_errorLineFromMessage(const char *message);

// What a view would show: the lines (index 0 newest) and the text colour.
int luaConsole_lineCount(void);
const char *luaConsole_getLine(int index);
void luaConsole_getColor(float *red, float *green, float *blue);
