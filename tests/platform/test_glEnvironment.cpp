// The window environment under the offscreen video driver: a real GL context,
// SDL events pushed into the real queue, the run loop on a virtual clock.

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/windowTest.h"
#include "platform/glEnvironment.h"
#include "platform/glTimer.h"

namespace {

const int64_t kTicksPerMs = 1000;

int updates = 0;
int frames = 0;
struct seenEvent {
    int code, key, modifiers, x, y;
};
std::vector<seenEvent> events;

void countDisplay(void) { frames++; }
int countUpdate(void) {
    updates++;
    return 1;
}
void recordEvent(int code, envMessage message) {
    seenEvent seen = {code, 0, getModifiersForLastEvent(), -1, -1};
    if (code == kEnvEventKeyDown || code == kEnvEventKeyUp) seen.key = getKeyFromEvent(message);
    if (code == kEnvEventMouseDown || code == kEnvEventMouseUp) getMouseFromEvent(message, &seen.x, &seen.y);
    events.push_back(seen);
}

void pushKey(Uint32 type, SDL_Scancode scancode, Uint16 mod, int repeat = 0) {
    SDL_Event event = {};
    event.type = type;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    event.key.repeat = (Uint8)repeat;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pushMouse(Uint32 type, Uint8 button, int x, int y) {
    SDL_Event event = {};
    event.type = type;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void pushWindowEvent(Uint8 which) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = which;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

class EnvironmentTest : public WindowTest {
  protected:

    void SetUp() override {
        ASSERT_EQ(getWindowWidth(), 640);
        glEnvironment_setFixedStep(0);
        glTimer_useVirtualClock(1000 * kTicksPerMs);
        setUpdates_MillisecondsPerFrame(5);
        setQuitFlag(0);
        glEnvironment_setStepLimit(0);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        setGlobalFunctions(countDisplay, countUpdate, recordEvent);
        resetGlobalUpdateTimer();
        updates = frames = 0;
        events.clear();
    }

    // One pass after the given time has passed.
    int passAfter(int64_t ticks) {
        glTimer_advanceVirtualClock(ticks);
        return doSingleLoop();
    }
};

TEST_F(EnvironmentTest, WholeStepsRunAndTheRemainderCarries) {
    EXPECT_EQ(passAfter(12700), 0);  // 12.7 ms
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(glEnvironment_getCarryOver(), 2700);
    EXPECT_EQ(frames, 1);

    passAfter(0);  // nothing due: no update, still one frame
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(frames, 2);

    passAfter(2300);  // 2.7 + 2.3 ms = one more step
    EXPECT_EQ(updates, 3);
    EXPECT_EQ(glEnvironment_getCarryOver(), 0);
}

TEST_F(EnvironmentTest, ABacklogOfMoreThanTenSecondsIsDropped) {
    passAfter(2000 * 5 * kTicksPerMs);
    EXPECT_EQ(updates, 2000);

    updates = 0;
    passAfter(2001 * 5 * kTicksPerMs + 1234);
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(glEnvironment_getCarryOver(), 1234);  // the remainder is kept
    EXPECT_EQ(frames, 2);
}

TEST_F(EnvironmentTest, AOneMillisecondStepUpdatesFourTimes) {
    setUpdates_MillisecondsPerFrame(1);
    passAfter(3 * kTicksPerMs);
    EXPECT_EQ(updates, 12);

    updates = 0;
    setUpdates_MillisecondsPerFrame(2);
    resetGlobalUpdateTimer();
    passAfter(4 * kTicksPerMs);
    EXPECT_EQ(updates, 2);
}

TEST_F(EnvironmentTest, ResetDropsTimeAlreadyMeasured) {
    glTimer_advanceVirtualClock(50 * kTicksPerMs);
    resetGlobalUpdateTimer();
    passAfter(3 * kTicksPerMs);
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(glEnvironment_getCarryOver(), 3 * kTicksPerMs);
}

TEST_F(EnvironmentTest, AHeldKeyGivesOneDownAndOneUp) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE, 1);  // auto-repeat ends this step's drain
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE, 1);
    pushKey(SDL_KEYUP, SDL_SCANCODE_A, KMOD_NONE);
    for (int i = 0; i < 4; i++) passAfter(5 * kTicksPerMs);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, kEnvEventKeyDown);
    EXPECT_EQ(events[0].key, 'a');
    EXPECT_EQ(events[1].code, kEnvEventKeyUp);
    EXPECT_EQ(events[1].key, 'a');
}

