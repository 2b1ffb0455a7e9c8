// glLuaSpriteProperties: the script functions that shape a sprite's look:
// description and text, screen coordinates and always-update, hiding and
// mirroring, texture and texture rectangle, alphabet, wait and pause, gradient
// band, rotation, scale, colour and timed changes of them and of an
// environment global. They only set record fields: drawing reads them and the
// motion step advances the timed changes. A reference that names no sprite
// makes a call do nothing (getSpriteDescription excepted).

#include "sprites/glLuaSprite.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/glMemory.h"
#include "core/glXMLParser.h"
#include "graphics/glObject.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "script/glLuaConsole.h"

// Seconds to update steps of 5 ms.
static const float kUpdatesPerSecond = 200.0f;

static luaSpriteInfoRec *private_sprite(lua_State *L) {
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    return sprite ? &sprite->self : nullptr;
}

// Validates exactly (glLuaArgs_check) or at least (glLuaSprite_checkAtLeast),
// then wants the sprite manager's object manager; returns the live sprite or null.
static luaSpriteInfoRec *private_exactly(lua_State *L, const char *signature, const char *usage) {
    glLuaArgs_check(L, signature, usage);
    if (!getSpriteManagerObjectManager()) glLuaArgs_raiseUsage(L, usage);
    return private_sprite(L);
}

static luaSpriteInfoRec *private_atLeast(lua_State *L, const char *signature, const char *usage) {
    glLuaSprite_checkAtLeast(L, signature, usage);
    if (!getSpriteManagerObjectManager()) glLuaArgs_raiseUsage(L, usage);
    return private_sprite(L);
}

static float private_number(lua_State *L, int index) { return (float)lua_tonumber(L, index); }

// count = seconds x 200 updates, each adding delta; no change for a count of 0 or less.
static float private_startChange(float seconds, int components, const float *current, const float *target,
                                 float *delta) {
    float count = seconds * kUpdatesPerSecond;
    if (!(count > 0)) count = 0;
    for (int i = 0; i < components; i++) delta[i] = count > 0 ? (target[i] - current[i]) / count : 0.0f;
    return count;
}

// ---- Text ----

static int lua_setSpriteDescription(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "ns", "usage: setSpriteDescription(<Integer spriteRefNum>, <String description>)");
    if (!rec) return 0;
    const char *text = lua_tostring(L, 2);
    char *copy = (char *)glMallocWithBytes((uint32_t)strlen(text) + 1, text);
    if (!copy) return 0;
    if (rec->spriteDesc) glFree(rec->spriteDesc, (uint32_t)strlen(rec->spriteDesc) + 1);
    rec->spriteDesc = copy;
    return 0;
}

static int lua_getSpriteDescription(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: getSpriteDescription(<Integer spriteRefNum>)");
    if (!getSpriteManagerObjectManager()) return glLuaArgs_raiseUsage(L, "usage: getSpriteDescription(<Integer spriteRefNum>)");
    luaSpriteInfoRec *rec = private_sprite(L);
    if (!rec) return glLuaArgs_raiseUsage(L, "Error: No sprite defined for that reference number");
    if (!rec->spriteDesc) {
        console_addString("Error: This sprite does not have a description");
        return 0;
    }
    lua_pushstring(L, rec->spriteDesc);
    return 1;
}

static int lua_setSpriteAlphabet(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "nn", "usage: setSpriteAlphabet(<Integer spriteRefNum>, <Integer alphabetRefNum>)");
    if (rec) rec->alphabetRef = glLuaArgs_toInt(L, 2);
    return 0;
}

static int lua_setSpriteJustification(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "ns", "usage: setSpriteJustification(<Integer spriteRefNum>, <String left/center/right>)");
    if (!rec) return 0;
    static const char *const sides[] = {"left", "center", "right"};
    const char *side = lua_tostring(L, 2);
    for (int i = 0; i < 3; i++)
        if (!strcmp(side, sides[i])) rec->justification = i;
    return 0;
}

static int lua_setSpriteAlphabetCellSize(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "nn", "usage: setSpriteAlphabetCellSize(<Integer spriteRefNum>, <Float cell size)");
    if (rec) rec->alphabetCellSize = private_number(L, 2);
    return 0;
}

// ---- Models ----

