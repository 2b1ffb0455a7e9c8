// glLuaSprite: not built yet; with no sprites there is nothing to step or reset.

#include "sprites/glLuaSprite.h"

void preupdateLuaSpriteManager(void) {}
void updateLuaSpriteManager(void) {}
void resetLuaSpriteOpenGLGlobals(void) {}

// Does nothing until the sprite manager is built (it will register the sprite APIs).
void initLuaSpriteManager(lua_State *L, _treeNode *objMgr) { (void)L, (void)objMgr; }
// Does nothing until the sprite manager is built.
void destructLuaSpriteManager(void) {}
// Does nothing until the sprite manager is built (it will keep the document).
void setLuaSpriteManagerXMLTree(_treeNode *tree) { (void)tree; }
// Does nothing until the sprite manager is built (no sprites, no bounds to compute).
void calculateWorldBoundsFromSpritePositions(void) {}
