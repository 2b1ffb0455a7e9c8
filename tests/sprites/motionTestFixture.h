// In-process fixture of the animation, motion and path tests: the real script
// host with an offscreen GL context, a level document written per test, Lua
// chunks run as a script would run them, and update steps run one at a time
// exactly as the application's update callback runs them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/glObjectManager.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "sprites/glLuaSprite.h"

class SpriteMotion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        glEnvironment_setNonInteractive(1);
        initFullscreen("test", 640, 480, 0, 0, 1);
    }
    static void TearDownTestSuite() { deleteFullscreen(); }
    void SetUp() override {
        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
        dir = ::testing::TempDir() + "quillmere_motion_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_";
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
                out += lua_isnil(L, i) ? "nil" : lua_isboolean(L, i) ? (lua_toboolean(L, i) ? "true" : "false") : lua_tostring(L, i);
            }
        }
        lua_settop(L, top);
        return out;
    }
    double number(const std::string &expression) { return std::stod(call("return " + expression)); }
    luaSpriteInfoRec *rec(int ref) { return getSprite(ref) ? &getSprite(ref)->self : nullptr; }
    // One update step of the sprites: the manager's pre-update, every object's
    // update (the motion step), the manager's own step.
    void step(int count = 1) {
        for (int i = 0; i < count; i++) {
            preupdateLuaSpriteManager();
            updateObjectManager(glLua_getObjectManager());
            updateLuaSpriteManager();
        }
    }

    lua_State *L = nullptr;
    std::string dir;
};
