// glLuaArgs: the argument checks every script-facing C function starts with.
// A function states its usage text once ("usage: name(<Type description>, ...)")
// and hands it to these checks; on a mismatch the text is raised as a Lua error,
// so the script stops there and the message reaches the console's reporter.
// Types are strict: a number is not a string and a numeric string is not a
// number. Nothing here reads or converts beyond what the checks need.
#pragma once

#include <lua.hpp>

// Raises `usage` as a Lua error. Never returns (declared int so a function can
// write `return glLuaArgs_raiseUsage(L, usage);`).
int glLuaArgs_raiseUsage(lua_State *L, const char *usage);

// Exactly `count` arguments were passed.
int glLuaArgs_hasCount(lua_State *L, int count);

// The argument at `index` (1-based) is of that type.
int glLuaArgs_isNumber(lua_State *L, int index);
int glLuaArgs_isString(lua_State *L, int index);
int glLuaArgs_isBoolean(lua_State *L, int index);

// Checks the count and every type in one go and raises `usage` on a mismatch.
// `signature` holds one letter per argument: 'n' number, 's' string,
// 'b' boolean, '.' anything. glLuaArgs_check(L, "sn", usage) wants exactly a
// string and a number.
void glLuaArgs_check(lua_State *L, const char *signature, const char *usage);

// The number at `index` truncated toward zero, clamped to the int range
// (NaN gives 0), so a wild script value can never overflow a C integer.
int glLuaArgs_toInt(lua_State *L, int index);

// Reads a whole number in decimal from *text (after optional white space) into
// *value, held to the int range, and moves *text past it. Returns 0, leaving
// both alone, when no number is there. (sscanf's %d leaves a number beyond
// the int range undefined.)
int glLuaArgs_readInt(const char **text, int *value);