// However long a step is, events (quitting among them) are taken on every pass;
// a step longer than the backlog limit, which would never run, is refused.
TEST_F(EnvironmentTest, EventsAreTakenOnEveryPassAndNoStepOutlastsTheBacklogLimit) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_B, KMOD_NONE);
    EXPECT_EQ(passAfter(1 * kTicksPerMs), 0);
    EXPECT_EQ(updates, 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, 'b');

    for (unsigned refused : {0u, 10001u, 20000u, 100000u, 0xFFFFFFFFu}) {
        setUpdates_MillisecondsPerFrame(refused);
        EXPECT_EQ(getUpdates_MillisecondsPerFrame(), 5u) << refused;
    }
    setUpdates_MillisecondsPerFrame(10000);
    resetGlobalUpdateTimer();
    passAfter(9999 * kTicksPerMs);
    EXPECT_EQ(updates, 0);
    passAfter(1 * kTicksPerMs);
    EXPECT_EQ(updates, 1);

    pushKey(SDL_KEYDOWN, SDL_SCANCODE_Q, KMOD_LCTRL);
    EXPECT_EQ(passAfter(0), 1);  // no step due, and still the quit is seen
    EXPECT_EQ(updates, 1);
}

TEST_F(EnvironmentTest, ShiftSelectsTheShiftedCharacter) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_2, KMOD_LSHIFT);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_APOSTROPHE, KMOD_RSHIFT);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_APOSTROPHE, KMOD_NONE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_RIGHT, KMOD_NONE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_F1, KMOD_SHIFT);
    passAfter(5 * kTicksPerMs);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].key, '@');
    EXPECT_EQ(events[0].modifiers, kEnvModShift);
    EXPECT_EQ(events[1].key, '"');
    EXPECT_EQ(events[2].key, '\'');
    EXPECT_EQ(events[3].key, 6);
    EXPECT_EQ(events[4].key, 112);
}

TEST_F(EnvironmentTest, RightClickIsAControlClickWithTheYAxisFlipped) {
    pushMouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 10, 20);
    pushMouse(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 10, 20);
    pushMouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 0, 480);
    passAfter(5 * kTicksPerMs);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].code, kEnvEventMouseDown);
    EXPECT_EQ(events[1].code, kEnvEventMouseUp);
    EXPECT_TRUE(events[0].modifiers & kEnvModControl);
    EXPECT_TRUE(events[1].modifiers & kEnvModControl);
    EXPECT_EQ(events[0].x, 10);
    EXPECT_EQ(events[0].y, 460);
    EXPECT_EQ(events[2].code, kEnvEventMouseDown);
    EXPECT_FALSE(events[2].modifiers & kEnvModControl);
    EXPECT_EQ(events[2].y, 0);
}

TEST_F(EnvironmentTest, ControlHMinimisesAndStillDeliversTheKey) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_H, KMOD_LCTRL);
    passAfter(5 * kTicksPerMs);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, kEnvEventKeyDown);
    EXPECT_EQ(events[0].key, 'h');
    EXPECT_EQ(applicationIsInForeground(), 0);

    pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    passAfter(5 * kTicksPerMs);
    EXPECT_EQ(applicationIsInForeground(), 1);
}

TEST_F(EnvironmentTest, AltKeysArriveAsKeysAndDoNotClose) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_LALT);
    passAfter(5 * kTicksPerMs);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].code, kEnvEventKeyDown);
    EXPECT_EQ(events[1].key, 115);
    EXPECT_EQ(events[1].modifiers, kEnvModAlt);
    EXPECT_EQ(getQuitFlag(), 0);
}

TEST_F(EnvironmentTest, ControlQEndsTheRunLoopInEitherCase) {
    glEnvironment_setFixedStep(1);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE);
    pushKey(SDL_KEYUP, SDL_SCANCODE_A, KMOD_NONE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_Q, KMOD_LCTRL | KMOD_LSHIFT);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_Z, KMOD_NONE);
    runLoop();  // returns only through the quit code
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, kEnvEventKeyDown);
    EXPECT_EQ(events[1].code, kEnvEventKeyUp);
    EXPECT_EQ(getQuitFlag(), 1);
    envMessage message;
    EXPECT_EQ(getNextEvent(&message), kEnvEventQuit);  // without touching the queue
}

TEST_F(EnvironmentTest, TheCloseButtonQuits) {
    glEnvironment_setFixedStep(1);
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    runLoop();
    EXPECT_EQ(getQuitFlag(), 1);
}

