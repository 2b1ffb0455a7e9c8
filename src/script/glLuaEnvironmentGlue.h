// glLuaEnvironmentGlue: the script functions for everything that is not a
// sprite: the window and display mode, the cursor, the update step length,
// textures, the debug overlay, the one-shot interaction and cancel hooks, the
// input manager, two string helpers and quitting. Almost all are thin wrappers
// over the modules that do the work; the module's own logic is the argument
// parsing of `loadTexture`, the debug overlay and the texture drawn as the
// mouse cursor. It owns no window, texture or input state. Main thread only.
#pragma once

#include <lua.hpp>

// Remembers the state and registers the script functions (once per state).
void initLuaEnvironmentGlue(lua_State *L);

// Drawn by the display callback after the object manager, in this order.
// The overlay (frames per second, dynamic memory, delta memory, VRAM) shows
// while a script has switched it on with displayDebugInformation(true).
void renderDebuggingInformation(void);
// The texture a script chose with setCursor, at the mouse, while the system
// cursor is hidden by hideSystemCursor.
void renderCursor(void);
