// The console on screen: real key events through the run loop into the
// application's event callback, typed into the prompt and run in the game's
// state, with the game seeing none of the keys while the view is open.

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/glApplication.h"
#include "core/glObjectManager.h"
#include "graphics/glErrorLine.h"
#include "script/glLua.h"
#include "script/glLuaConsole.h"
#include "script/glLuaConsoleView.h"
#include "support/windowTest.h"

namespace {

void pushKey(Uint32 type, SDL_Scancode scancode, Uint16 mod) {
    SDL_Event event = {};
    event.type = type;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pressKey(SDL_Scancode scancode, Uint16 mod = KMOD_NONE) {
    pushKey(SDL_KEYDOWN, scancode, mod);
    pushKey(SDL_KEYUP, scancode, mod);
}

// Presses the keys that type the text on a US keyboard.
void typeText(const std::string &text) {
    struct keyFor {
        const char *characters;  // typed by the key, plain then with Shift
        SDL_Scancode key;
    };
    static const keyFor keys[] = {
        {"0)", SDL_SCANCODE_0},      {"1!", SDL_SCANCODE_1},          {"6^", SDL_SCANCODE_6},
        {"7&", SDL_SCANCODE_7},      {"9(", SDL_SCANCODE_9},          {"=+", SDL_SCANCODE_EQUALS},
        {"-_", SDL_SCANCODE_MINUS},  {"'\"", SDL_SCANCODE_APOSTROPHE}, {".>", SDL_SCANCODE_PERIOD},
        {",<", SDL_SCANCODE_COMMA},  {"  ", SDL_SCANCODE_SPACE},      {"8*", SDL_SCANCODE_8},
    };
    for (char c : text) {
        if (isalpha((unsigned char)c)) {
            pressKey((SDL_Scancode)(SDL_SCANCODE_A + (tolower(c) - 'a')), isupper((unsigned char)c) ? KMOD_LSHIFT : KMOD_NONE);
            continue;
        }
        bool found = false;
        for (const keyFor &key : keys) {
            if (key.characters[0] == c || key.characters[1] == c) {
                pressKey(key.key, key.characters[0] == c ? KMOD_NONE : KMOD_LSHIFT);
                found = true;
                break;
            }
        }
        ASSERT_TRUE(found) << "no key types " << c;
    }
}

int keysSeenByTheGame = 0;
int private_countKeys(void *, uint8_t eventType, uint8_t, int, int, void *) {
    if (eventType == 2 || eventType == 3) keysSeenByTheGame++;
    return 0;
}
void private_noDraw(void *) {}

class ConsoleView : public WindowTest {
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
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        luaConsoleView_reset();
        glErrorLine_clear();  // errors typed by an earlier test would be drawn at the bottom
        static int token;
        insertObject(glLua_getObjectManager(), &token, 5, private_noDraw, nullptr, nullptr);
        setObjectEvents(glLua_getObjectManager(), &token, private_countKeys);
        keysSeenByTheGame = 0;
    }
    void TearDown() override { clearObjectManager(glLua_getObjectManager()); }

    // Runs the run loop until every pushed event is taken.
    void drain() {
        for (int i = 0; i < 400 && SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0; i++)
            ASSERT_EQ(doSingleLoop(), 0);
        ASSERT_EQ(doSingleLoop(), 0);
    }
    void controlB() { pressKey(SDL_SCANCODE_B, KMOD_LCTRL); }
    static std::string line(int index) { return luaConsole_getLine(index) ? luaConsole_getLine(index) : "(none)"; }
};

TEST_F(ConsoleView, ControlBOpensAndClosesItAndTheGameSeesNoKeysMeanwhile) {
    controlB();
    drain();
    ASSERT_TRUE(luaConsoleView_isOpen());
    int seenOpening = keysSeenByTheGame;  // Control+B itself, before the view opened
    glApplication_armUserCancelScript("cancelled = true");
    glApplication_armUserInteractionScript("interacted = true");
    typeText("x = 1");
    pressKey(SDL_SCANCODE_ESCAPE);  // closes the view, does not cancel the game
    drain();
    EXPECT_FALSE(luaConsoleView_isOpen());
    EXPECT_EQ(keysSeenByTheGame, seenOpening);
    EXPECT_TRUE(glApplication_userCancelScriptArmed());
    EXPECT_TRUE(glApplication_userInteractionScriptArmed());
    glApplication_armUserCancelScript(nullptr);
    glApplication_armUserInteractionScript(nullptr);

    controlB();
    drain();
    EXPECT_TRUE(luaConsoleView_isOpen());
    controlB();
    drain();
    EXPECT_FALSE(luaConsoleView_isOpen());
    typeText("q");
    drain();
    EXPECT_GT(keysSeenByTheGame, seenOpening);  // closed: keys reach the game again
}

// Each typed line, then what the console shows for it, newest last.
TEST_F(ConsoleView, TypedLinesRunAndShowTheirResultAtOnce) {
    struct typedLine {
        const char *typed;
        std::vector<std::string> shown;
    };
    const typedLine cases[] = {
        {"print(1+1)", {"> print(1+1)", "2"}},
        {"6*7", {"> 6*7", "42"}},
        {"answer = 6*7", {"> answer = 6*7"}},
        {"answer, 'a'", {"> answer, 'a'", "42\ta"}},
        {"1 +", {"> 1 +", "Syntax Error: ", "1 +"}},
        {"nosuch.field", {"> nosuch.field"}},
    };
    controlB();
    drain();
    for (const typedLine &c : cases) {
        int before = luaConsole_lineCount();
        typeText(c.typed);
        pressKey(SDL_SCANCODE_RETURN);
        drain();
        EXPECT_STREQ(luaConsoleView_prompt(), "");
        ASSERT_GE(luaConsole_lineCount() - before, (int)c.shown.size()) << c.typed;
        int added = luaConsole_lineCount() - before;
        for (size_t i = 0; i < c.shown.size(); i++) EXPECT_EQ(line(added - 1 - (int)i), c.shown[i]) << c.typed;
    }
    // The syntax error and the failed index end with the interpreter's message.
    EXPECT_NE(line(0).find("attempt to index global 'nosuch'"), std::string::npos) << line(0);

    // Up walks back through the history, Down forward to a fresh line; Backspace edits.
    pressKey(SDL_SCANCODE_UP);
    pressKey(SDL_SCANCODE_UP);
    drain();
    EXPECT_STREQ(luaConsoleView_prompt(), "1 +");
    pressKey(SDL_SCANCODE_BACKSPACE);
    pressKey(SDL_SCANCODE_BACKSPACE);
    typeText(" - 1");
    drain();
    EXPECT_STREQ(luaConsoleView_prompt(), "1 - 1");
    pressKey(SDL_SCANCODE_DOWN);
    drain();
    EXPECT_STREQ(luaConsoleView_prompt(), "nosuch.field");
    pressKey(SDL_SCANCODE_DOWN);
    drain();
    EXPECT_STREQ(luaConsoleView_prompt(), "");
    // Arrows and function keys type nothing, though their codes look like characters.
    pressKey(SDL_SCANCODE_LEFT);
    pressKey(SDL_SCANCODE_F1);
    drain();
    EXPECT_STREQ(luaConsoleView_prompt(), "");
}

TEST_F(ConsoleView, TheOpenViewIsDrawnOverTheGame) {
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    auto greenAt = [](int x, int y) {
        uint8_t rgba[4];
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return (int)rgba[1];
    };
    glApplication_drawFrame();
    EXPECT_EQ(greenAt(300, 2), 255);
    luaConsoleView_toggle();
    glApplication_drawFrame();
    EXPECT_LT(greenAt(300, 2), 128);   // under the panel
    EXPECT_EQ(greenAt(600, 2), 255);   // right of it
    luaConsoleView_toggle();
    glClearColor(0, 0, 0, 1);
}

}  // namespace
