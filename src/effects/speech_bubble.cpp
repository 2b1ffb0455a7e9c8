// speech_bubble: timed, wobbling text bubbles (see speech_bubble.h).

#include "effects/speech_bubble.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glText.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"

const char *const kSpeechBubbleFrame = "Data/sprites/objects/speech_bubble.tga";

static const float kBaseSeconds = 3.0f;
static const float kSecondsPerCharacter = 0.05f;
static const float kStepsPerSecond = 200.0f;
static const float kWobbleDamping = 0.992f;
static const float kWobblePhaseStep = 0.02f;
static const float kCell = 12.0f;          // text cell size in pixels
static const float kMinWidth = 128.0f;
static const float kCorner = 32.0f;
static const float kFloorMargin = 48.0f;   // the box stays this far above the world's floor
// More than a screenful (the view holds 53 x 40 cells): text past it is dropped,
// since every character is drawn every frame for as long as the bubble lasts.
static const size_t kMaxCharacters = 1000;

static speechBubbleInfo *private_create(_treeNode *list, int layer, const char *text, int alphabetRef) {
    auto *b = (speechBubbleInfo *)glMalloc(sizeof(speechBubbleInfo));
    if (!b) return nullptr;
    b->duration = kBaseSeconds;
    b->alphabetRef = alphabetRef;
    b->spriteReference = -1;
    b->textureRef = glTexture_loadTexture(kSpeechBubbleFrame, kSClamp | kTClamp);
    b->textLines = createTree();
    b->anim = 1.0f;
    b->pianim = 0.0f;
    // Lines end at line feeds; empty ones are dropped.
    const char *line = text ? text : "";
    size_t kept = 0;
    while (*line && kept < kMaxCharacters) {
        const char *end = strchr(line, '\n');
        size_t length = end ? (size_t)(end - line) : strlen(line);
        size_t keep = length < kMaxCharacters - kept ? length : kMaxCharacters - kept;
        if (keep > 0) {
            b->duration += kSecondsPerCharacter * (float)keep;
            char *copy = (char *)glMalloc((uint32_t)keep + 1);
            if (copy) {
                memcpy(copy, line, keep);
                copy[keep] = 0;
                addChild(b->textLines, copy, (int32_t)keep + 1);
                glFree(copy, (uint32_t)keep + 1);
            }
        }
        kept += keep;
        line += length;
        if (*line == '\n') line++;
    }
    if (*line) fprintf(stderr, "addSpeechBubble: the text is cut to its first %zu characters\n", kMaxCharacters);
    b->duration *= kStepsPerSecond;
    if (layer < 0) layer = 0;  // the object manager keeps layers above 19 at 19
    insertObject(list, b, (uint32_t)layer, displaySpeechBubble, updateSpeechBubble, destructSpeechBubble);
    return b;
}

speechBubbleInfo *addSpeechBubble(_treeNode *list, int spriteRef, int stationary, int layer, const char *text,
                                  int alphabetRef) {
    luaSpriteInfo *sprite = getSprite(spriteRef);
    if (!list || !sprite) return nullptr;
    speechBubbleInfo *b = private_create(list, layer, text, alphabetRef);
    if (!b) return nullptr;
    b->sx = sprite->self.location[0];
    b->sy = sprite->self.location[1];
    b->sz = sprite->self.location[2];
    if (!stationary) b->spriteReference = spriteRef;
    return b;
}

speechBubbleInfo *addSpeechBubble(_treeNode *list, float x, float y, float z, int layer, const char *text,
                                  int alphabetRef) {
    if (!list) return nullptr;
    speechBubbleInfo *b = private_create(list, layer, text, alphabetRef);
    if (!b) return nullptr;
    b->sx = x, b->sy = y, b->sz = z;
    return b;
}

int updateSpeechBubble(void *data, uint32_t frame) {
    (void)frame;
    auto *b = (speechBubbleInfo *)data;
    // Any reference, 0 included, names a sprite; -1 is a fixed bubble.
    if (b->spriteReference >= 0 && !getSprite(b->spriteReference)) return 1;
    b->anim *= kWobbleDamping;
    if (b->anim < 0.0f) b->anim = 0.0f;
    b->pianim += kWobblePhaseStep;
    b->duration -= 1.0f;
    return b->duration < 0.0f;
}

