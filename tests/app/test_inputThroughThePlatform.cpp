// Input through the platform layer: synthetic SDL key, mouse and game
// controller events pushed into SDL's queue, drained by the run loop into the
// application's event callback, polled by the input manager in the update
// step and delivered to sprites. Also measures the key latency: an event taken
// from the queue in a pass is seen by that same pass's update step.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <lua5.1/lua.hpp>

#include <fstream>
#include <string>

#include "app/glApplication.h"
#include "input/glInput.h"
#include "script/glLua.h"
#include "sprites/glLuaSprite.h"
#include "support/quillmereRun.h"
#include "support/windowTest.h"

namespace {

const char *kLevel =
    "<?xml version=\"1.0\"?>\n<level>\n"
    "<sprite type=\"p\"><event language=\"Lua\" captureAllMouse=\"true\">"
    "seen = seen .. gCurrentEvent .. '=' .. tostring(gCurrentEventValue) .. ' '</event></sprite>\n"
    "<script language=\"Lua\">initSpriteManager(4) seen = '' p = addSprite('p', 1)\n"
    "inputManager_BeginGetAnyEvent()\n"
    "inputManager_addControlBinding('D Key:0xFFFFFFFF:100:1:1', 'right')\n"
    "inputManager_addControlBinding('Pad A:0x00000000:256:1:1', 'jump')\n"
    "inputManager_addControlBinding('Pad Left Stick Left:0x00000000:322:1:1', 'left')\n"
    "inputManager_addControlBinding('Pad Left Stick Right:0x00000000:323:1:1', 'right')\n"
    "inputManager_addControlBinding('Pad Right Trigger:0x00000000:321:1:1', 'fire')\n"
    "addSpriteToEventGroup(p, 'right', 'jump', 'left', 'fire')\n"
    "bindAccelerationToDualEvents(p, 'right', 'left', 1, 0, 0, 5, 0, 0, 0, 0, 0)\n"
    "</script>\n</level>\n";

class InputThroughThePlatform : public WindowTest {
  protected:
    static void SetUpTestSuite() {
        WindowTest::SetUpTestSuite();
        setGlobalFunctions(displayCallback, updateCallback, eventCallback);
        glEnvironment_setFixedStep(1);
    }
    void SetUp() override {
        glInput_initInputManager();
        ASSERT_EQ(glLua_prestartup(), 1);
        folder = quillmere_makeFolder();
        std::ofstream(folder + "/level.xml", std::ios::binary) << kLevel;
        glLua_loadXMLFile((folder + "/level.xml").c_str());
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        pass();
        seen();
    }
    void TearDown() override {
        glLua_shutdown();
        glInput_destructInputManager();
    }
    void pass() { ASSERT_EQ(doSingleLoop(), 0); }
    std::string seen() {
        lua_State *L = glLua_getLuaRef();
        lua_getglobal(L, "seen");
        std::string text = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
        lua_pop(L, 1);
        glLua_runScript(L, "seen = ''", 1);
        return text;
    }
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
    static void key(Uint32 type, SDL_Scancode scancode) {
        SDL_Event event = {};
        event.type = type;
        event.key.keysym.scancode = scancode;
        push(event);
    }
    static void button(Uint32 type, int which, Uint8 button) {
        SDL_Event event = {};
        event.type = type;
        event.cbutton.which = which;
        event.cbutton.button = button;
        event.cbutton.state = type == SDL_CONTROLLERBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        push(event);
    }
    static void axis(int which, Uint8 axis, int value) {
        SDL_Event event = {};
        event.type = SDL_CONTROLLERAXISMOTION;
        event.caxis.which = which;
        event.caxis.axis = axis;
        event.caxis.value = (Sint16)value;
        push(event);
    }
    float x() { return getSprite(0)->self.location[0]; }
    std::string folder;
};

TEST_F(InputThroughThePlatform, AKeyIsSeenByTheUpdateStepOfThePassThatTookIt) {
    key(SDL_KEYDOWN, SDL_SCANCODE_D);
    float before = x();
    pass();
    // The same pass: the event reached the sprite's group and its acceleration moved it.
    EXPECT_EQ(seen(), "right=1 ");
    EXPECT_EQ(x(), before + 1);
    pass();
    EXPECT_EQ(x(), before + 3);
    key(SDL_KEYUP, SDL_SCANCODE_D);
    pass();
    EXPECT_EQ(seen(), "right=0 ");
    EXPECT_EQ(glInput_getEventValue("right"), 0);
    // An auto-repeat is no new press.
    SDL_Event repeat = {};
    repeat.type = SDL_KEYDOWN;
    repeat.key.keysym.scancode = SDL_SCANCODE_D;
    repeat.key.repeat = 1;
    push(repeat);
    pass();
    EXPECT_EQ(seen(), "");
}

TEST_F(InputThroughThePlatform, PadButtonsTriggersAndStickDirectionsAreElements) {
    button(SDL_CONTROLLERBUTTONDOWN, 7, SDL_CONTROLLER_BUTTON_A);
    button(SDL_CONTROLLERBUTTONDOWN, 7, SDL_CONTROLLER_BUTTON_A);  // no second press without a release
    pass();
    EXPECT_EQ(seen(), "jump=1 ");
    button(SDL_CONTROLLERBUTTONUP, 7, SDL_CONTROLLER_BUTTON_A);
    pass();
    EXPECT_EQ(seen(), "jump=0 ");

    struct {
        Uint8 axis;
        int value;
        const char *events;
    } moves[] = {
        {SDL_CONTROLLER_AXIS_LEFTX, -20000, "left=1 "},
        {SDL_CONTROLLER_AXIS_LEFTX, -12000, ""},         // between the thresholds: still held
        {SDL_CONTROLLER_AXIS_LEFTX, -4000, "left=0 "},
        {SDL_CONTROLLER_AXIS_LEFTX, 12000, ""},          // not far enough to press
        {SDL_CONTROLLER_AXIS_LEFTX, 32767, "right=1 "},
        {SDL_CONTROLLER_AXIS_LEFTX, -32768, "right=0 left=1 "},  // across the centre in one move
        {SDL_CONTROLLER_AXIS_LEFTX, 0, "left=0 "},
        {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 30000, "fire=1 "},
        {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 100, "fire=0 "},
        {SDL_CONTROLLER_AXIS_LEFTY, -30000, ""},         // up: not bound here
    };
    for (const auto &move : moves) {
        axis(7, move.axis, move.value);
        pass();
        EXPECT_EQ(seen(), move.events) << (int)move.axis << " " << move.value;
    }

    // Unplugging a pad lets go of what it held; a device that cannot be opened is only logged.
    button(SDL_CONTROLLERBUTTONDOWN, 9, SDL_CONTROLLER_BUTTON_A);
    SDL_Event removed = {};
    removed.type = SDL_CONTROLLERDEVICEREMOVED;
    removed.cdevice.which = 9;
    push(removed);
    SDL_Event added = {};
    added.type = SDL_CONTROLLERDEVICEADDED;
    added.cdevice.which = 42;
    push(added);
    for (int i = 0; i < 3; i++) pass();
    EXPECT_EQ(seen(), "jump=1 jump=0 ");
}

TEST_F(InputThroughThePlatform, AVirtualPadPluggedInWhileRunningWorks) {
    // The test's window never has the keyboard focus, without which SDL drops pad presses.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                           SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    for (int i = 0; i < 3; i++) pass();
    ASSERT_EQ(glEnvironment_gamepadsOpen(), 1);
    SDL_Joystick *joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
    ASSERT_NE(joystick, nullptr);
    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickUpdate();
    for (int i = 0; i < 2; i++) pass();
    EXPECT_EQ(seen(), "jump=1 ");
    SDL_JoystickDetachVirtual(device);
    for (int i = 0; i < 3; i++) pass();
    EXPECT_EQ(seen(), "jump=0 ");  // unplugged while held
    EXPECT_EQ(glEnvironment_gamepadsOpen(), 0);
}

TEST_F(InputThroughThePlatform, AClickReachesASpriteThatCapturesTheMouse) {
    SDL_Event click = {};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.x = 20, click.button.y = 30;
    push(click);
    click.type = SDL_MOUSEBUTTONUP;
    push(click);
    pass();
    EXPECT_EQ(seen(), "mouseDown=nil mouseUp=nil ");
}

}  // namespace
