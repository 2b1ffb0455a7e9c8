// game_timer: the level countdown (see game_timer.h), and what both timers share.

#include "effects/game_timer.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/glSoundManager.h"
#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glText.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"

static const int kStepsPerSecond = 200;
static const int kHurrySteps = 6000;       // the last 30 seconds
static const int kNormalMusicRate = 100;
static const int kMusicRateSteps = 20;     // the rate climbs to 120 ...
static const int kStepsPerRateStep = 5;    // ... by one every 5 steps
static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
static const float kRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};

int32_t timerStepsFromSeconds(double seconds) {
    double steps = seconds * kStepsPerSecond;
    if (std::isnan(steps)) return 0;
    if (steps >= 2147483647.0) return 2147483647;
    if (steps <= -2147483648.0) return -2147483647 - 1;
    return (int32_t)steps;
}

char *copyTimerScript(const char *script) {
    return script ? (char *)glMallocWithBytes((uint32_t)strlen(script) + 1, script) : nullptr;
}

void freeTimerScript(char *script) {
    if (script) glFree(script, (uint32_t)strlen(script) + 1);
}

void drawTimerText(const char *text, float x, float y, int alphabetRef, const float color[4], int centred) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    setAlphabetCellSize(16.0f);
    set2DView(640, 480);
    glColor4fv(color);
    glTranslatef(x, y, 0.0f);
    glScalef(16.0f, 16.0f, 16.0f);
    if (centred)
        printCenteredString(text, alphabetRef);
    else
        printString(text, alphabetRef);
    end2DView();
    glDisable(GL_BLEND);
}

gameTimerInfo *addGameTimer(_treeNode *list, double seconds, float x, float y, int alphabetRef, const char *script) {
    if (!list) return nullptr;
    auto *t = (gameTimerInfo *)glMalloc(sizeof(gameTimerInfo));
    if (!t) return nullptr;
    t->count = timerStepsFromSeconds(seconds);
    t->x = x, t->y = y;
    t->alphabetRef = alphabetRef;
    t->script = copyTimerScript(script);
    insertObject(list, t, kTimerLayer, displayGameTimer, updateGameTimer, destructGameTimer);
    return t;
}

int updateGameTimer(void *data, uint32_t frame) {
    (void)frame;
    auto *t = (gameTimerInfo *)data;
    if (isLevelEditorActive()) return 0;  // paused while the level is edited
    if (t->count == INT32_MIN) return 0;  // ran out long ago; never wraps round
    t->count -= 1;
    if (t->count <= kHurrySteps) {
        int r = (kHurrySteps - t->count) / kStepsPerRateStep;
        if (r <= kMusicRateSteps) setAllGroupMusicRate(kNormalMusicRate + r);
    }
    // Run directly: the copy is freed with the timer.
    if (t->count == 0 && t->script) glLua_runScript(glLua_getLuaRef(), t->script, 1);
    return 0;
}

void gameTimerText(int32_t count, char *text, size_t length) {
    int t = count < 0 ? 0 : count, s = t / kStepsPerSecond;
    snprintf(text, length, "Time: %02d:%02d:%02d", s / 60, s % 60, (t % kStepsPerSecond) / 2);
}

void displayGameTimer(void *data) {
    auto *t = (gameTimerInfo *)data;
    char text[64];
    gameTimerText(t->count, text, sizeof(text));
    int seconds = (t->count < 0 ? 0 : t->count) / kStepsPerSecond;
    drawTimerText(text, t->x, t->y, t->alphabetRef, seconds < 30 ? kRed : kWhite, 0);
}

void destructGameTimer(void *data) {
    auto *t = (gameTimerInfo *)data;
    setAllGroupMusicRate(kNormalMusicRate);
    freeTimerScript(t->script);
    glFree(t, sizeof(gameTimerInfo));
}

static int lua_addGameTimer(lua_State *L) {
    glLuaArgs_check(L, "nnnns",
                    "usage: addGameTimer(<Double Seconds>, <Double X>, <Double Y>, <Integer alphabetRef>, "
                    "<String script>)");
    addGameTimer(getSpriteManagerObjectManager(), lua_tonumber(L, 1), (float)lua_tonumber(L, 2),
                 (float)lua_tonumber(L, 3), glLuaArgs_toInt(L, 4), lua_tostring(L, 5));
    return 0;
}

static const luaL_Reg gameTimerFunctions[] = {
    {"addGameTimer", lua_addGameTimer},
    {nullptr, nullptr},
};

void linkGameTimerFunctions(void) {
    lua_State *L = glLua_getLuaRef();
    if (!L) return;
    for (const luaL_Reg *entry = gameTimerFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
