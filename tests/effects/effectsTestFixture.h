// In-process tests of the effects: the real script host over a real GL window,
// run in a folder of their own that holds the images the effects load (the
// speech-bubble frame under its fixed name, a white square, an iris mask and
// an alphabet), with update steps and frames driven by the test.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "effects/effects.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "sprites/glLuaSprite.h"
#include "sprites/spriteTestHelpers.h"
#include "support/windowTest.h"

class EffectsTest : public WindowTest {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        startDir = fs::current_path().string();
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string dir = ::testing::TempDir() + "quillmere_fx_" + test->test_suite_name() + "_" + test->name();
        fs::create_directories(dir + "/Data/sprites/objects");
        ASSERT_EQ(chdir(dir.c_str()), 0);
        // The frame: opaque white.
        spriteTest_writeTGA(kSpeechBubbleFrame, 64, 64, [](int, int) { return rgba{255, 255, 255, 255}; });
        spriteTest_writeTGA("Data/white.tga", 8, 8, [](int, int) { return rgba{255, 255, 255, 255}; });
        // An iris: opaque black, with a clear disc of radius 28 in the middle.
        spriteTest_writeTGA("Data/iris.tga", 64, 64, [](int x, int y) {
            float dx = x + 0.5f - 32, dy = y + 0.5f - 32;
            return dx * dx + dy * dy < 28 * 28 ? rgba{0, 0, 0, 0} : rgba{0, 0, 0, 255};
        });
        spriteTest_writeAlphabet("Data/alphabet.tga");

        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
        linkParticleFunctions();
        linkRopeFunctions();
        linkGameTimerFunctions();
        linkDemoTimerFunctions();
        linkSpeechBubbleFunctions();
        std::ofstream("Data/level.xml", std::ios::binary)
            << "<?xml version=\"1.0\"?>\n<level><sprite type=\"img\"/>\n"
               // Counts the cuts of moving rope pieces; removes itself on one when asked to.
               "<sprite type=\"slash\"><event language=\"Lua\">if gCurrentEvent == 'kill_slash' then "
               "gCuts = gCuts + 1 if gRemoveOnCut then removeSprite(gCurrentSprite) end end</event></sprite>\n"
               "<script language=\"Lua\">\n"
               "initSpriteManager(16)\n"
               "white = loadTexture('Data/white.tga') alphabet = loadTexture('Data/alphabet.tga')\n"
               "loadTexture('Data/iris.tga') loadTexture('" << kSpeechBubbleFrame << "')\n"
               "</script></level>\n";
        glLua_loadXMLFile("Data/level.xml");
        ASSERT_TRUE(glLua_hasDocument());
        objects = glLua_getObjectManager();
    }
    void TearDown() override {
        setLevelEditorActive(0);
        setParticlesEnabled(1);
        setDemoEnabled(1);
        glLua_shutdown();
        ASSERT_EQ(chdir(startDir.c_str()), 0);
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
                out += lua_isnil(L, i) ? "nil" : lua_isboolean(L, i) ? (lua_toboolean(L, i) ? "true" : "false")
                                                                     : lua_tostring(L, i);
            }
        }
        lua_settop(L, top);
        return out;
    }
    void run(const std::string &chunk) { ASSERT_EQ(call(chunk), ""); }

    // Update steps as the program runs them (the parts effects take part in).
    void step(int n = 1) {
        for (int i = 0; i < n; i++) {
            preupdateRopeAnimation();
            preupdateLuaSpriteManager();
            updateObjectManager(objects);
            updateLuaSpriteManager();
        }
    }

    // Objects of one kind alive now, and the first one's data.
    int count(objDrawFunc kind) {
        int n = 0;
        for (uint32_t layer = 0; layer < kObjectManagerLayers; layer++)
            for (_treeNode *node = objectEnumerator(objects, layer); node; node = getSibling(node))
                n += getObjectDrawFunc(node) == kind;
        return n;
    }
    template <class T> T *first(objDrawFunc kind) {
        for (uint32_t layer = 0; layer < kObjectManagerLayers; layer++)
            for (_treeNode *node = objectEnumerator(objects, layer); node; node = getSibling(node))
                if (getObjectDrawFunc(node) == kind) return (T *)getObjectData(node);
        return nullptr;
    }

    // One frame over a background colour, read back.
    spriteTestFrame draw(float r = 0, float g = 0, float b = 0) {
        return spriteTest_drawObjects(objects, r, g, b);
    }

    lua_State *L = nullptr;
    _treeNode *objects = nullptr;
    std::string startDir;
};
