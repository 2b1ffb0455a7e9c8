// glLuaScreenTransition: the alpha-mask zoom (see glLuaScreenTransition.h).

#include "effects/glLuaScreenTransition.h"

#include <GL/gl.h>

#include <cstring>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"

static _treeNode *objMgr = nullptr;
static lua_State *luaRef = nullptr;

static const char *const kAlphaMaskZoom = "Alpha mask zoom";
static const float kViewCentreX = 320.0f, kViewCentreY = 240.0f;
// Half the side of the mask square at full size, and of the area the ring fills.
static const float kMaskHalfSide = 1536.0f;
static const float kRingHalfSide = 3000.0f;
static const int kDefaultDuration = 200;
static const float kDefaultRotation = 1.0f;

static float private_clamp01(float value) {
    if (value < 0.0f) return 0.0f;
    if (value > 1.0f) return 1.0f;
    return value;  // NaN stays NaN and draws nothing
}

luaAlphaMask_ScreenTransitionInfo *addAlphaMaskScreenTransition(_treeNode *list, const char *texture,
                                                                const char *script, float rotation,
                                                                int duration, float direction) {
    if (!list) return nullptr;
    auto *t = (luaAlphaMask_ScreenTransitionInfo *)glMalloc(sizeof(luaAlphaMask_ScreenTransitionInfo));
    if (!t) return nullptr;
    t->textureRef = texture ? glTexture_loadTexture(texture, kSClamp | kTClamp) : -1;
    t->rotationDelta = rotation;
    // A negative count would never run out (and -500 would mean "finished"
    // before the script ran): it finishes at the first step instead.
    if (duration < 0) duration = 0;
    t->duration = duration;
    if (script) t->luaScript = (char *)glMallocWithBytes((uint32_t)strlen(script) + 1, script);
    float steps = (float)duration;  // 0 gives infinite deltas, clamped at the first step
    if (direction > 0.0f) {
        t->scale = 0.0f;
        t->scaleDelta = 1.0f / steps;
        t->alpha = 1.0f;
        t->alphaDelta = (-1.0f / steps) * 2.0f;
    } else {
        t->scale = 1.0f;
        t->scaleDelta = -1.0f / steps;
        t->alpha = 0.0f;
        t->alphaDelta = (1.0f / steps) * 2.0f;
    }
    insertObject(list, t, kTransitionLayer, displayAlphaMaskScreenTransition, updateAlphaMaskScreenTransition,
                 destructAlphaMaskScreenTransition, nullptr, eventAlphaMaskScreenTransition);
    return t;
}

int updateAlphaMaskScreenTransition(void *data, uint32_t frame) {
    (void)frame;
    auto *t = (luaAlphaMask_ScreenTransitionInfo *)data;
    if (t->duration == kTransitionFinished) return t->scaleDelta > 0.0f;
    t->alpha = private_clamp01(t->alpha + t->alphaDelta);
    t->scale = private_clamp01(t->scale + t->scaleDelta);
    t->rotation += t->rotationDelta;
    t->duration -= 1;
    if (t->duration < 1) {
        t->duration = kTransitionFinished;
        // Run directly: the copy is freed with the transition, and a later
        // copy at the same address must not find this one's compiled chunk.
        if (t->luaScript) glLua_runScript(luaRef, t->luaScript, 1);
    }
    return 0;
}

static void private_quad(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
    glTexCoord2f(s0, t0);
    glVertex2f(x0, y0);
    glTexCoord2f(s1, t0);
    glVertex2f(x1, y0);
    glTexCoord2f(s1, t1);
    glVertex2f(x1, y1);
    glTexCoord2f(s0, t1);
    glVertex2f(x0, y1);
}

