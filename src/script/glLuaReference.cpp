// glLuaReference: the listing of the globals the engine adds to a state.

#include "script/glLuaReference.h"

#include <map>
#include <string>

#include "script/glLua.h"

// The globals of a state: name to a text that says what each one is, so two
// states can be compared without running anything. Functions are told apart by
// their C entry (the same library function in two states) or, for functions
// written in Lua, by being written in Lua at all.
static std::map<std::string, std::string> private_describeGlobals(lua_State *L) {
    std::map<std::string, std::string> globals;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
        if (lua_type(L, -2) == LUA_TSTRING) {
            std::string name = lua_tostring(L, -2);
            std::string what;
            char entry[64];
            switch (lua_type(L, -1)) {
            case LUA_TFUNCTION:
                if (lua_iscfunction(L, -1)) {
                    snprintf(entry, sizeof(entry), "cfunction %p", (void *)lua_tocfunction(L, -1));
                    what = entry;
                } else {
                    what = "lua function";
                }
                break;
            case LUA_TNUMBER:
                lua_pushvalue(L, -1);  // tostring on a copy: the key must stay a string for lua_next
                what = std::string("number ") + lua_tostring(L, -1);
                lua_pop(L, 1);
                break;
            case LUA_TSTRING:
                what = std::string("string ") + lua_tostring(L, -1);
                break;
            default:
                what = lua_typename(L, lua_type(L, -1));
                break;
            }
            globals[name] = what;
        }
        lua_pop(L, 1);
    }
    return globals;
}

int glLuaReference_listGlobals(lua_State *L, FILE *out) {
    if (!L || !out) return 0;
    lua_State *bare = luaL_newstate();
    if (!bare) return 0;
    glLua_openStandardLibraries(bare);
    std::map<std::string, std::string> standard = private_describeGlobals(bare);
    lua_close(bare);

    int lines = 0;
    for (const auto &[name, what] : private_describeGlobals(L)) {
        auto found = standard.find(name);
        if (found != standard.end() && found->second == what) continue;
        bool function = what.rfind("cfunction", 0) == 0 || what == "lua function";
        if (function)
            fprintf(out, "function %s\n", name.c_str());
        else if (what.rfind("number ", 0) == 0 || what.rfind("string ", 0) == 0)
            fprintf(out, "%.7s%s %s\n", what.c_str(), name.c_str(), what.c_str() + 7);
        else
            fprintf(out, "%s %s\n", what.c_str(), name.c_str());
        lines++;
    }
    return lines;
}