// The definition's "model" element named `name` that has text, or null.
static const char *private_modelText(_treeNode *definition, const char *name) {
    if (!definition) return nullptr;
    for (int n = 1;; n++) {
        _treeNode *node = glParseXML_getNodeFromURL(definition, n, "xml://model");
        if (!node) return nullptr;
        const char *nodeName = glParseXML_getAttribute(node, "name");
        const char *text = nullptr;
        int size = 0;
        glParseXML_getElement(node, &text, &size);
        if (nodeName && !strcmp(nodeName, name) && text && size > 0) return text;
    }
}

// The model is built anew, from the definition's text of that name, or else
// from the file of that name.
static int lua_setSpriteModel(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "ns", "usage: setSpriteModel(<Integer spriteRefNum>, <String xml_tag_name>)");
    if (!rec) return 0;
    const char *name = lua_tostring(L, 2);
    if (!rec->modelRef) rec->modelRef = new glObject();
    rec->modelRef->destruct();
    rec->modelRef->construct();
    if (const char *text = private_modelText(rec->xmlDataPtr, name))
        rec->modelRef->createObjectFromData(text, rec->spriteType);
    else
        rec->modelRef->createObjectFromFile(name);
    return 0;
}

static int lua_setSpriteModelTexture(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "nn", "usage: setSpriteModelTexture(<Integer spriteRefNum>, <Integer textureRefNum>)");
    if (rec && rec->modelRef) rec->modelRef->setTextures((int64_t)glTexture_getTextureID(glLuaArgs_toInt(L, 2), 0));
    return 0;
}

// ---- Modes and mirroring ----

static int lua_setSpriteUseScreenCoordinates(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nb", "usage: setSpriteUseScreenCoordinates(<Integer spriteRefNum>, <Boolean use screen coordinates>)");
    if (rec) rec->screenCoords = (int8_t)lua_toboolean(L, 2);
    return 0;
}

static int lua_setSpriteAlwaysUpdate(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nb", "usage: setSpriteAlwaysUpdate(<Integer spriteRefNum>, <Boolean always update>)");
    if (rec) rec->alwaysUpdate = (int8_t)lua_toboolean(L, 2);
    return 0;
}

static int lua_setSpriteHidden(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nb", "usage: setSpriteHidden(<Integer spriteRefNum>, <Boolean is hidden>)");
    if (rec) rec->hidden = (int8_t)lua_toboolean(L, 2);
    return 0;
}

static void private_setMirrorBit(luaSpriteInfoRec *rec, int bit, int on) {
    rec->flippedTexture = (int8_t)(on ? (rec->flippedTexture | bit) : (rec->flippedTexture & ~bit));
}

static int lua_setSpriteFlipHorizontal(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nb", "usage: setSpriteFlipHorizontal(<Integer spriteRefNum>, <Boolean is flipped>)");
    if (rec) private_setMirrorBit(rec, 1, lua_toboolean(L, 2));
    return 0;
}

static int lua_setSpriteFlipVertical(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nb", "usage: setSpriteFlipVertical(<Integer spriteRefNum>, <Boolean is flipped>)");
    if (rec) private_setMirrorBit(rec, 2, lua_toboolean(L, 2));
    return 0;
}

// ---- Textures ----

static int lua_setSpriteTexture(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "nn", "usage: setSpriteTexture(<Integer spriteRefNum>, <Integer textureRefNum>)");
    if (!rec) return 0;
    rec->textureRef = glLuaArgs_toInt(L, 2);
    int width = 0, height = 0;
    if (glTexture_getTextureDimensions(rec->textureRef, &width, &height)) {
        rec->width = width;
        rec->height = height;
    }
    return 0;
}

// "x, y, w, h" (a comma right after each of the first three numbers, white
// space before a number); numbers beyond the int range are held to it.
// 1 when all four were read.
static int private_readRect(const char *text, int *x, int *y, int *w, int *h) {
    int *out[4] = {x, y, w, h};
    for (int i = 0; i < 4; i++) {
        if (i > 0 && *text++ != ',') return 0;
        if (!glLuaArgs_readInt(&text, out[i])) return 0;
    }
    return 1;
}

