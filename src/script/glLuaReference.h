// glLuaReference: what the engine gives scripts, as the running engine sees
// it. Lists the globals of a state that a bare state with the same standard
// libraries does not have (or holds differently, as `print`): the registered
// functions and the constants the engine sets. tools/make_script_reference.py
// reads the listing to write docs/scripting.md. It runs nothing it lists.
#pragma once

#include <lua.hpp>

#include <cstdio>

// One line per engine global, sorted by name:
//   "function <name>", "number <name> <value>", "string <name> <value>",
//   "<type> <name>" for anything else.
// Returns the number of lines written.
int glLuaReference_listGlobals(lua_State *L, FILE *out);
