// The frame callbacks in process: real SDL events through the run loop into the
// application's event callback, its shortcuts and one-shot hooks.

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <lua5.1/lua.hpp>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/glApplication.h"
#include "core/glMemory.h"
#include "graphics/glTexture.h"
#include "platform/glTimer.h"
#include "script/glLua.h"
#include "support/quillmereRun.h"
#include "support/windowTest.h"

namespace {

void pushKey(Uint32 type, SDL_Scancode scancode, Uint16 mod) {
    SDL_Event event = {};
    event.type = type;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

double luaNumber(const char *name) {
    lua_State *L = glLua_getLuaRef();
    lua_getglobal(L, name);
    double value = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : -1;
    lua_pop(L, 1);
    return value;
}

// Decodes a TGA file into RGBA rows (bottom row first, as GL reads them).
bool readTGA(const std::string &path, tgaImage *image) {
    std::string bytes = quillmere_readFile(path);
    return !bytes.empty() &&
           glTexture_decodeTGA((const uint8_t *)bytes.data(), bytes.size(), path.c_str(), image) == 1;
}

class ApplicationTest : public WindowTest {
  protected:
    static void SetUpTestSuite() {
        WindowTest::SetUpTestSuite();
        setGlobalFunctions(displayCallback, updateCallback, eventCallback);
        glLua_prestartup();
        glEnvironment_setFixedStep(1);
    }
    static void TearDownTestSuite() {
        glLua_shutdown();
        WindowTest::TearDownTestSuite();
    }
    void SetUp() override {
        folder = quillmere_makeFolder();
        setenv("QUILLMERE_SAVE_DIR", folder.c_str(), 1);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void steps(int count) {
        for (int i = 0; i < count; i++) ASSERT_EQ(doSingleLoop(), 0);
    }
    std::string folder;
};

TEST_F(ApplicationTest, ControlSReleasedWithControlHeldSavesTheWindow) {
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_S, KMOD_LCTRL);
    pushKey(SDL_KEYUP, SDL_SCANCODE_S, KMOD_LCTRL);
    steps(2);
    glClearColor(0, 0, 0, 1);

    tgaImage image = {};
    ASSERT_TRUE(readTGA(folder + "/Screenshot.tga", &image));
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    int channels = image.format == GL_RGBA ? 4 : 3;
    const uint8_t *middle = image.imageData + (240 * 640 + 320) * channels;
    EXPECT_EQ(middle[0], 0);
    EXPECT_EQ(middle[1], 255);
    EXPECT_EQ(middle[2], 0);
    glFree(image.imageData, (uint32_t)image.imageSize);

    // S released after Control: an ordinary key.
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_S, KMOD_LCTRL);
    pushKey(SDL_KEYUP, SDL_SCANCODE_S, KMOD_NONE);
    steps(2);
    EXPECT_FALSE(std::filesystem::exists(folder + "/Screenshot 2.tga"));
}

TEST_F(ApplicationTest, EscapeRunsTheArmedCancelScriptOnce) {
    glLua_runScript(glLua_getLuaRef(), "cancels = 0", 1);
    glApplication_armUserCancelScript("cancels = cancels + 1");
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, KMOD_NONE);
    pushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE, KMOD_NONE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, KMOD_NONE);
    steps(3);
    EXPECT_EQ(luaNumber("cancels"), 1);
    EXPECT_FALSE(glApplication_userCancelScriptArmed());
}

TEST_F(ApplicationTest, TheInteractionScriptRunsOnceAtTheNextEventAndArmingReplaces) {
    glLua_runScript(glLua_getLuaRef(), "runs = 0", 1);
    glApplication_armUserInteractionScript("runs = runs + 1");
    steps(3);  // no input, no mouse movement: the hook waits
    EXPECT_EQ(luaNumber("runs"), 0);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE);
    steps(1);
    EXPECT_EQ(luaNumber("runs"), 1);
    EXPECT_FALSE(glApplication_userInteractionScriptArmed());

    uint32_t before = glAllocated();
    glApplication_armUserInteractionScript("runs = runs + 1000");
    glApplication_armUserInteractionScript("runs = runs + 10");  // replaces, freeing the old copy
    EXPECT_EQ(glAllocated(), before + (uint32_t)sizeof("runs = runs + 10"));
    pushKey(SDL_KEYUP, SDL_SCANCODE_A, KMOD_NONE);
    steps(1);
    EXPECT_EQ(luaNumber("runs"), 11);
}

TEST_F(ApplicationTest, TheClickReadOutIsDrawnOnlyWhileAPositionIsSet) {
    // A plain white alphabet: whatever glyph is chosen, its cell is white.
    std::filesystem::create_directories(folder + "/Data/alphabets");
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 0, tga[13] = 1, tga[14] = 0, tga[15] = 1;  // 256 x 256
    tga[16] = 32;
    tga += std::string(256 * 256 * 4, '\xff');
    FILE *file = fopen((folder + "/Data/alphabets/sand16.tga").c_str(), "wb");
    fwrite(tga.data(), 1, tga.size(), file);
    fclose(file);
    std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);

    auto pixelAt = [](int x, int y) {
        uint8_t rgba[4];
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return rgba[0];
    };
    glApplication_setClickPosition(0, 7);  // one coordinate 0: no read-out
    glApplication_drawFrame();
    EXPECT_EQ(pixelAt(12, 12), 0);

    glApplication_setClickPosition(3, 7);
    glApplication_drawFrame();
    EXPECT_EQ(pixelAt(12, 12), 255);   // inside the first 16-pixel glyph at (5, 5)
    EXPECT_EQ(pixelAt(12, 300), 0);    // nothing above the line

    glApplication_setClickPosition(0, 0);
    std::filesystem::current_path(previous);
}

}  // namespace
