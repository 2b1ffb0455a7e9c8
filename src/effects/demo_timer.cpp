// demo_timer: the idle countdown of a title screen (see demo_timer.h).

#include "effects/demo_timer.h"

#include <cstdio>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "effects/game_timer.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"

static int32_t demoIsEnabled = 1;

static const int kStepsPerSecond = 200;
static const int kShownSeconds = 15;
static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// Object event type of a mouse movement, reset like the others.
static const uint8_t kEventMouseMoved = 9;

void setDemoEnabled(int on) { demoIsEnabled = on != 0; }
int demoEnabled(void) { return demoIsEnabled; }

demoTimerInfo *addDemoTimer(_treeNode *list, double seconds, float x, float y, int alphabetRef, const char *script) {
    if (!list) return nullptr;
    auto *t = (demoTimerInfo *)glMalloc(sizeof(demoTimerInfo));
    if (!t) return nullptr;
    t->count = t->totalCount = timerStepsFromSeconds(seconds);
    t->x = x, t->y = y;
    t->alphabetRef = alphabetRef;
    t->script = copyTimerScript(script);
    insertObject(list, t, kTimerLayer, displayDemoTimer, updateDemoTimer, destructDemoTimer, nullptr, eventDemoTimer);
    return t;
}

int updateDemoTimer(void *data, uint32_t frame) {
    (void)frame;
    auto *t = (demoTimerInfo *)data;
    if (!demoIsEnabled) t->count = t->totalCount;
    int mx, my;
    getMouse(&mx, &my);
    if (mx != t->mx || my != t->my) {
        t->mx = mx, t->my = my;
        t->count = t->totalCount;
    }
    if (t->count == INT32_MIN) return 0;  // never wraps round
    t->count -= 1;
    // Held: with demos off even a one-step countdown never fires.
    if (t->count == 0 && demoIsEnabled && t->script) glLua_runScript(glLua_getLuaRef(), t->script, 1);
    return 0;
}

int eventDemoTimer(void *data, uint8_t eventType, uint8_t key, int x, int y, void *ref) {
    (void)key, (void)x, (void)y, (void)ref;
    auto *t = (demoTimerInfo *)data;
    if (eventType <= kObjEvent_KeyDown || eventType == kEventMouseMoved) t->count = t->totalCount;
    return 0;
}

void demoTimerText(int32_t count, char *text, size_t length) {
    int t = count < 0 ? 0 : count;
    if (t / kStepsPerSecond >= kShownSeconds) {
        snprintf(text, length, "%s", "");
        return;
    }
    snprintf(text, length, "Demo in %d.%02d seconds", (t / kStepsPerSecond) % 60, (t % kStepsPerSecond) / 2);
}

void displayDemoTimer(void *data) {
    auto *t = (demoTimerInfo *)data;
    char text[64];
    demoTimerText(t->count, text, sizeof(text));
    if (text[0]) drawTimerText(text, t->x, t->y, t->alphabetRef, kWhite, 1);
}

void destructDemoTimer(void *data) {
    auto *t = (demoTimerInfo *)data;
    freeTimerScript(t->script);
    glFree(t, sizeof(demoTimerInfo));
}

static int lua_addDemoTimer(lua_State *L) {
    glLuaArgs_check(L, "nnnns",
                    "usage: addDemoTimer(<Double Seconds>, <Double X>, <Double Y>, <Integer alphabetRef>, "
                    "<String script>)");
    addDemoTimer(getSpriteManagerObjectManager(), lua_tonumber(L, 1), (float)lua_tonumber(L, 2),
                 (float)lua_tonumber(L, 3), glLuaArgs_toInt(L, 4), lua_tostring(L, 5));
    return 0;
}

static int lua_enableDemo(lua_State *L) {
    (void)L;
    setDemoEnabled(1);
    return 0;
}

static int lua_disableDemo(lua_State *L) {
    (void)L;
    setDemoEnabled(0);
    return 0;
}

static const luaL_Reg demoFunctions[] = {
    {"addDemoTimer", lua_addDemoTimer},
    {"enableDemo", lua_enableDemo},
    {"disableDemo", lua_disableDemo},
    {nullptr, nullptr},
};

void linkDemoTimerFunctions(void) {
    lua_State *L = glLua_getLuaRef();
    if (!L) return;
    for (const luaL_Reg *entry = demoFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