void displayAlphaMaskScreenTransition(void *data) {
    auto *t = (luaAlphaMask_ScreenTransitionInfo *)data;
    if (glTexture_getTextureID(t->textureRef, 0) == 0xFFFFFFFFu) return;
    glTexture *texture = glTexture_getTextureRecord(t->textureRef);
    const textureTile *tile = (const textureTile *)getData(getChild(texture->texList, 0));
    if (!tile) return;
    float h = kMaskHalfSide * t->scale, r = kRingHalfSide;
    // The ring shows the colour of the mask's top-left corner.
    float cs = tile->x1, ct = tile->y2;

    glPushMatrix();
    glTranslatef(kViewCentreX, kViewCentreY, 0.0f);
    glRotatef(t->rotation, 0.0f, 0.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, tile->texName);
    glColor4f(1.0f, 1.0f, 1.0f, t->alpha);
    glBegin(GL_QUADS);
    private_quad(-h, -h, h, h, tile->x1, tile->y1, tile->x2, tile->y2);
    private_quad(-h, -r, h, -h, cs, ct, cs, ct);   // below
    private_quad(-r, -r, -h, -h, cs, ct, cs, ct);  // bottom left
    private_quad(h, -r, r, -h, cs, ct, cs, ct);    // bottom right
    private_quad(-h, h, h, r, cs, ct, cs, ct);     // above
    private_quad(-r, h, -h, r, cs, ct, cs, ct);    // top left
    private_quad(h, h, r, r, cs, ct, cs, ct);      // top right
    private_quad(-r, -h, -h, h, cs, ct, cs, ct);   // left
    private_quad(h, -h, r, h, cs, ct, cs, ct);     // right
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glPopMatrix();
}

void destructAlphaMaskScreenTransition(void *data) {
    auto *t = (luaAlphaMask_ScreenTransitionInfo *)data;
    if (t->textureRef >= 0) glTexture_unloadTexture(t->textureRef);
    if (t->luaScript) glFree(t->luaScript, (uint32_t)strlen(t->luaScript) + 1);
    glFree(t, sizeof(luaAlphaMask_ScreenTransitionInfo));
}

int eventAlphaMaskScreenTransition(void *data, uint8_t eventType, uint8_t key, int x, int y, void *ref) {
    (void)eventType, (void)key, (void)x, (void)y, (void)ref;
    return ((luaAlphaMask_ScreenTransitionInfo *)data)->scaleDelta < 0.0f;
}

// ---- Script functions ----

// Both functions: a type, then optional mask, script, rotation speed and
// duration; an optional argument of the wrong type keeps its default.
static luaAlphaMask_ScreenTransitionInfo *private_addFromScript(lua_State *L, const char *usage, float direction) {
    if (lua_gettop(L) < 1 || !glLuaArgs_isString(L, 1)) glLuaArgs_raiseUsage(L, usage);
    if (strcmp(lua_tostring(L, 1), kAlphaMaskZoom) != 0) return nullptr;
    const char *texture = glLuaArgs_isString(L, 2) ? lua_tostring(L, 2) : nullptr;
    const char *script = glLuaArgs_isString(L, 3) ? lua_tostring(L, 3) : nullptr;
    float rotation = glLuaArgs_isNumber(L, 4) ? (float)lua_tonumber(L, 4) : kDefaultRotation;
    int duration = glLuaArgs_isNumber(L, 5) ? glLuaArgs_toInt(L, 5) : kDefaultDuration;
    return addAlphaMaskScreenTransition(objMgr, texture, script, rotation, duration, direction);
}

static int lua_startScreenTransition(lua_State *L) {
    private_addFromScript(L, "usage: startScreenTransition(<String transition type>, <Optional arguments>)", -1.0f);
    return 0;
}

static int lua_endScreenTransition(lua_State *L) {
    if (private_addFromScript(L, "usage: endScreenTransition(<String transition type>, <Optional arguments>)", 1.0f))
        resetGlobalUpdateTimer();  // the new scene's loading time is not caught up
    return 0;
}

static const luaL_Reg transitionFunctions[] = {
    {"startScreenTransition", lua_startScreenTransition},
    {"endScreenTransition", lua_endScreenTransition},
    {nullptr, nullptr},
};

void initScreenTransitionTransitions(lua_State *L, _treeNode *objectList) {
    luaRef = L;
    objMgr = objectList;
    if (!L) return;
    for (const luaL_Reg *entry = transitionFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
