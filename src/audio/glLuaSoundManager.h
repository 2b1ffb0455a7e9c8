// glLuaSoundManager: the sound script API. Starts the audio system for a Lua
// state (32 channels, an empty group list, the sound-type globals
// gSoundEffect, gVocalEffect and gMusicEffect) and registers the nine
// soundManager_* functions. The work itself is done by glSoundManager.
#pragma once

#include <lua.hpp>

// Keeps `L`, opens the sound device (once; later calls keep it), starts the
// group layer afresh, sets the type globals and registers the functions.
// Without a device the functions still exist and play nothing.
void initLuaSpriteSoundManager(lua_State *L);
// Stops the music, releases every group and closes the device.
void destructLuaSpriteSoundManager(void);
