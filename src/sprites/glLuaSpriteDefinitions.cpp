// glLuaSpriteDefinitions: sprites made from the "sprite" definitions of the
// level document. A definition names a type; addSprite makes one sprite from
// every definition of the type, runs its init script and reads its collision,
// event, update and blend elements. Scripts stay in the document (borrowed);
// collision outlines are read and cached by the collision module. Also the level dump line and the
// number test of update frequencies.

#include "sprites/glLuaSprite.h"

#include <GL/gl.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/glMemory.h"
#include "core/glXMLParser.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSpriteCollisions.h"

// The parameters of the addSprite call that is running, null between calls.
static const char *const *parameterArray = nullptr;

// Update frequencies are seconds; the update step is 5 ms.
static const double kUpdatesPerSecond = 200.0;

const char *getSpriteParameterText(int n) {
    if (!parameterArray || n < 0 || n >= kSpriteParameters) return nullptr;
    return parameterArray[n];
}

int isnumber(const char *text) {
    if (!text) return 0;
    int dots = 0;
    for (const char *c = text; *c; c++) {
        if (*c == '.') {
            if (++dots > 1) return 0;
        } else if (*c < '0' || *c > '9') {
            return 0;
        }
    }
    return 1;
}

struct blendFactorName {
    const char *name;
    int factor;
    int source, destination;  // accepted on that side
};

static const blendFactorName kBlendFactors[] = {
    {"GL_ZERO", GL_ZERO, 1, 1},
    {"GL_ONE", GL_ONE, 1, 1},
    {"GL_SRC_COLOR", GL_SRC_COLOR, 0, 1},
    {"GL_ONE_MINUS_SRC_COLOR", GL_ONE_MINUS_SRC_COLOR, 0, 1},
    {"GL_DST_COLOR", GL_DST_COLOR, 1, 0},
    {"GL_ONE_MINUS_DST_COLOR", GL_ONE_MINUS_DST_COLOR, 1, 0},
    {"GL_SRC_ALPHA", GL_SRC_ALPHA, 1, 1},
    {"GL_ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA, 1, 1},
    {"GL_DST_ALPHA", GL_DST_ALPHA, 1, 1},
    {"GL_ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA, 1, 1},
    {"GL_SRC_ALPHA_SATURATE", GL_SRC_ALPHA_SATURATE, 1, 0},
    {"GL_CONSTANT_COLOR", GL_CONSTANT_COLOR, 1, 1},
    {"GL_ONE_MINUS_CONSTANT_COLOR", GL_ONE_MINUS_CONSTANT_COLOR, 1, 1},
    {"GL_CONSTANT_ALPHA", GL_CONSTANT_ALPHA, 1, 1},
    {"GL_ONE_MINUS_CONSTANT_ALPHA", GL_ONE_MINUS_CONSTANT_ALPHA, 1, 1},
};

int blendFactorFromName(const char *name, int destination) {
    if (!name) return GL_ZERO;
    for (const blendFactorName &entry : kBlendFactors)
        if (!strcmp(name, entry.name)) return (destination ? entry.destination : entry.source) ? entry.factor : GL_ZERO;
    return GL_ZERO;
}

static int private_truncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= (double)INT_MAX) return INT_MAX;
    if (value <= (double)INT_MIN) return INT_MIN;
    return (int)value;
}

int spriteLevelDumpLine(const luaSpriteInfoRec *rec, char *text, int length) {
    if (!rec || !text || length <= 0) return 0;
    return snprintf(text, (size_t)length, "addSprite(\"%s\", %d, %d, %d)\n", rec->spriteType ? rec->spriteType : "",
                    (int)rec->layer, private_truncToInt(rec->location[0]), private_truncToInt(rec->location[1]));
}

// ---- Reading a definition ----

static int private_isLua(_treeNode *node) {
    const char *language = glParseXML_getAttribute(node, "language");
    return language && !strcmp(language, "Lua");
}

static const char *private_text(_treeNode *node) {
    const char *text = nullptr;
    int size = 0;
    glParseXML_getElement(node, &text, &size);
    return text && size > 0 ? text : nullptr;
}

static int private_isTrue(_treeNode *node, const char *attribute) {
    const char *value = glParseXML_getAttribute(node, attribute);
    return value && !strcmp(value, "true");
}