TEST_F(EnvironmentTest, AStepLimitEndsTheLoopAfterExactlyThatManySteps) {
    glEnvironment_setFixedStep(1);
    glEnvironment_setStepLimit(glEnvironment_getStepsRun() + 7);
    runLoop();
    EXPECT_EQ(updates, 7);
}

TEST_F(EnvironmentTest, ForceRenderDrawsWithoutUpdatingOrWarnsWithoutADisplay) {
    forceRender();
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(updates, 0);

    setGlobalFunctions(nullptr, countUpdate, recordEvent);
    ::testing::internal::CaptureStderr();
    forceRender();
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("Warning: forceRender() called with no display function defined\n"), std::string::npos);
}

TEST_F(EnvironmentTest, TheTwoDimensionalViewMapsWindowPixelsAndRestoresMatrices) {
    GLint depthBefore = 0, depthInside = 0, depthAfter = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthBefore);
    set2DView(640, 480);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthInside);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 2.0f / 640.0f);
    EXPECT_FLOAT_EQ(projection[5], 2.0f / 480.0f);
    EXPECT_FLOAT_EQ(projection[12], -1.0f);
    end2DView();
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthInside, depthBefore + 1);
    EXPECT_EQ(depthAfter, depthBefore);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(EnvironmentTest, RendererInfoNamesTheRealDriverAndBoundsFollowTheWindow) {
    char info[512];
    getRendererInfo(info, sizeof(info));
    std::string text(info);
    EXPECT_EQ(text.find((const char *)glGetString(GL_VENDOR)), 0u);
    EXPECT_NE(text.find((const char *)glGetString(GL_RENDERER)), std::string::npos);

    passAfter(0);
    ssRect *bounds = getEnvironmentBoundsReference();
    EXPECT_EQ(bounds->size.width, 640.0f);
    EXPECT_EQ(bounds->size.height, 480.0f);
}

TEST(KeyTable, TranslatesVirtualKeysWithAndWithoutShift) {
    EXPECT_EQ(windowsCodeToChar('2', kEnvModShift), '@');
    EXPECT_EQ(windowsCodeToChar('2', 0), '2');
    EXPECT_EQ(windowsCodeToChar(39, 0), 6);      // Right
    EXPECT_EQ(windowsCodeToChar(46, 0), 5);      // Delete
    EXPECT_EQ(windowsCodeToChar(112, 0), 112);   // F1 is in no row
    EXPECT_EQ(windowsCodeToChar('P', 0), 112);   // the same code as F1
    EXPECT_EQ(windowsCodeToChar(222, 0), '\'');
    EXPECT_EQ(windowsCodeToChar(222, kEnvModShift), '"');
    EXPECT_EQ(windowsCodeToChar(108, kEnvModShift), '|');
    EXPECT_EQ(windowsCodeToChar(189, kEnvModShift), '_');
    EXPECT_EQ(windowsCodeToChar(0x141, 0), 'a');  // only the low byte counts
    EXPECT_EQ(windowsCodeToChar('A', kEnvModControl), 'a');
}

}  // namespace

namespace {

TEST_F(EnvironmentTest, ModeSwitchesGoBothWaysAndIgnoreRepeats) {
    switchToWindow(640, 480, 0, 0);  // already windowed: nothing
    EXPECT_EQ(environmentInWindowedMode(), 1);

    ::testing::internal::CaptureStderr();
    switchToFullscreen(640, 480, 0, 0);
    std::string log = ::testing::internal::GetCapturedStderr();
    if (environmentInWindowedMode()) {
        // The display refused the mode: the question's default (Yes) keeps the window.
        EXPECT_NE(log.find("Use Windowed Mode Instead?"), std::string::npos) << log;
        EXPECT_EQ(getQuitFlag(), 0);
        return;
    }
    EXPECT_EQ(showWindow(), 1);  // full screen: nothing to show
    EXPECT_EQ(moveWindow(10, 10), 1);
    switchToFullscreen(640, 480, 0, 0);  // already full screen: nothing
    EXPECT_EQ(environmentInWindowedMode(), 0);

    switchToWindow(640, 480, 0, 0);
    EXPECT_EQ(environmentInWindowedMode(), 1);
    EXPECT_EQ(getWindowWidth(), 640);
    EXPECT_EQ(getWindowHeight(), 480);
    EXPECT_EQ(showWindow(), 0);
}

}  // namespace
