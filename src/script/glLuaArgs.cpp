// glLuaArgs: strict argument checks and the usage error for script-facing functions.

#include "script/glLuaArgs.h"

#include <climits>
#include <cmath>
#include <cstdlib>

int glLuaArgs_raiseUsage(lua_State *L, const char *usage) {
    lua_pushstring(L, usage);
    return lua_error(L);
}

int glLuaArgs_hasCount(lua_State *L, int count) { return lua_gettop(L) == count; }

int glLuaArgs_isNumber(lua_State *L, int index) { return lua_type(L, index) == LUA_TNUMBER; }

int glLuaArgs_isString(lua_State *L, int index) { return lua_type(L, index) == LUA_TSTRING; }

int glLuaArgs_isBoolean(lua_State *L, int index) { return lua_type(L, index) == LUA_TBOOLEAN; }

static int private_matches(lua_State *L, int index, char letter) {
    switch (letter) {
    case 'n': return glLuaArgs_isNumber(L, index);
    case 's': return glLuaArgs_isString(L, index);
    case 'b': return glLuaArgs_isBoolean(L, index);
    case '.': return 1;
    default: return 0;  // an unknown letter is a programming error: always refuse
    }
}

void glLuaArgs_check(lua_State *L, const char *signature, const char *usage) {
    int count = 0;
    while (signature[count]) count++;
    if (!glLuaArgs_hasCount(L, count)) glLuaArgs_raiseUsage(L, usage);
    for (int i = 0; i < count; i++)
        if (!private_matches(L, i + 1, signature[i])) glLuaArgs_raiseUsage(L, usage);
}

int glLuaArgs_toInt(lua_State *L, int index) {
    double value = lua_tonumber(L, index);
    if (std::isnan(value)) return 0;
    if (value >= (double)INT_MAX) return INT_MAX;
    if (value <= (double)INT_MIN) return INT_MIN;
    return (int)value;  // truncation toward zero
}

int glLuaArgs_readInt(const char **text, int *value) {
    char *end = nullptr;
    long long read = strtoll(*text, &end, 10);
    if (end == *text) return 0;
    *value = read > INT_MAX ? INT_MAX : read < INT_MIN ? INT_MIN : (int)read;
    *text = end;
    return 1;
}
