// In-process tests of sprite scripts: the real script host over a real GL
// window, a level document written per test, and Lua chunks run as a script
// would run them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "script/glLua.h"
#include "sprites/glLuaSprite.h"
#include "support/windowTest.h"

class ScriptedLevelTest : public WindowTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
        // One file prefix per test, so tests running side by side never share files.
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = ::testing::TempDir() + "quillmere_" + test->test_suite_name() + "_" + test->name() + "_";
    }
    void TearDown() override { glLua_shutdown(); }

    // Loads a level document made of `body`; its scripts run.
    void load(const std::string &body) {
        std::string path = dir + "level.xml";
        std::ofstream(path, std::ios::binary) << "<?xml version=\"1.0\"?>\n" << body << "\n";
        glLua_loadXMLFile(path.c_str());
        ASSERT_TRUE(glLua_hasDocument());
    }
    // Runs a chunk; its results joined by ",", or "error: <message>".
    std::string call(const std::string &chunk) {
        int top = lua_gettop(L);
        std::string out;
        if (luaL_loadstring(L, chunk.c_str()) || lua_pcall(L, 0, LUA_MULTRET, 0)) {
            out = std::string("error: ") + lua_tostring(L, -1);
        } else {
            for (int i = top + 1; i <= lua_gettop(L); i++) {
                if (i > top + 1) out += ",";
                out += lua_isnil(L, i)       ? "nil"
                       : lua_isboolean(L, i) ? (lua_toboolean(L, i) ? "true" : "false")
                                             : lua_tostring(L, i);
            }
        }
        lua_settop(L, top);
        return out;
    }
    luaSpriteInfoRec *rec(int ref) { return getSprite(ref) ? &getSprite(ref)->self : nullptr; }

    lua_State *L = nullptr;
    std::string dir;
};