static void private_runInitScript(_treeNode *definition, int ref) {
    _treeNode *init = glParseXML_getNodeFromURL(definition, "xml://init");
    const char *script = init && private_isLua(init) ? private_text(init) : nullptr;
    if (!script) return;
    lua_State *L = getSpriteManagerLuaState();
    glLua_setGlobalAsDouble(L, ref, "gCurrentSprite");
    glLua_runScript(L, script, 0);
}

// The collision script, and the collision outline cached under the file
// text followed by the origin text.
static void private_readCollision(_treeNode *definition, luaSpriteInfoRec *rec) {
    _treeNode *collision = glParseXML_getNodeFromURL(definition, "xml://collision");
    if (!collision) return;
    if (private_isLua(collision)) {
        const char *script = private_text(collision);
        if (script) rec->collisionScript = script;
    }
    const char *file = glParseXML_getAttribute(collision, "file");
    if (!file) return;
    const char *origin = glParseXML_getAttribute(collision, "origin");
    size_t fileLength = strlen(file), originLength = origin ? strlen(origin) : 0;
    char *key = (char *)glMalloc((uint32_t)(fileLength + originLength + 1));
    if (!key) return;
    memcpy(key, file, fileLength);
    if (origin) memcpy(key + fileLength, origin, originLength);
    if (rec->collisionFileKey) glFree(rec->collisionFileKey, (uint32_t)strlen(rec->collisionFileKey) + 1);
    rec->collisionFileKey = key;
    // The outline is placed at the texture origin (of the texture the init
    // script set) plus the element's own origin.
    int ox = 0, oy = 0, tx = 0, ty = 0, width = 0, height = 0;
    if (origin && sscanf(origin, "(%d, %d)", &ox, &oy) != 2) ox = oy = 0;
    glTexture_getOrigin(rec->textureRef, &tx, &ty);
    if (!glTexture_getTextureDimensions(rec->textureRef, &width, &height)) width = height = 0;
    rec->colRec = loadCollisionRecordFromFile(key, file, 1.0f, tx + ox, ty + oy, width, height);
}

static void private_readEvent(_treeNode *definition, luaSpriteInfoRec *rec) {
    _treeNode *event = glParseXML_getNodeFromURL(definition, "xml://event");
    if (!event || !private_isLua(event)) return;
    const char *script = private_text(event);
    if (script) rec->eventScript = script;
    if (private_isTrue(event, "mouseOver")) rec->getMouseOvers = 1;
    if (private_isTrue(event, "captureAllMouse")) rec->getAllMouse = 1;
}

static void private_readUpdate(_treeNode *definition, luaSpriteInfoRec *rec) {
    rec->updateMethod = kUpdateOnRequest;
    _treeNode *update = glParseXML_getNodeFromURL(definition, "xml://update");
    if (!update || !private_isLua(update)) return;
    const char *frequency = glParseXML_getAttribute(update, "frequency");
    if (frequency) {
        if (!strcmp(frequency, "animation")) {
            rec->updateMethod = kUpdateOnAnimationWrap;
        } else if (strcmp(frequency, "event") && isnumber(frequency)) {
            rec->updateMethod = kUpdatePeriodic;
            rec->updateWaitTime = rec->updateWait = private_truncToInt(atof(frequency) * kUpdatesPerSecond);
        }
    }
    const char *script = private_text(update);
    if (script) rec->updateScript = script;
}

static void private_readBlend(_treeNode *definition, luaSpriteInfoRec *rec) {
    _treeNode *blend = glParseXML_getNodeFromURL(definition, "xml://blend");
    const char *source = glParseXML_getAttribute(blend, "src");
    const char *destination = glParseXML_getAttribute(blend, "dst");
    if (!blend || !source || !destination) return;
    rec->flags |= kSpriteFlagBlend;
    rec->blendSrc = blendFactorFromName(source, 0);
    rec->blendDst = blendFactorFromName(destination, 1);
}

static int private_isDefinitionOf(_treeNode *node, const char *type) {
    const char *name = glParseXML_getName(node);
    const char *nodeType = glParseXML_getAttribute(node, "type");
    return name && nodeType && !strcmp(name, "sprite") && !strcmp(nodeType, type);
}

