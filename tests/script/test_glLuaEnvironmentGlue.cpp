// The environment script functions under the offscreen video driver: usage
// texts through the console, window and cursor effects, the debug overlay and
// the script cursor read back from the frame buffer, texture arguments, and
// quitting from a script in the run loop and in the real program.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/windowTest.h"
#include "app/glApplication.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"
#include "platform/glTimer.h"
#include "script/glLua.h"
#include "script/glLuaConsole.h"
#include "script/glLuaEnvironmentGlue.h"
#include "sprites/glLuaSprite.h"
#include "support/quillmereRun.h"
#include "support/virtualDisplay.h"

namespace {

int updates = 0, frames = 0;
const char *scriptAtThirdUpdate = nullptr;

void countDisplay(void) { frames++; }
int countUpdate(void) {
    if (++updates == 3 && scriptAtThirdUpdate) glLua_runScript(glLua_getLuaRef(), scriptAtThirdUpdate, 1);
    return 1;
}

// A w x h 32-bit TGA of one colour (bottom-up rows).
std::string writeTGA(const std::string &name, int w, int h, unsigned char r, unsigned char g, unsigned char b) {
    std::string path = ::testing::TempDir() + "quillmere_glue_" + name + ".tga";
    std::ofstream out(path, std::ios::binary);
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      (unsigned char)w, (unsigned char)(w >> 8), (unsigned char)h,
                                      (unsigned char)(h >> 8), 32, 0};
    out.write((const char *)header, sizeof(header));
    for (int i = 0; i < w * h; i++) out << b << g << r << (unsigned char)255;
    return path;
}