static int lua_setSpriteTextureRect(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "ns", "usage: setSpriteTextureRect(<Integer spriteRefNum>, <String rect_coords>)");
    int x, y, w, h, textureWidth = 0, textureHeight = 0;
    if (!rec || !private_readRect(lua_tostring(L, 2), &x, &y, &w, &h)) return 0;
    if (!glTexture_getTextureDimensions(rec->textureRef, &textureWidth, &textureHeight)) return 0;
    if (textureWidth <= 0 || textureHeight <= 0) return 0;
    rec->width = w;
    rec->height = h;
    rec->u1 = (float)x / (float)textureWidth;
    rec->t1 = (float)y / (float)textureHeight;
    rec->u2 = (float)((double)x + w) / (float)textureWidth;
    rec->t2 = (float)((double)y + h) / (float)textureHeight;
    rec->cellAnimation = 1;
    return 0;
}

// ---- Waits and gradients ----

// Updates to wait, cut to the 16-bit field (a negative time waits not at all).
static int16_t private_waitUpdates(float seconds) {
    float updates = seconds * kUpdatesPerSecond;
    if (!(updates > 0)) return 0;
    if (updates >= (float)INT16_MAX) return INT16_MAX;
    return (int16_t)updates;
}

static int lua_setSpriteWait(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "nn", "usage: setSpriteWait(<Integer spriteRefNum> <Double seconds>)");
    if (!rec) return 0;
    rec->waitTime = private_waitUpdates(private_number(L, 2));
    rec->showSpriteDuringWait = 0;
    return 0;
}

static int lua_setSpritePause(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "nn", "usage: setSpritePause(<Integer spriteRefNum> <Double seconds>)");
    if (!rec) return 0;
    rec->waitTime = private_waitUpdates(private_number(L, 2));
    rec->showSpriteDuringWait = 1;
    return 0;
}

// The two alpha values are accepted and not used: the band is opaque.
static int lua_setSpriteGradientColors(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnnnnnnn",
        "usage: setSpriteGradientColors(<Integer spriteRefNum>, <Double top red>, <Double top green>, "
        "<Double top blue>, <Double top alpha>, <Double bottom red>, <Double bottom green>, "
        "<Double bottom blue>, <Double bottom alpha>)");
    if (!rec) return 0;
    for (int i = 0; i < 3; i++) {
        rec->gradientTopColor[i] = private_number(L, 2 + i);
        rec->gradientBottomColor[i] = private_number(L, 6 + i);
    }
    return 0;
}

static int lua_setSpriteGradientRect(lua_State *L) {
    luaSpriteInfoRec *rec = private_atLeast(L, "ns", "usage: setSpriteGradientRect(<Integer spriteRefNum>, <String rect_coords>)");
    int x, y, w, h;
    if (!rec || !private_readRect(lua_tostring(L, 2), &x, &y, &w, &h)) return 0;
    rec->gradientRect.point.x = (float)x;
    rec->gradientRect.point.y = (float)y;
    rec->gradientRect.size.width = (float)w;
    rec->gradientRect.size.height = (float)h;
    return 0;
}

// ---- Rotation, scale, colour and timed changes ----

static void private_readNumbers(lua_State *L, int first, int count, float *out) {
    for (int i = 0; i < count; i++) out[i] = private_number(L, first + i);
}

