// The placement editor driven as a designer drives it: input from an input
// file goes through the window system's queue, the run loop and the
// application's callbacks to the sprites, one pass (one update step) at a time.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/glApplication.h"
#include "core/glMemory.h"
#include "input/glInput.h"
#include "platform/glInputFeed.h"
#include "sprites/scriptedLevelTest.h"
#include "support/quillmereRun.h"

namespace {

// Boxes are 40 x 40 outlines with an event script; a ghost has neither
// outline nor animation; a dancer has only an animation.
const char *kLevel =
    "<level>\n"
    "<sprite type=\"box\"><init language=\"Lua\">place()</init><collision file=\"DIR/box.ps\"/>"
    "<event language=\"Lua\">seen = seen .. gCurrentEvent .. ' '</event></sprite>\n"
    "<sprite type=\"ghost\"><init language=\"Lua\">place()</init></sprite>\n"
    "<sprite type=\"dancer\"><init language=\"Lua\">place() setSpriteAnimation(gCurrentSprite, 'a')</init>"
    "<animation name=\"a\"><frame/><frame/></animation></sprite>\n"
    "<script language=\"Lua\">initSpriteManager(8) seen = ''\n"
    "function place() placeSprite(gCurrentSprite, tonumber(getSpriteParameter(0)), tonumber(getSpriteParameter(1)), 0) end\n"
    "a = addSprite('box', 1, 100, 100) ghost = addSprite('ghost', 3, 5, 6) d = addSprite('dancer', 2, 50.9, -60.9)\n"
    "b = addSprite('box', 4, 300, 200)</script>\n</level>";

class SpriteEditor : public ScriptedLevelTest {
  protected:
    static void SetUpTestSuite() {
        ScriptedLevelTest::SetUpTestSuite();
        setGlobalFunctions(displayCallback, updateCallback, eventCallback);
        glEnvironment_setFixedStep(1);
    }
    void SetUp() override {
        glInput_initInputManager();
        ScriptedLevelTest::SetUp();
        std::ofstream(dir + "box.ps") << "%!PS-Adobe-3.0\n0 0 m\n40 0 l\n40 40 l\n0 40 l\n0 0 l\nn\n";
        level = kLevel;
        level.replace(level.find("DIR/"), 4, dir);
        load(level);
        saveDir = dir + "saved";
        std::filesystem::create_directories(saveDir);
        setenv("QUILLMERE_SAVE_DIR", saveDir.c_str(), 1);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        play("0 move 320 240", 1);
        call("activateSpriteEditor() seen = ''");
    }
    void TearDown() override {
        glInputFeed_close();
        unsetenv("QUILLMERE_SAVE_DIR");
        ScriptedLevelTest::TearDown();
        glInput_destructInputManager();
    }
    // Plays input lines (steps counted from now) over that many passes of the run loop.
    void play(const std::string &lines, int passes) {
        std::ofstream(dir + "feed.txt") << lines << "\n";
        glInputFeed_open((dir + "feed.txt").c_str());
        for (int i = 0; i < passes; i++) ASSERT_EQ(doSingleLoop(), 0);
    }
    float x(int ref) { return rec(ref)->location[0]; }
    float y(int ref) { return rec(ref)->location[1]; }
    float origin(int index) { return getEnvironmentValue(index); }
    std::string saved(const std::string &name) { return quillmere_readFile(saveDir + "/" + name); }
    std::string saveDir, level;
};

TEST_F(SpriteEditor, TheWorldStandsStillAndTheSelectedSpriteIsDraggedInWholeUnits) {
    call("setSpriteVelocity(a, 0, -1, 0)");
    play("0 move 120 120\n2 press\n3 release", 5);
    EXPECT_EQ(y(0), 100);  // no fall
    EXPECT_EQ(getSelectedSprite(), 0);
    EXPECT_EQ(call("return seen"), "");  // the editor took the press and the release
    call("setSpriteVelocity(a, 0, 0, 0)");

    struct dragCase {
        float startX, startY, originX, originY;
        int fromX, fromY, toX, toY;
        float endX, endY;
    };
    const dragCase cases[] = {
        {100, 100, 0, 0, 120, 120, 130, 120, 110, 100},        // 10 pixels right: 10 units
        {100.7f, 100.2f, 0, 0, 110, 110, 120, 115, 110, 105},  // whole units, the offset kept
        {1100, 300, 1000, 250, 110, 60, 100, 80, 1090, 320},   // a scrolled view
        {100, 100, 0, 0, 120, 120, 10, 120, 100, 100},         // its place would leave the window: ignored
        {100, 100, 0.5f, 0, 120, 120, 120, 140, 100, 120},     // a view off the whole units
    };
    for (const dragCase &c : cases) {
        setEnvironmentValue(kEnv_WorldOrigin_X, c.originX);
        setEnvironmentValue(kEnv_WorldOrigin_Y, c.originY);
        rec(0)->location[0] = c.startX;
        rec(0)->location[1] = c.startY;
        play("0 move " + std::to_string(c.fromX) + " " + std::to_string(c.fromY) + "\n2 press\n3 move " +
                 std::to_string(c.toX) + " " + std::to_string(c.toY) + "\n5 release\n6 move 320 240",
             8);
        EXPECT_EQ(x(0), c.endX) << c.startX << " from " << c.fromX << " to " << c.toX;
        EXPECT_EQ(y(0), c.endY) << c.startY << " from " << c.fromY << " to " << c.toY;
        EXPECT_EQ(origin(kEnv_WorldOrigin_X), c.originX);  // nothing scrolled
    }
    EXPECT_EQ(getSelectedSprite(), -1);
    call("deactivateSpriteEditor() setSpriteVelocity(a, 0, -1, 0)");
    play("", 2);
    EXPECT_EQ(y(0), 118);  // it goes on from where it was left (the last drop, 120)
}

TEST_F(SpriteEditor, TheViewScrollsAtTheWindowEdgesAndWithTheArrowKeys) {
    // Ten steps each: 2 units a step with the pointer within 5 pixels of an edge;
    // a key is taken by both boxes (both have an event script), so it scrolls twice.
    const struct {
        const char *input;
        float dx, dy;
    } cases[] = {
        {"move 4 240", -20, 0}, {"move 5 240", 0, 0},   {"move 636 240", 20, 0}, {"move 635 240", 0, 0},
        {"move 320 4", 0, -20}, {"move 320 476", 0, 20}, {"move 2 478", -20, 20}, {"move 320 240", 0, 0},
        {"key Left", -640, 0},  {"key Right", 640, 0},  {"key Up", 0, 480},     {"key Down", 0, -480},
        {"key P", 0, 0},
    };
    for (const auto &c : cases) {
        float x0 = origin(kEnv_WorldOrigin_X), y0 = origin(kEnv_WorldOrigin_Y);
        play(std::string("0 ") + c.input, 10);
        EXPECT_EQ(origin(kEnv_WorldOrigin_X) - x0, c.dx) << c.input;
        EXPECT_EQ(origin(kEnv_WorldOrigin_Y) - y0, c.dy) << c.input;
    }
    EXPECT_FALSE(std::filesystem::exists(saveDir + "/level_dump.txt"));  // P alone writes nothing
}

TEST_F(SpriteEditor, ControlPWritesTheSpritesWithAnOutlineOrAnAnimationOnce) {
    call("c = addSprite('box', 5, -7.9, 1e9) removeSprite(c)");  // marked for removal: not part of the level
    std::string longType(300, 't');
    // A type name longer than a line buffer.
    glFree(rec(3)->spriteType, (uint32_t)strlen(rec(3)->spriteType) + 1);
    rec(3)->spriteType = (char *)glMallocWithBytes((uint32_t)longType.size() + 1, longType.c_str());
    ::testing::internal::CaptureStderr();
    play("0 key ctrl+p", 1);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(saved("level_dump.txt"),
              "addSprite(\"box\", 1, 100, 100)\naddSprite(\"dancer\", 2, 50, -60)\naddSprite(\"" + longType + "\", 4, 300, 200)\n");
    EXPECT_FALSE(std::filesystem::exists(saveDir + "/level_dump 2.txt"));  // consumed by the first box
    EXPECT_NE(log.find("saving to"), std::string::npos) << log;

    // No file to be had (a cancelled dialog, a folder that is not there): nothing
    // is written, the dialog's one line says why, and the game goes on.
    setenv("QUILLMERE_SAVE_DIR", (dir + "missing/folder").c_str(), 1);
    ::testing::internal::CaptureStderr();
    play("0 key ctrl+p\n1 key Left", 3);
    log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("cannot open"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(dir + "missing"));
    EXPECT_EQ(origin(kEnv_WorldOrigin_X), -640);

    // A file that takes nothing: one line, and the dump says it failed.
    FILE *full = fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(writeLevelDump(full), -1);
    log = ::testing::internal::GetCapturedStderr();
    fclose(full);
    EXPECT_EQ(log, "Error: Unable to write the level dump\n");
}

TEST_F(SpriteEditor, ADragOutlivesTheModeButNotItsSprite) {
    // A right-button pick is a Control-click: the frame shows where the sprite stood.
    glApplication_setClickPosition(0, 0);
    play("0 move 310 210\n2 press right\n3 release right\n4 move 120 120\n6 press\n7 move 125 120", 9);
    int clickX = 0, clickY = 0;
    glApplication_getClickPosition(&clickX, &clickY);
    EXPECT_EQ(clickX, 300);
    EXPECT_EQ(clickY, 200);
    EXPECT_EQ(x(0), 105);
    // Switched off mid-drag: the sprite stays; switched on again, the drag goes on.
    call("deactivateSpriteEditor()");
    play("0 move 130 120", 2);
    EXPECT_EQ(x(0), 105);
    call("activateSpriteEditor()");
    play("", 1);
    EXPECT_EQ(x(0), 110);
    // Removed while dragged: the drag ends with it.
    call("removeSprite(a)");
    play("", 1);
    EXPECT_EQ(getDraggedSprite(), -1);
    // A new level while a sprite is dragged: the new sprite of its reference is not touched.
    play("0 move 310 210\n2 press\n3 move 315 210", 4);
    EXPECT_EQ(x(3), 305);
    load(level);
    play("0 move 330 230", 2);
    EXPECT_EQ(getDraggedSprite(), -1);
    EXPECT_EQ(x(3), 300);
    glApplication_setClickPosition(0, 0);
}

}  // namespace