// Red channel of a frame-buffer pixel (lower-left origin).
int red(int x, int y) {
    unsigned char pixel[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return pixel[0];
}

void clearBlack(void) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

class Glue : public WindowTest {
protected:

    void SetUp() override {
        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
        disableMouseHiding();  // as at start-up
        moveWindow(0, 0);
        setGlobalFunctions(countDisplay, countUpdate, nullptr);
        updates = frames = 0;
        scriptAtThirdUpdate = nullptr;
    }
    void TearDown() override {
        run("setCursor(-1) displayDebugInformation(false) showSystemCursor() setMSPerFrame(5)");
        glLua_shutdown();
        setQuitFlag(0);
        glEnvironment_setFixedStep(0);
        glEnvironment_setStepLimit(0);
    }

    int run(const std::string &script) { return glLua_runScript(L, script.c_str(), 1); }
    std::string global(const char *name) {
        lua_getglobal(L, name);
        std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : lua_typename(L, lua_type(L, -1));
        lua_pop(L, 1);
        return value;
    }
    void expectGlobals(std::initializer_list<std::pair<const char *, const char *>> expected) {
        for (const auto &[name, value] : expected) EXPECT_EQ(global(name), value) << name;
    }
    // The console's lines, oldest first, joined: a wrapped message reads whole.
    std::string console() {
        std::string text;
        for (int i = luaConsole_lineCount() - 1; i >= 0; i--) text += luaConsole_getLine(i);
        return text;
    }
    lua_State *L = nullptr;
};

TEST_F(Glue, WrongArgumentsReachTheConsoleAsTheUsageText) {
    const std::string loadUsage =
        "usage: loadTexture(<String filename>, <Optional String (origin X, origin Y)>, <String flag1>, <String "
        "flag2>, ...)";
    struct call {
        const char *script;
        std::string usage;
    } calls[] = {
        {"strcmp('a', 1)", "usage: strcmp(<String string1>, <String string2>)"},
        {"strtok('a')", "usage: strtok(<String string>, <String delimiters>)"},
        {"loadTexture()", loadUsage},
        {"loadTexture('x.tga', 'kSClamp', {})", loadUsage},
        {"unloadTexture(true)", "usage: unloadTexture(<String filename>)"},
        {"deleteTexture(1, 2)", "usage: deleteTexture(<String filename>)"},
        {"describeTexture('0')", "usage: describeTexture(<Number textureRefNum>)"},
        {"setTextureTilingPreference('1')", "usage: setTextureTilingPreference(<Number>"},
        {"setDefaultTextureFilter('nearest')", "usage: setDefaultTextureFilter(<String \"kLinear\" or \"kNearest\">)"},
        {"setDefaultTextureFilter()", "usage: setDefaultTextureFilter(<String \"kLinear\" or \"kNearest\">)"},
        {"setWindowPosition('1', 2)", "usage: setWindowPosition(<Number x position>, <Number y position>)"},
        {"launchURL(1)", "usage: launchURL(<String URL>)"},
        {"setCursor('3')", "usage: setCursor(<Number textureRefNum>)"},
        {"setMSPerFrame()", "usage: setMSPerFrame(<Number milliseconds>)"},
        {"displayDebugInformation(1)", "usage: displayDebugInformation(<Boolean on/off>)"},
        {"setUserInteractionCallback(1)", "usage: setUserInteractionCallback(<String script>)"},
        {"setUserCancelCallback()", "usage: setUserCancelCallback(<String script>)"},
        {"setOnlyUpdateObjectManagerLayer('a')", "usage: setOnlyUpdateObjectManagerLayer(<Number layer>)"},
        {"setWindowTransparency()", "usage: setWindowTransparency(<Number transparent>)"},
        {"fadeWindowToAlpha(1)", "usage: fadeWindowToAlpha(<Number alpha>, <Number seconds>)"},
        {"setWindowAlpha('a')", "usage: setWindowAlpha(<Number alpha>)"},
        {"inputManager_getEventValue(1)", "usage: inputManager_getEventValue(<String event name>)"},
        {"inputManager_setEventValue('jump')", "usage: inputManager_setEventValue(<String event name>, <Boolean value>)"},
        {"inputManager_setEventValue(1, 1)", "usage: inputManager_setEventValue(<String event name> <Boolean value>)"},
        {"inputManager_getControlForEvent()", "usage: inputManager_getControlForEvent(<String event name>)"},
        {"inputManager_getElementForEvent(2)", "usage: inputManager_getElementForEvent(<String event name>)"},
        {"inputManager_bindControlsToEvent('a', 'b')",
         "usage: inputManager_bindControlsToEvent(<String event name> <Number SpriteRef)"},
        {"inputManager_addControlBinding('Q Key')",
         "usage: inputManager_addControlBinding(<String element string> <String event name>)"},
        {"inputManager_playInputRecording()", "usage: inputManager_playInputRecording(<String file name>)"},
        {"inputManager_startInputRecording(3)", "usage: inputManager_startInputRecording(<String file name>)"},
    };
    for (const call &c : calls) {
        EXPECT_NE(run(std::string(c.script) + "\nreached = true"), 0) << c.script;
        std::string text = console();
        ASSERT_GE(text.size(), c.usage.size()) << c.script;
        EXPECT_EQ(text.substr(text.size() - c.usage.size()), c.usage) << c.script;
        EXPECT_EQ(global("reached"), "nil") << c.script;
    }
    // Right arguments raise nothing.
    int lines = luaConsole_lineCount();
    EXPECT_EQ(run("setWindowAlpha(0.5) fadeWindowToAlpha(1, 2) setWindowTransparency(1) showWindow() "
                  "setOnlyUpdateObjectManagerLayer(-1) inputManager_setEventValue('jump', true) "
                  "inputManager_BeginGetAnyEvent() inputManager_EndGetAnyEvent() inputManager_stopInputRecording() "
                  "v = inputManager_getEventValue('jump') c = inputManager_getControlForEvent('jump')"),
              0);
    EXPECT_EQ(luaConsole_lineCount(), lines) << console();
    EXPECT_EQ(global("v"), "0");
    EXPECT_EQ(global("c"), "nil");  // no control: no result
}

TEST_F(Glue, StringHelpersAndFixedAnswers) {
    ASSERT_EQ(run("n1 = table.getn({strtok('a,,b', ',')}) a, b = strtok('a,,b', ',')\n"
                  "n2 = table.getn({strtok(',;,', ',;')}) n3 = table.getn({strtok(' one two;three ', ' ;')})\n"
                  "last = ({strtok(' one two;three ', ' ;')})[3]\n"
                  "lt = strcmp('abc', 'abd') < 0 eq = strcmp('x', 'x') == 0 gt = strcmp('b', 'a') > 0\n"
                  "os = getOS() prefs = getPreferenceFilePath()"),
              0)
        << console();
    expectGlobals({{"n1", "2"}, {"a", "a"}, {"b", "b"}, {"n2", "0"}, {"n3", "3"}, {"last", "three"},
                   {"os", "Windows"}, {"prefs", "Data/"}});
    EXPECT_EQ(run("assert(lt and eq and gt)"), 0);
}

TEST_F(Glue, WindowPositionSizeAndDisplayMode) {
    ASSERT_EQ(run("setWindowPosition(120, 90) x, y = getWindowX(), getWindowY()\n"
                  "w, h = getWindowWidth(), getWindowHeight()\n"
                  "setWindowPosition(30, 'not a number') x2, y2 = getWindowX(), getWindowY()"),
              0)
        << console();
    expectGlobals({{"x", "120"}, {"y", "90"}, {"w", "640"}, {"h", "480"}, {"x2", "30"}, {"y2", "0"}});

    ASSERT_EQ(run("windowed = isFullscreenMode() switchToFullscreen() full = isFullscreenMode()\n"
                  "switchToWindow() back = isFullscreenMode()"),
              0);
    expectGlobals({{"windowed", "0"}, {"full", "1"}, {"back", "0"}});
}

TEST_F(Glue, StepLengthAndHooks) {
    ASSERT_EQ(run("setMSPerFrame(10.9)"), 0);
    EXPECT_EQ(getUpdates_MillisecondsPerFrame(), 10u);
    run("setMSPerFrame(0) setMSPerFrame(-4)");  // refused: the step stays
    EXPECT_EQ(getUpdates_MillisecondsPerFrame(), 10u);

    ASSERT_EQ(run("setUserInteractionCallback('moved = 1') setUserCancelCallback('cancelled = 1')"), 0);
    EXPECT_TRUE(glApplication_userInteractionScriptArmed());
    EXPECT_TRUE(glApplication_userCancelScriptArmed());
    ASSERT_EQ(run("setUserInteractionCallback('') setUserCancelCallback('')"), 0);
    EXPECT_FALSE(glApplication_userInteractionScriptArmed());
    EXPECT_FALSE(glApplication_userCancelScriptArmed());
}

TEST_F(Glue, DebugOverlayShowsFourLinesOnAWhiteBox) {
    const int h = getWindowHeight();
    auto overlayShown = [&]() {
        clearBlack();
        renderDebuggingInformation();
        return red(295, h - 58) > 0;
    };
    EXPECT_FALSE(overlayShown());  // off by default
    run("displayDebugInformation(1)");  // a number is refused
    EXPECT_FALSE(overlayShown());

    ASSERT_EQ(run("displayDebugInformation(true)"), 0);
    ASSERT_TRUE(overlayShown());
    EXPECT_NEAR(red(295, h - 58), 204, 2);  // white at 0.8 over black, 300 x 60
    EXPECT_NEAR(red(295, h - 1), 204, 2);
    EXPECT_EQ(red(305, h - 30), 0);
    EXPECT_EQ(red(295, h - 62), 0);
    // Dark text between each line's baseline and its cap height, from x = 5.
    std::vector<unsigned char> box(300 * 60 * 4);
    glReadPixels(0, h - 60, 300, 60, GL_RGBA, GL_UNSIGNED_BYTE, box.data());
    int leftmost = 300;
    for (int line = 1; line <= 4; line++) {
        int dark = 0;
        for (int y = h - 12 * line; y < h - 12 * line + 8; y++)
            for (int x = 0; x < 300; x++)
                if (box[((y - (h - 60)) * 300 + x) * 4] < 100) dark++, leftmost = std::min(leftmost, x);
        EXPECT_GT(dark, 40) << "line " << line;
    }
    EXPECT_GE(leftmost, 5);
    EXPECT_LE(leftmost, 7);

    ASSERT_EQ(run("displayDebugInformation(false)"), 0);
    EXPECT_FALSE(overlayShown());
}

// Whether the cursor texture covers a pixel (lower-left origin) in a fresh frame.
bool cursorAt(int x, int y) {
    clearBlack();
    renderCursor();
    return red(x, y) > 200;
}

TEST_F(Glue, ScriptCursorFollowsTheMouseWithItsOriginAsHotSpot) {
    std::string path = writeTGA("cursor", 16, 16, 255, 0, 0);
    SDL_Window *window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    const int h = getWindowHeight();

    ASSERT_EQ(run("cursor = loadTexture('" + path + "') setCursor(cursor) hideSystemCursor()"), 0) << console();
    SDL_WarpMouseInWindow(window, 100, 100);
    EXPECT_TRUE(cursorAt(105, h - 95));
    EXPECT_TRUE(cursorAt(100, h - 100));
    EXPECT_FALSE(cursorAt(98, h - 95));
    EXPECT_FALSE(cursorAt(117, h - 95));

    SDL_WarpMouseInWindow(window, 300, 200);
    EXPECT_TRUE(cursorAt(305, h - 195));
    EXPECT_FALSE(cursorAt(105, h - 95));

    std::string centred = writeTGA("centred_cursor", 16, 16, 255, 0, 0);
    ASSERT_EQ(run("setCursor(loadTexture('" + centred + "', '(8, 8)'))"), 0);
    EXPECT_TRUE(cursorAt(293, h - 207));
    EXPECT_FALSE(cursorAt(309, h - 191));

    ASSERT_EQ(run("setCursor(-1)"), 0);
    EXPECT_FALSE(cursorAt(300, h - 200));
}

// Showing and hiding the system cursor needs a video driver with cursors:
// a real X window on a server of the test's own.
class GlueRealWindow : public Glue {
protected:
    static void SetUpTestSuite() {
        display = virtualDisplay_start();
        if (display.pid <= 0) return;
        setenv("DISPLAY", display.display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        SDL_Quit();  // whatever driver an earlier suite left running goes
        glEnvironment_setNonInteractive(1);
        initFullscreen("test", 640, 480, 0, 0, 1);
        showWindow();
    }
    static void TearDownTestSuite() {
        if (display.pid <= 0) return;
        deleteFullscreen();
        SDL_Quit();
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        virtualDisplay_stop(&display);
    }
    void SetUp() override {
        ASSERT_GT(display.pid, 0) << "Xvfb could not be started";
        ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11");
        Glue::SetUp();
    }
    static virtualDisplay display;
};
virtualDisplay GlueRealWindow::display = {-1, ""};

TEST_F(GlueRealWindow, ScriptCursorIsDrawnOnlyWhileTheSystemCursorIsHidden) {
    std::string path = writeTGA("real_cursor", 16, 16, 255, 0, 0);
    const int h = getWindowHeight();
    ASSERT_EQ(run("setCursor(loadTexture('" + path + "'))"), 0) << console();
    SDL_WarpMouseInWindow(SDL_GL_GetCurrentWindow(), 200, 150);
    SDL_PumpEvents();

    EXPECT_FALSE(cursorAt(205, h - 145));  // the system cursor is shown
    ASSERT_EQ(run("hideSystemCursor()"), 0);
    EXPECT_TRUE(cursorAt(205, h - 145));
    ASSERT_EQ(run("showSystemCursor()"), 0);
    EXPECT_FALSE(cursorAt(205, h - 145));
}

TEST_F(Glue, LoadTextureReadsFlagsAndOrigin) {
    auto wrap = [](int ref, GLenum axis) {
        GLint mode = 0;
        glBindTexture(GL_TEXTURE_2D, glTexture_getTextureID(ref));
        glGetTexParameteriv(GL_TEXTURE_2D, axis, &mode);
        return mode;
    };
    std::string plain = writeTGA("plain", 8, 8, 0, 255, 0);
    std::string clamped = writeTGA("clamped", 8, 8, 0, 255, 0);
    std::string mixed = writeTGA("mixed", 8, 8, 0, 255, 0);
    std::string sharp = writeTGA("sharp", 8, 8, 0, 255, 0), soft = writeTGA("soft", 8, 8, 0, 255, 0);
    std::string pixel = writeTGA("pixel", 8, 8, 0, 255, 0);
    ASSERT_EQ(run("plain = loadTexture('" + plain + "')\n" +
                  "clamped = loadTexture('" + clamped + "', '(12, 34)', 'kSClamp', 'kTClamp')\n" +
                  "mixed = loadTexture('" + mixed + "', 'kTClamp', 7, ' ( -3 ,5 ) ', 'kSclamp', '(1,2,3)')\n" +
                  "sharp = loadTexture('" + sharp + "', 'kNearest')\n" +
                  "setDefaultTextureFilter('kNearest') pixel = loadTexture('" + pixel + "')\n" +
                  "soft = loadTexture('" + soft + "', 'kLinear') setDefaultTextureFilter('kLinear')\n" +
                  "missing = loadTexture('no such file.tga', 'kSClamp')"),
              0)
        << console();
    const char *names[] = {"plain", "clamped", "mixed", "sharp", "pixel", "soft"};
    // Origin, flags, and the wrap modes and filter the flags gave the tile.
    struct expected {
        int x, y, flags;
        GLint s, t, filter;
    } want[6] = {{0, 0, kLinear, GL_REPEAT, GL_REPEAT, GL_LINEAR},
                 {12, 34, kSClamp | kTClamp | kLinear, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_LINEAR},
                 // Names compare exactly, numbers are ignored, "(1,2,3)" is no origin.
                 {-3, 5, kTClamp | kLinear, GL_REPEAT, GL_CLAMP_TO_EDGE, GL_LINEAR},
                 {0, 0, kNearest, GL_REPEAT, GL_REPEAT, GL_NEAREST},
                 {0, 0, kNearest, GL_REPEAT, GL_REPEAT, GL_NEAREST},  // the default then
                 {0, 0, kLinear, GL_REPEAT, GL_REPEAT, GL_LINEAR}};   // its own
    int ref[6];
    for (int i = 0; i < 6; i++) {
        ref[i] = std::stoi(global(names[i]));
        int x = -1, y = -1;
        glTexture_getOrigin(ref[i], &x, &y);
        EXPECT_EQ(x, want[i].x) << i;
        EXPECT_EQ(y, want[i].y) << i;
        EXPECT_EQ(glTexture_getTextureRecord(ref[i])->flags, want[i].flags) << i;
        EXPECT_EQ(wrap(ref[i], GL_TEXTURE_WRAP_S), want[i].s) << i;
        EXPECT_EQ(wrap(ref[i], GL_TEXTURE_WRAP_T), want[i].t) << i;
        EXPECT_EQ(wrap(ref[i], GL_TEXTURE_MIN_FILTER), want[i].filter) << i;
        EXPECT_EQ(wrap(ref[i], GL_TEXTURE_MAG_FILTER), want[i].filter) << i;
    }
    EXPECT_EQ(global("missing"), "-1");

    // The describe functions write to the console.
    ASSERT_EQ(run("describeTexture(clamped) listTextures() textureInfo()"), 0);
    std::string text = console();
    EXPECT_NE(text.find("Texture Name: (" + std::to_string(ref[1]) + ") " + clamped), std::string::npos) << text;
    EXPECT_NE(text.find("Origin: (12, 34)"), std::string::npos) << text;
    EXPECT_NE(text.find("Texture VRAM Used:"), std::string::npos) << text;

    ASSERT_EQ(run("unloadTexture(plain) deleteTexture('" + clamped + "')"), 0);
    EXPECT_EQ(glTexture_getTextureRecord(ref[0])->valid, 0);
    EXPECT_EQ(glTexture_getTextureRecord(ref[1])->imageData, nullptr);
}

// A texture loaded by a sprite's script is the sprite's: the first empty slot
// of ten takes it, an eleventh is not recorded.
TEST_F(Glue, SpriteScriptsOwnTheTexturesTheyLoad) {
    std::string image = writeTGA("owned", 4, 4, 0, 0, 255);
    std::string path = ::testing::TempDir() + "quillmere_glue_owner.xml";
    std::ofstream(path, std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<level>\n<sprite type=\"owner\"><init language=\"Lua\">"
        << "for i = 1, 11 do owned = loadTexture('" << image << "') end</init></sprite>\n"
        << "<script language=\"Lua\">initSpriteManager(4) sprite = addSprite('owner', 1)</script>\n</level>\n";
    glLua_loadXMLFile(path.c_str());
    int spriteRef = std::stoi(global("sprite"));
    ASSERT_NE(getSprite(spriteRef), nullptr) << console();
    int owned = std::stoi(global("owned"));
    for (int16_t slot : getSprite(spriteRef)->self.texturesLoaded) EXPECT_EQ(slot, owned);
    EXPECT_EQ(glTexture_getTextureRecord(owned)->references, 11);

    ASSERT_EQ(run("gCurrentSprite = -1 loadTexture('" + image + "')"), 0);  // no sprite script: no owner
    EXPECT_EQ(glTexture_getTextureRecord(owned)->references, 12);
}

TEST_F(Glue, CaptureContextToTextureKeepsTheWindowBottomRowFirst) {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(10, 20, 1, 1);  // one white pixel at (10, 20)
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    ASSERT_EQ(run("capture = captureContextToTexture()"), 0) << console();
    glTexture *record = glTexture_getTextureRecord(std::stoi(global("capture")));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->width, 640);
    EXPECT_EQ(record->height, 480);
    EXPECT_EQ(record->format, GL_RGB);
    EXPECT_EQ(record->flags, kSClamp | kTClamp | kLinear);
    EXPECT_STREQ(record->name, "Texture Screenshot");
    EXPECT_NEAR(record->imageData[0], 51, 1);
    EXPECT_NEAR(record->imageData[2], 153, 1);
    const uint8_t *white = record->imageData + (20 * 640 + 10) * 3;
    EXPECT_EQ(white[0], 255);
    EXPECT_EQ(white[2], 255);
    EXPECT_NEAR(white[3], 51, 1);  // its right neighbour is the background
}

TEST_F(Glue, ForceRenderRunsTheDueStepThenAFrame) {
    glEnvironment_setFixedStep(1);
    resetGlobalUpdateTimer();
    ASSERT_EQ(run("forceRender()"), 0);
    EXPECT_EQ(updates, 1);  // one step is due on the fixed clock
    EXPECT_EQ(frames, 1);
}

TEST_F(Glue, ExitProgramFinishesTheStepAndRunsNoOther) {
    glEnvironment_setFixedStep(1);
    glEnvironment_setStepLimit(glEnvironment_getStepsRun() + 50);  // a broken exit still ends
    scriptAtThirdUpdate = "exitProgram() after = 'ran'";
    runLoop();
    EXPECT_EQ(updates, 3);
    EXPECT_EQ(global("after"), "ran");
    EXPECT_EQ(getQuitFlag(), 1);
    EXPECT_EQ(frames, 4);  // one per pass, and the one exitProgram forced
}

// The real program: a start document that quits ends a run that would otherwise
// go on for days.
TEST(GlueProgram, ExitProgramEndsARealRun) {
    std::string folder = quillmere_makeFolder("script/data/glue-exit");
    int pid = quillmere_start(folder, {"--headless", "--fixed-step", "--steps", "1000000000"});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(quillmere_wait(pid, 60), 0);
    std::string log = quillmere_readFile(folder + "/Log File.txt");
    size_t requested = log.find("exit requested\nscript goes on\n");
    size_t atexit = log.find("atexit ran\n");
    EXPECT_NE(requested, std::string::npos) << log;
    EXPECT_NE(atexit, std::string::npos) << log;
    EXPECT_LT(requested, atexit);
    std::filesystem::remove_all(folder);
}

}  // namespace
