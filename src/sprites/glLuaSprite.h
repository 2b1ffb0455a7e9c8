// glLuaSprite: the sprite record and sprite manager. Not built yet: the
// application's update step and display toggle call these and they do nothing.
#pragma once

struct lua_State;
struct _treeNode;

void preupdateLuaSpriteManager(void);
void updateLuaSpriteManager(void);
void resetLuaSpriteOpenGLGlobals(void);

// Called by the script host at start-up, at shutdown and for each loaded document.
void initLuaSpriteManager(lua_State *L, _treeNode *objMgr);
void destructLuaSpriteManager(void);
void setLuaSpriteManagerXMLTree(_treeNode *tree);
void calculateWorldBoundsFromSpritePositions(void);
