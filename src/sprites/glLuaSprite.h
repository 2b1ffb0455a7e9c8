// glLuaSprite: the sprite record and sprite manager. Not built yet: the
// application's update step and display toggle call these and they do nothing.
#pragma once

void preupdateLuaSpriteManager(void);
void updateLuaSpriteManager(void);
void resetLuaSpriteOpenGLGlobals(void);