static int lua_setSpriteRotation(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnn", "usage: setSpriteRotation(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (!rec) return 0;
    rec->rotationCount = 0;
    for (float &delta : rec->rotationDelta) delta = 0;
    private_readNumbers(L, 2, 3, rec->rotation);
    return 0;
}

static int lua_setSpriteRotationChange(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnnn", "usage: setSpriteRotationChange(<Integer spriteRefNum>, <Double seconds>, <Double x>, <Double y>, <Double z>)");
    if (!rec) return 0;
    float target[3];
    private_readNumbers(L, 3, 3, target);
    rec->rotationCount = private_startChange(private_number(L, 2), 3, rec->rotation, target, rec->rotationDelta);
    return 0;
}

static int lua_setSpriteScale(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnn", "usage: setSpriteScale(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (rec) private_readNumbers(L, 2, 3, rec->scale);
    return 0;
}

static int lua_setSpriteScaleChange(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnnn", "usage: setSpriteScaleChange(<Integer spriteRefNum>, <Double seconds>, <Double x>, <Double y>, <Double z>)");
    if (!rec) return 0;
    float target[3];
    private_readNumbers(L, 3, 3, target);
    rec->scaleCount = private_startChange(private_number(L, 2), 3, rec->scale, target, rec->scaleDelta);
    return 0;
}

static int lua_setSpriteColor(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnnn", "usage: setSpriteColor(<Integer spriteRefNum>, <Double red>, <Double green>, <Double blue>, <Double alpha>)");
    if (rec) private_readNumbers(L, 2, 4, rec->color);
    return 0;
}

static int lua_setSpriteColorChange(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nnnnnn", "usage: setSpriteColorChange(<Integer spriteRefNum>, <Double seconds>, <Double red>, <Double green>, <Double blue>, <Double alpha>)");
    if (!rec) return 0;
    float target[4];
    private_readNumbers(L, 3, 4, target);
    rec->colorCount = private_startChange(private_number(L, 2), 4, rec->color, target, rec->colorDelta);
    return 0;
}

static int lua_setSpriteEnvironmentChange(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "nsnn", "usage: setSpriteEnvironmentChange(<Integer spriteRefNum>, <String environment variable>, <Double seconds>, <Double x>)");
    float *variable = environmentGlobalReference(environmentGlobalIndex(lua_tostring(L, 2)));
    if (!rec || !variable) return 0;
    float target = private_number(L, 4);
    rec->enviroVar = variable;
    rec->enviroCount = private_startChange(private_number(L, 3), 1, variable, &target, &rec->enviroDelta);
    return 0;
}

// ---- Getters ----

static int lua_getSpriteAnimationLayer(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "n", "usage: getSpriteAnimationLayer(<Integer spriteRefNum>)");
    if (!rec) return 0;
    lua_pushnumber(L, rec->layer);
    return 1;
}

static int lua_getSpriteType(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "n", "usage: getSpriteType(<Integer spriteRefNum>)");
    if (!rec) return 0;
    lua_pushstring(L, rec->spriteType ? rec->spriteType : "");
    return 1;
}

static int lua_getSpriteRotation(lua_State *L) {
    luaSpriteInfoRec *rec = private_exactly(L, "n", "usage: getSpriteRotation(<Integer spriteRefNum>)");
    if (!rec) return 0;
    for (float angle : rec->rotation) lua_pushnumber(L, angle);
    return 3;
}

static const luaL_Reg propertyFunctions[] = {
    {"setSpriteDescription", lua_setSpriteDescription},
    {"getSpriteDescription", lua_getSpriteDescription},
    {"setSpriteUseScreenCoordinates", lua_setSpriteUseScreenCoordinates},
    {"setSpriteAlwaysUpdate", lua_setSpriteAlwaysUpdate},
    {"setSpriteHidden", lua_setSpriteHidden},
    {"setSpriteFlipVertical", lua_setSpriteFlipVertical},
    {"setSpriteFlipHorizontal", lua_setSpriteFlipHorizontal},
    {"setSpriteTexture", lua_setSpriteTexture},
    {"setSpriteTextureRect", lua_setSpriteTextureRect},
    {"setSpriteModel", lua_setSpriteModel},
    {"setSpriteModelTexture", lua_setSpriteModelTexture},
    {"setSpriteAlphabet", lua_setSpriteAlphabet},
    {"setSpriteJustification", lua_setSpriteJustification},
    {"setSpriteAlphabetCellSize", lua_setSpriteAlphabetCellSize},
    {"setSpriteWait", lua_setSpriteWait},
    {"setSpritePause", lua_setSpritePause},
    {"setSpriteGradientColors", lua_setSpriteGradientColors},
    {"setSpriteGradientRect", lua_setSpriteGradientRect},
    {"setSpriteRotation", lua_setSpriteRotation},
    {"setSpriteRotationChange", lua_setSpriteRotationChange},
    {"setSpriteScale", lua_setSpriteScale},
    {"setSpriteScaleChange", lua_setSpriteScaleChange},
    {"setSpriteColor", lua_setSpriteColor},
    {"setSpriteColorChange", lua_setSpriteColorChange},
    {"setSpriteEnvironmentChange", lua_setSpriteEnvironmentChange},
    {"getSpriteAnimationLayer", lua_getSpriteAnimationLayer},
    {"getSpriteType", lua_getSpriteType},
    {"getSpriteRotation", lua_getSpriteRotation},
    {nullptr, nullptr},
};

void registerLuaSpritePropertyFunctions(lua_State *L) {
    for (const luaL_Reg *entry = propertyFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
