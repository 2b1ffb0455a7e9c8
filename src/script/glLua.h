// glLua: the script host. Owns the one Lua state, the object manager and the
// loaded XML document; runs script text through a cache of compiled functions,
// loads documents and runs their `script` elements, and paces garbage
// collection. Scripts are written for Lua 5.0; the state (Lua 5.1 built with its
// 5.0 compatibility) keeps `arg.n` in vararg functions, `math.mod`,
// `string.gfind` and `table.getn`, and the host calls `_ALERT` after every
// failed run as 5.0 did. It does not draw or know about sprites beyond handing
// them the state, the object manager and the document. Main thread only.
#pragma once

#include <lua.hpp>

struct _treeNode;

// Start-up: object manager, Lua state (with console), sprite manager, the
// host's script functions. Returns 1, or 0 when the state could not be
// created; the program then has no scripting and is asked to quit.
int glLua_prestartup(void);
// Sprite manager, the `atexit` hook, the state, the object manager, then the
// document and everything else the host holds.
void glLua_shutdown(void);

// A new state with base, io, string, math and table, the log-writing `print`
// and the console. Null (logged) when the interpreter cannot start.
lua_State *glLua_createVM(void);
// Runs the `atexit` hook and closes the state. Returns 1.
int glLua_destructVM(lua_State *state);
// Opens base, io, string, math and table in a state, as every state has them.
void glLua_openStandardLibraries(lua_State *L);

lua_State *glLua_getLuaRef(void);
_treeNode *glLua_getObjectManager(void);
// Non-zero while a document is loaded.
int glLua_hasDocument(void);

// Makes `function` callable from scripts as the global `name`.
void glLua_register(lua_State *state, const char *name, lua_CFunction function);

// Runs script text and returns the interpreter's status (0 = success). With
// `direct` 0 and a document loaded, the text is compiled once into the global
// function "compiledScript_<address>" and later runs of the same string (the
// same address) call it; such strings must stay in place for the document's
// life. Errors reach `_ALERT`. Null text runs nothing (0); a null state runs
// nothing (LUA_ERRRUN).
int glLua_runScript(lua_State *state, const char *script, int direct);
// The text most recently started (the one running while a script runs).
const char *glLua_getLastScript(void);
// The name of the document loaded last (also when it could not be read), or "".
const char *glLua_getDocumentName(void);
// A line number Lua reports for a chunk, as a line of the script itself
// (cached scripts run inside a function whose first line the host wrote).
int glLua_scriptLineFromChunk(const char *chunkName, int line);
// Texts compiled so far (script bodies and the calls of cached scripts).
unsigned long glLua_getChunksCompiled(void);
// Real seconds spent loading documents so far (the previous level's release,
// reading and the document's scripts; a load made during an update step is in
// that step's time too).
double glLua_getLoadSeconds(void);

void glLua_setGlobalAsDouble(lua_State *state, double value, const char *name);
void glLua_setGlobalAsString(lua_State *state, const char *value, const char *name);

// Replaces the current document and runs its scripts, then any document they
// queued. The old document's objects and compiled scripts go first, their
// "compiledScript_<address>" functions with them. Called while a script runs,
// the load is queued instead.
void glLua_loadXMLFile(const char *fileName);
// Queues a document as the script function loadXMLFile does: it is loaded at
// the next update step (the last request wins).
void glLua_queueXMLFile(const char *fileName);
// Once per update step: garbage collection every 50 steps, queued loads.
void glLua_updateLuaManager(void);
// Runs the script hook `userSwitchWindowEnvironmentCallback` after a
// window/full-screen toggle. Returns the run's status.
int glLua_userChangedEnvironment(lua_State *state);