// One sprite from one definition. The record stays valid through the init
// script: removal is deferred and documents are never replaced while a script runs.
static int private_makeFromDefinition(_treeNode *definition, const char *type, int layer, luaSpriteInfo **made) {
    int ref = addLuaSprite(getSpriteManagerObjectManager(), definition, type, layer);
    setNewSpriteReference(ref);
    *made = getSprite(ref);
    if (ref < 0 || !*made) return ref;
    luaSpriteInfo *sprite = *made;
    private_runInitScript(definition, ref);
    private_readCollision(definition, &sprite->self);
    private_readEvent(definition, &sprite->self);
    private_readUpdate(definition, &sprite->self);
    private_readBlend(definition, &sprite->self);
    return ref;
}

int addSpritesOfType(const char *type, int layer, const char *const *parameters, int parameterCount,
                     luaSpriteInfo **made) {
    luaSpriteInfo *last = nullptr;
    if (made) *made = nullptr;
    _treeNode *document = getSpriteManagerXMLTree();
    if (!type || !document || !getSpriteManagerObjectManager()) return -1;

    const char *table[kSpriteParameters] = {};
    for (int i = 0; i < parameterCount && i < kSpriteParameters; i++) table[i] = parameters[i];
    const char *const *outer = parameterArray;
    parameterArray = table;

    // Definitions are the document's top-level elements; a document written
    // with one enclosing element (<level>...</level>) has them one level down.
    int result = -1;
    for (_treeNode *top = getChild(document, 0); top; top = getSibling(top)) {
        if (private_isDefinitionOf(top, type)) {
            result = private_makeFromDefinition(top, type, layer, &last);
            continue;
        }
        const char *name = glParseXML_getName(top);
        if (name && !strcmp(name, "sprite")) continue;
        for (_treeNode *child = getChild(top, 0); child; child = getSibling(child))
            if (private_isDefinitionOf(child, type)) result = private_makeFromDefinition(child, type, layer, &last);
    }

    parameterArray = outer;
    if (made) *made = result >= 0 ? last : nullptr;
    return result;
}

// ---- Script functions ----

// Shared by addSprite and newSprite: the checks, then the sprites.
static int private_addSprite(lua_State *L, const char *usage, luaSpriteInfo **made) {
    glLuaSprite_checkAtLeast(L, "sn", usage);
    if (!getSpriteManagerObjectManager() || !getSpriteManagerXMLTree()) glLuaArgs_raiseUsage(L, usage);
    const char *parameters[kSpriteParameters] = {};
    int count = lua_gettop(L) - 2;
    if (count > kSpriteParameters) count = kSpriteParameters;
    // The texts stay on this call's stack, so they live as long as the call.
    for (int i = 0; i < count; i++) parameters[i] = lua_tostring(L, i + 3);
    return addSpritesOfType(lua_tostring(L, 1), glLuaArgs_toInt(L, 2), parameters, count, made);
}

static int lua_addSprite(lua_State *L) {
    luaSpriteInfo *made = nullptr;
    lua_pushnumber(L, private_addSprite(L, "usage: addSprite(<String sprite type>, <Integer layer number>)", &made));
    return 1;
}

// The new sprite goes to the centre of the view, after its init script.
static int lua_newSprite(lua_State *L) {
    luaSpriteInfo *made = nullptr;
    private_addSprite(L, "usage: newSprite(<String sprite type>, <Integer layer number>)", &made);
    if (made) {
        made->self.location[0] = getEnvironmentValue(kEnv_WorldOrigin_X) + 320.0f;
        made->self.location[1] = getEnvironmentValue(kEnv_WorldOrigin_Y) + 240.0f;
    }
    return 0;
}

static int lua_removeSprite(lua_State *L) {
    static const char usage[] = "usage: removeSprite(<Integer spriteRefNum>)";
    glLuaArgs_check(L, "n", usage);
    if (!getSpriteManagerObjectManager()) return glLuaArgs_raiseUsage(L, usage);
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (!sprite) return glLuaArgs_raiseUsage(L, "Error: No sprite defined for that reference number");
    sprite->self.removeMe = 1;  // destroyed at its next update
    return 0;
}

static const luaL_Reg definitionFunctions[] = {
    {"addSprite", lua_addSprite},
    {"newSprite", lua_newSprite},
    {"removeSprite", lua_removeSprite},
    {nullptr, nullptr},
};

void registerLuaSpriteDefinitionFunctions(lua_State *L) {
    for (const luaL_Reg *entry = definitionFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
