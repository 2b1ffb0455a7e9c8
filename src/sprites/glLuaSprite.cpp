// glLuaSprite: not built yet; with no sprites there is nothing to step or reset.

#include "sprites/glLuaSprite.h"

void preupdateLuaSpriteManager(void) {}
void updateLuaSpriteManager(void) {}
void resetLuaSpriteOpenGLGlobals(void) {}
