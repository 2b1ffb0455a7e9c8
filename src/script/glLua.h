// glLua: the script host. Owns the one Lua state, the object manager and the
// loaded XML document; runs script text through a cache of compiled functions.
#pragma once

struct lua_State;
struct _treeNode;

int glLua_prestartup(void);
void glLua_shutdown(void);
lua_State *glLua_getLuaRef(void);
_treeNode *glLua_getObjectManager(void);
int glLua_runScript(lua_State *state, const char *script, int direct);
void glLua_loadXMLFile(const char *fileName);
void glLua_updateLuaManager(void);
int glLua_userChangedEnvironment(lua_State *state);