void displaySpeechBubble(void *data) {
    auto *b = (speechBubbleInfo *)data;
    float s = b->anim != 0.0f ? sinf(b->pianim) * 0.3f * b->anim + 1.0f : 1.0f;
    luaSpriteInfo *sprite = b->spriteReference >= 0 ? getSprite(b->spriteReference) : nullptr;
    if (sprite) {
        b->sx = sprite->self.location[0];
        b->sy = sprite->self.location[1];
        b->sz = sprite->self.location[2];
    }
    setAlphabetCellSize(kCell);
    float w = kMinWidth;
    int n = 0;
    for (_treeNode *node = getChild(b->textLines, 0); node; node = getSibling(node)) {
        float lineWidth = printStringLength((const char *)getData(node), b->alphabetRef) * kCell + 32.0f;
        if (lineWidth > w) w = lineWidth;
        n++;
    }
    float a = b->duration < 200.0f ? b->duration * 0.005f : 1.0f;
    float floorY = getEnvironmentValue(kEnv_WorldBounds_Bottom) - kFloorMargin;
    if (b->sy < floorY) b->sy = floorY + kCell;

    ssRect box;
    box.size.width = w + s;
    box.size.height = 64.0f + (float)(n - 1) * kCell;
    box.point.x = b->sx - w + 16.0f;
    box.point.y = b->sy + 48.0f;
    float cx = box.point.x + box.size.width * 0.5f, cy = box.point.y + box.size.height * 0.5f;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(-getEnvironmentValue(kEnv_WorldOrigin_X), -getEnvironmentValue(kEnv_WorldOrigin_Y), 0.0f);
    glTranslatef(cx, cy, 0.0f);
    glScalef(s, s, 1.0f);
    glTranslatef(-cx, -cy, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, a);
    ssSize corner = {kCorner, kCorner};
    glTexture_render(b->textureRef, box, corner, corner, corner, corner);

    glColor4f(0.0f, 0.0f, 0.0f, a);
    glTranslatef(box.point.x, box.point.y, 0.0f);
    glTranslatef(w * 0.5f, box.size.height * 0.5f - 6.0f + (float)(n - 1) * kCell * 0.5f, 0.0f);
    glScalef(kCell, kCell, 1.0f);
    for (_treeNode *node = getChild(b->textLines, 0); node; node = getSibling(node)) {
        if (b->anim == 0.0f)
            printCenteredString((const char *)getData(node), b->alphabetRef);
        else
            printCenteredStringNoPixelSnap((const char *)getData(node), b->alphabetRef);
        glTranslatef(0.0f, -1.0f, 0.0f);
    }
    glPopMatrix();
    glDisable(GL_BLEND);
}

void destructSpeechBubble(void *data) {
    auto *b = (speechBubbleInfo *)data;
    destructTree(b->textLines);
    if (b->textureRef >= 0) glTexture_unloadTexture(b->textureRef);
    glFree(b, sizeof(speechBubbleInfo));
}

// ---- Script functions ----

static int lua_addSpeechBubble(lua_State *L) {
    glLuaArgs_check(L, "nbnsn",
                    "usage: addSpeechBubble(<Integer spriteRef>, <Boolean stationary>, <Integer animation layer>, "
                    "<String text>, <Integer alphabetRef>)");
    addSpeechBubble(getSpriteManagerObjectManager(), glLuaArgs_toInt(L, 1), lua_toboolean(L, 2),
                    glLuaArgs_toInt(L, 3), lua_tostring(L, 4), glLuaArgs_toInt(L, 5));
    return 0;
}

static int lua_addSpeechBubbleAtLocation(lua_State *L) {
    glLuaArgs_check(L, "nnnnsn",
                    "usage: addSpeechBubbleAtLocation(<Double x>, <Double y>, <Double z>, <Integer animation layer>, "
                    "<String text>, <Integer alphabetRef>)");
    addSpeechBubble(getSpriteManagerObjectManager(), (float)lua_tonumber(L, 1), (float)lua_tonumber(L, 2),
                    (float)lua_tonumber(L, 3), glLuaArgs_toInt(L, 4), lua_tostring(L, 5), glLuaArgs_toInt(L, 6));
    return 0;
}

static const luaL_Reg bubbleFunctions[] = {
    {"addSpeechBubble", lua_addSpeechBubble},
    {"addSpeechBubbleAtLocation", lua_addSpeechBubbleAtLocation},
    {nullptr, nullptr},
};

void linkSpeechBubbleFunctions(void) {
    lua_State *L = glLua_getLuaRef();
    if (!L) return;
    for (const luaL_Reg *entry = bubbleFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
