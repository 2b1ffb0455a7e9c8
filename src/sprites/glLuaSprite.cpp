// glLuaSprite: the sprite manager. Owns the reference table (reference ->
// record, lowest free slot reused), creates and destroys sprite records, keeps
// the sixteen environment globals, computes the world bounds, moves the camera
// after the focus sprite and registers every sprite script name.

#include "sprites/glLuaSprite.h"

#include "graphics/glObject.h"

#include <GL/gl.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/glLuaSoundManager.h"
#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "effects/glLuaScreenTransition.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "script/glLuaEnvironmentGlue.h"
#include "sprites/glLuaSpriteCollisions.h"
#include "sprites/glLuaSpriteEventManager.h"

static lua_State *luaRef = nullptr;
static _treeNode *objMgr = nullptr;
static _treeNode *xmlData = nullptr;
static int gUpdateCameraPosition = 0;
static int selectedSprite = -1;
static int newSprite = -1;
static luaSpriteInfoRec *gSlashSprite = nullptr;
static int collisionOverlayMode = 0;

static luaSpriteInfo **spriteReferenceArray = nullptr;
static int referenceArraySize = 0;
static int numberOfLuaSprites = 0;
// No slot below this one is free: a level adding thousands of sprites does not
// scan the taken ones again for each.
static int lowestFreeSlot = 0;

static float environment_globals[kEnvironmentGlobals];
static const char *const environment_names[kEnvironmentGlobals] = {
    "kEnv_Gravity_X",          "kEnv_Gravity_Y",          "kEnv_Gravity_Z",
    "kEnv_Bgcolor_R",          "kEnv_Bgcolor_G",          "kEnv_Bgcolor_B",
    "kEnv_Bgcolor_A",          "kEnv_WorldBounds_Left",   "kEnv_WorldBounds_Right",
    "kEnv_WorldBounds_Bottom", "kEnv_WorldBounds_Top",    "kEnv_WorldOrigin_X",
    "kEnv_WorldOrigin_Y",      "kEnv_WorldOrigin_Velocity_X", "kEnv_WorldOrigin_Velocity_Y",
    "kEnv_CameraSpriteFocus",
};

// Bounds that mean "not computed yet": left above right, bottom above top.
static const float kUnsetLeft = 10000.0f, kUnsetRight = -10000.0f;
static const float kUnsetBottom = 10000.0f, kUnsetTop = -10000.0f;
// The view is 640 x 480 units; the focus sprite sits 256 units from its left
// edge and half a view above its bottom edge.
static const float kViewWidth = 640.0f, kViewHeight = 480.0f;
static const float kCameraLeadX = 256.0f, kCameraLeadY = 240.0f;

// A float truncated toward zero, clamped to the int range (NaN gives 0).
static int private_truncToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= (float)INT_MAX) return INT_MAX;
    if (value <= (float)INT_MIN) return INT_MIN;
    return (int)value;
}

static char *private_copyText(const char *text) {
    if (!text) return nullptr;
    uint32_t size = (uint32_t)strlen(text) + 1;
    return (char *)glMallocWithBytes(size, text);
}

static void private_freeText(char *text) {
    if (text) glFree(text, (uint32_t)strlen(text) + 1);
}

// ---- Environment globals ----

int environmentGlobalIndex(const char *name) {
    if (!name) return -1;
    for (int i = 0; i < kEnvironmentGlobals; i++)
        if (!strcmp(name, environment_names[i])) return i;
    return -1;
}

const char *environmentGlobalName(int index) {
    return index >= 0 && index < kEnvironmentGlobals ? environment_names[index] : nullptr;
}

float getEnvironmentValue(int index) {
    return index >= 0 && index < kEnvironmentGlobals ? environment_globals[index] : 0.0f;
}

float *environmentGlobalReference(int index) {
    return index >= 0 && index < kEnvironmentGlobals ? &environment_globals[index] : nullptr;
}

void resetLuaSpriteOpenGLGlobals(void) {
    glClearColor(environment_globals[kEnv_Bgcolor_R], environment_globals[kEnv_Bgcolor_G],
                 environment_globals[kEnv_Bgcolor_B], environment_globals[kEnv_Bgcolor_A]);
}

void setEnvironmentValue(int index, float value) {
    if (index < 0 || index >= kEnvironmentGlobals) return;
    environment_globals[index] = value;
    if (index >= kEnv_Bgcolor_R && index <= kEnv_Bgcolor_A) resetLuaSpriteOpenGLGlobals();
}

void resetSpriteEnvironmentAfterLoad(void) {
    environment_globals[kEnv_WorldBounds_Left] = kUnsetLeft;
    environment_globals[kEnv_WorldBounds_Right] = kUnsetRight;
    environment_globals[kEnv_WorldBounds_Bottom] = kUnsetBottom;
    environment_globals[kEnv_WorldBounds_Top] = kUnsetTop;
    environment_globals[kEnv_WorldOrigin_X] = 0;
    environment_globals[kEnv_WorldOrigin_Y] = 0;
    environment_globals[kEnv_WorldOrigin_Velocity_X] = 0;
    environment_globals[kEnv_WorldOrigin_Velocity_Y] = 0;
    environment_globals[kEnv_CameraSpriteFocus] = -1;
}

// ---- Reference table ----

// Before the first change since the last update, the whole rollback copy is
// kept: the first group as that update left it, the rest as it still is.
static void private_keepFormerRecord(luaSpriteInfo *sprite) {
    if (sprite->formerRecord || sprite->formerIsZero) return;
    luaSpriteInfoRec *copy = (luaSpriteInfoRec *)glMallocWithBytes(sizeof(luaSpriteInfoRec), &sprite->self);
    if (!copy) return;  // logged; a rollback then keeps this change
    memcpy(copy, &sprite->formerSelf, sizeof(luaSpriteStepFields));
    sprite->formerRecord = copy;
}

// Whoever asks for a sprite may change any of its record.
luaSpriteInfo *getSprite(int ref) {
    if (ref < 0 || ref >= referenceArraySize || !spriteReferenceArray) return nullptr;
    luaSpriteInfo *sprite = spriteReferenceArray[ref];
    if (sprite) private_keepFormerRecord(sprite);
    return sprite;
}

void noteLuaSpriteChanged(luaSpriteInfoRec *rec) {
    if (!rec || rec->spriteRef < 0 || rec->spriteRef >= referenceArraySize || !spriteReferenceArray) return;
    luaSpriteInfo *sprite = spriteReferenceArray[rec->spriteRef];
    // Trail copies carry the reference too, but are not the live record.
    if (sprite && &sprite->self == rec) private_keepFormerRecord(sprite);
}

_treeNode *getSpriteManagerObjectManager(void) { return objMgr; }
lua_State *getSpriteManagerLuaState(void) { return luaRef; }
_treeNode *getSpriteManagerXMLTree(void) { return xmlData; }
int getSpriteReferenceArraySize(void) { return referenceArraySize; }
int getNumberOfLuaSprites(void) { return numberOfLuaSprites; }
int getNewSpriteReference(void) { return newSprite; }
void setNewSpriteReference(int ref) { newSprite = ref; }
luaSpriteInfoRec *getSlashSprite(void) { return gSlashSprite; }
int getSelectedSprite(void) { return selectedSprite; }
void setSelectedSprite(int ref) { selectedSprite = ref; }
int getCollisionOverlayMode(void) { return collisionOverlayMode; }
void setCollisionOverlayMode(int on) { collisionOverlayMode = on; }

// Replaces the reference table by one of `size` slots (none for 0). Live
// sprites keep their references when they fit; the others lose their slot and
// are removed at their next update, so no reference ever names two records.
// Returns 0 when the new table could not be allocated (the sprites are then
// all without a slot).
static int private_replaceReferenceTable(int size) {
    luaSpriteInfo **table = nullptr;
    if (size > 0) table = (luaSpriteInfo **)glMalloc((uint32_t)size * (uint32_t)sizeof(luaSpriteInfo *));
    int dropped = 0;
    for (int i = 0; i < referenceArraySize && spriteReferenceArray; i++) {
        luaSpriteInfo *sprite = spriteReferenceArray[i];
        if (!sprite) continue;
        if (table && i < size) {
            table[i] = sprite;
        } else {
            sprite->self.removeMe = 1;
            dropped++;
        }
    }
    if (dropped) fprintf(stderr, "initSpriteManager: %d live sprites no longer fit and are removed\n", dropped);
    if (spriteReferenceArray) glFree(spriteReferenceArray, (uint32_t)referenceArraySize * (uint32_t)sizeof(luaSpriteInfo *));
    spriteReferenceArray = table;
    referenceArraySize = table ? size : 0;
    lowestFreeSlot = 0;
    return size <= 0 || table != nullptr;
}

// ---- Creation and destruction ----

static void private_setDefaults(luaSpriteInfoRec *rec, _treeNode *definition, const char *type, int layer, int ref) {
    for (int i = 0; i < kSpriteTexturesOwned; i++) rec->texturesLoaded[i] = -1;
    rec->speedMultiplier = 1.0f;
    rec->floor = (float)kSpriteNoFloor;
    for (int i = 0; i < 3; i++) rec->scale[i] = 1.0f;
    for (int i = 0; i < 4; i++) rec->color[i] = 1.0f;
    rec->collisionScaleValue = 1.0f;
    rec->parallaxValue = 1.0f;
    rec->projectile_base[1] = 1.0f;
    rec->targetSprite = -1;
    rec->relativeSprite = -1;
    rec->modelRef = nullptr;
    rec->textureRef = -1;
    rec->spriteRef = ref;
    rec->xmlDataPtr = definition;
    rec->alphabetRef = -1;
    rec->justification = 0;
    rec->alphabetCellSize = 16.0f;
    rec->layer = (int8_t)layer;
    rec->hidden = 0;
    rec->updateMethod = kUpdateOnRequest;
    rec->spriteType = private_copyText(type ? type : "");
}

int addLuaSprite(_treeNode *manager, _treeNode *definition, const char *type, int layer) {
    if (!manager) return -1;
    int ref = -1;
    for (int i = lowestFreeSlot; i < referenceArraySize && spriteReferenceArray; i++)
        if (!spriteReferenceArray[i]) {
            ref = i;
            break;
        }
    if (ref < 0) {
        fprintf(stderr, "Error: Unable to add sprite since it is beyond the number of sprites allowed\n");
        return -1;
    }
    luaSpriteInfo *sprite = (luaSpriteInfo *)glMalloc(sizeof(luaSpriteInfo));
    if (!sprite) return -1;
    // Layers outside the object manager's 0-19 are cut so the record and the
    // object manager agree on the drawing order.
    if (layer < 0) layer = 0;
    if (layer >= kObjectManagerLayers) layer = kObjectManagerLayers - 1;
    private_setDefaults(&sprite->self, definition, type, layer, ref);
    sprite->formerIsZero = 1;
    if (type && !strcmp(type, "slash")) gSlashSprite = &sprite->self;
    spriteReferenceArray[ref] = sprite;
    lowestFreeSlot = ref + 1;
    insertObject(manager, sprite, (uint32_t)layer, displayLuaSprite, updateLuaSprite, destructLuaSprite,
                 prefetchLuaSpriteUpdate, eventLuaSprite);
    numberOfLuaSprites++;
    return ref;
}

void destructLuaSprite(void *data) {
    luaSpriteInfo *sprite = (luaSpriteInfo *)data;
    if (!sprite) return;
    luaSpriteInfoRec *rec = &sprite->self;
    for (int i = 0; i < kSpriteTexturesOwned; i++) {
        if (rec->texturesLoaded[i] >= 0) glTexture_unloadTexture((int)rec->texturesLoaded[i]);
        rec->texturesLoaded[i] = -1;
    }
    removeSpriteFromAllCollisionGroups(rec);
    spriteEventManagerForgetSprite(rec);
    // Only this record's own slot is emptied: a sprite that lost its slot to a
    // new table must not clear the reference of whichever sprite holds it now.
    // Neither must the editor's selection or drag, which name references.
    if (rec->spriteRef >= 0 && rec->spriteRef < referenceArraySize && spriteReferenceArray &&
        spriteReferenceArray[rec->spriteRef] == sprite) {
        spriteReferenceArray[rec->spriteRef] = nullptr;
        if (rec->spriteRef < lowestFreeSlot) lowestFreeSlot = rec->spriteRef;
        if (selectedSprite == rec->spriteRef) selectedSprite = -1;
        spriteEditorForgetSprite(rec->spriteRef);
    }
    if (gSlashSprite == rec) gSlashSprite = nullptr;
    delete rec->modelRef;
    rec->modelRef = nullptr;
    releaseLuaSpriteFrames(rec->animationArray);
    private_freeText(rec->spriteType);
    private_freeText(rec->spriteDesc);
    private_freeText(rec->collideWithSpriteEvent);
    private_freeText(rec->collisionFileKey);
    destructTree(rec->pathList);
    destructTree(rec->accelerationBindingList);
    if (sprite->trail) {
        for (luaSpriteInfoRec *copy : sprite->trail->copies) {
            if (!copy) continue;
            // A trail copy owns only its share of the frames.
            releaseLuaSpriteFrames(copy->animationArray);
            glFree(copy, sizeof(luaSpriteInfoRec));
        }
        glFree(sprite->trail, sizeof(luaSpriteTrail));
    }
    glFree(sprite->formerRecord, sizeof(luaSpriteInfoRec));
    glFree(sprite, sizeof(luaSpriteInfo));
    numberOfLuaSprites--;
}

int updateLuaSprite(void *data, uint32_t frame) { return stepLuaSpriteMotion((luaSpriteInfo *)data, frame); }

// ---- Collision shapes and world bounds ----

collisionRec *getRecordCollisionShape(const luaSpriteInfoRec *rec, int *flipped) {
    *flipped = 0;
    collisionRec *shape = rec->colRec;
    if (shape && rec->cellAnimation) *flipped = rec->flippedTexture;
    if (rec->animationArray && rec->currentFace >= 0 && rec->currentFace < rec->numberOfAnimations) {
        const animationInfo *frame = &rec->animationArray[rec->currentFace];
        if (frame->colRec) {
            shape = frame->colRec;
            *flipped = frame->flipped;
        }
    }
    return shape;
}

collisionRec *getSpriteCollisionRecord(int spriteRef, int *flipped) {
    int ignored = 0;
    if (!flipped) flipped = &ignored;
    *flipped = 0;
    luaSpriteInfo *sprite = getSprite(spriteRef);
    return sprite ? getRecordCollisionShape(&sprite->self, flipped) : nullptr;
}

// Widens the bounds by every vertex of an immobile sprite's shape.
static void private_addShapeToBounds(const luaSpriteInfoRec *rec) {
    int flipped = 0;
    collisionRec *shape = getRecordCollisionShape(rec, &flipped);
    if (!shape || !shape->polygonList) return;
    float *g = environment_globals;
    for (_treeNode *node = getChild(shape->polygonList, 0); node; node = getSibling(node)) {
        const polygonRec *polygon = (const polygonRec *)getData(node);
        if (!polygon || !polygon->polygon) continue;
        for (int i = 0; i < polygon->numVerts; i++) {
            float x = polygon->polygon[i].p[0], y = polygon->polygon[i].p[1];
            if (flipped & 1) x = shape->width - x;
            if (flipped & 2) y = shape->height - y;
            x += rec->location[0];
            y += rec->location[1];
            if (x > g[kEnv_WorldBounds_Right]) g[kEnv_WorldBounds_Right] = x;
            if (x < g[kEnv_WorldBounds_Left]) g[kEnv_WorldBounds_Left] = x;
            if (y > g[kEnv_WorldBounds_Top]) g[kEnv_WorldBounds_Top] = y;
            if (y < g[kEnv_WorldBounds_Bottom]) g[kEnv_WorldBounds_Bottom] = y;
        }
    }
}

void calculateWorldBoundsFromSpritePositions(void) {
    float *g = environment_globals;
    if (g[kEnv_WorldBounds_Right] == kUnsetRight && g[kEnv_WorldBounds_Left] == kUnsetLeft &&
        g[kEnv_WorldBounds_Bottom] == kUnsetBottom && g[kEnv_WorldBounds_Top] == kUnsetTop) {
        for (uint32_t layer = 0; layer < kObjectManagerLayers; layer++)
            for (_treeNode *node = objectEnumerator(objMgr, layer); node; node = getSibling(node)) {
                if (getObjectDrawFunc(node) != displayLuaSprite) continue;
                const luaSpriteInfo *sprite = (const luaSpriteInfo *)getObjectData(node);
                if (sprite && sprite->self.immobile) private_addShapeToBounds(&sprite->self);
            }
    }
    // The world always covers at least the first screen.
    if (g[kEnv_WorldBounds_Right] < kViewWidth) g[kEnv_WorldBounds_Right] = kViewWidth;
    if (g[kEnv_WorldBounds_Left] > 0) g[kEnv_WorldBounds_Left] = 0;
    if (g[kEnv_WorldBounds_Top] < kViewHeight) g[kEnv_WorldBounds_Top] = kViewHeight;
    if (g[kEnv_WorldBounds_Bottom] > 0) g[kEnv_WorldBounds_Bottom] = 0;
}

// ---- Per-update work ----

void preupdateLuaSpriteManager(void) { selectedSprite = -1; }

// The camera keeps the focus sprite 256 units from the view's left edge while
// it moves sideways (or once after a level load) and follows it vertically
// every update; only sprites with a collision shape steer it.
static void private_followFocusSprite(void) {
    float *g = environment_globals;
    int focus = private_truncToInt(g[kEnv_CameraSpriteFocus]);
    luaSpriteInfo *sprite = getSprite(focus);
    int flipped = 0;
    if (!sprite || !getSpriteCollisionRecord(focus, &flipped)) return;
    float dx = sprite->self.location[0] - sprite->formerSelf.location[0];
    if (dx != 0 || gUpdateCameraPosition) {
        float x = sprite->self.location[0] - kCameraLeadX;
        if (x > g[kEnv_WorldBounds_Right] - kViewWidth) x = g[kEnv_WorldBounds_Right] - kViewWidth;
        if (x < g[kEnv_WorldBounds_Left]) x = g[kEnv_WorldBounds_Left];  // a narrow world keeps its left edge
        g[kEnv_WorldOrigin_X] = x;
        gUpdateCameraPosition = 0;
    }
    float y = sprite->self.location[1] - kCameraLeadY;
    if (y < g[kEnv_WorldBounds_Bottom]) y = g[kEnv_WorldBounds_Bottom];
    g[kEnv_WorldOrigin_Y] = y;
}

void updateLuaSpriteManager(void) {
    if (isLevelEditorActive()) {
        updateSpriteEditor();
        return;
    }
    checkForCollisions();
    runScheduledSpriteEvents();
    private_followFocusSprite();
}

// ---- Start-up ----

void setLuaSpriteManagerXMLTree(_treeNode *tree) {
    xmlData = tree;
    gUpdateCameraPosition = 1;
    // The host resets the bounds right after handing over a new document; doing
    // it here as well keeps a level from ever starting with the previous bounds.
    resetSpriteEnvironmentAfterLoad();
}

static void private_registerAll(lua_State *L);

void initLuaSpriteManager(lua_State *L, _treeNode *manager) {
    luaRef = L;
    objMgr = manager;
    for (float &value : environment_globals) value = 0;
    gUpdateCameraPosition = 0;
    selectedSprite = newSprite = -1;
    collisionOverlayMode = 0;
    resetSpriteEditor();
    initScreenTransitionTransitions(L, manager);
    private_registerAll(L);
    initLuaSpriteSoundManager(L);
    initLuaSpriteCollisionManager(L, manager);
    initLuaSpriteEventManager(L, manager);
    initLuaEnvironmentGlue(L);
}

void destructLuaSpriteManager(void) {
    forgetSharedLuaSpriteFrames();  // they name collision shapes freed here
    destructLuaSpriteCollisionManager();
    destructLuaSpriteEventManager();
    // Sprites still alive are destroyed with the object manager and find no slot.
    if (spriteReferenceArray) glFree(spriteReferenceArray, (uint32_t)referenceArraySize * (uint32_t)sizeof(luaSpriteInfo *));
    spriteReferenceArray = nullptr;
    referenceArraySize = 0;
    lowestFreeSlot = 0;
    luaRef = nullptr;
    xmlData = nullptr;
}

// ---- Script functions ----

void glLuaSprite_checkAtLeast(lua_State *L, const char *signature, const char *usage) {
    int count = (int)strlen(signature);
    if (lua_gettop(L) < count) glLuaArgs_raiseUsage(L, usage);
    for (int i = 0; i < count; i++) {
        int ok = 1;
        switch (signature[i]) {
        case 'n': ok = glLuaArgs_isNumber(L, i + 1); break;
        case 's': ok = glLuaArgs_isString(L, i + 1); break;
        case 'b': ok = glLuaArgs_isBoolean(L, i + 1); break;
        default: break;
        }
        if (!ok) glLuaArgs_raiseUsage(L, usage);
    }
}

static int lua_initSpriteManager(lua_State *L) {
    static const char usage[] = "usage: initSpriteManager(<Integer max number of sprites>)";
    glLuaArgs_check(L, "n", usage);
    int max = glLuaArgs_toInt(L, 1);
    if (max < 1) {
        private_replaceReferenceTable(0);  // no sprite can be made until a valid call
        return glLuaArgs_raiseUsage(L, usage);
    }
    if (max > kSpriteMaxReferences) {
        fprintf(stderr, "initSpriteManager: %d sprites asked for, %d allowed\n", max, (int)kSpriteMaxReferences);
        max = kSpriteMaxReferences;
    }
    if (!private_replaceReferenceTable(max))
        return glLuaArgs_raiseUsage(L, "initSpriteManager: Unable to allocate memory for the requested number of sprites");
    return 0;
}

static int lua_getSpriteParameter(lua_State *L) {
    if (!glLuaArgs_hasCount(L, 1) || !glLuaArgs_isNumber(L, 1)) return 0;
    const char *text = getSpriteParameterText(glLuaArgs_toInt(L, 1));
    if (text && *text)
        lua_pushstring(L, text);
    else
        lua_pushnil(L);
    return 1;
}

static int lua_setEnvironmentGlobal(lua_State *L) {
    glLuaArgs_check(L, "sn", "usage: setEnvironmentGlobal(<String variable name>, <Double value>)");
    setEnvironmentValue(environmentGlobalIndex(lua_tostring(L, 1)), (float)lua_tonumber(L, 2));
    return 0;
}

static int lua_getEnvironmentGlobal(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: getEnvironmentGlobal(<String variable name>)");
    int index = environmentGlobalIndex(lua_tostring(L, 1));
    if (index < 0) return glLuaArgs_raiseUsage(L, "Environment variable does not exist");
    lua_pushnumber(L, environment_globals[index]);
    return 1;
}

static const luaL_Reg managerFunctions[] = {
    {"initSpriteManager", lua_initSpriteManager},
    {"getSpriteParameter", lua_getSpriteParameter},
    {"setEnvironmentGlobal", lua_setEnvironmentGlobal},
    {"getEnvironmentGlobal", lua_getEnvironmentGlobal},
    {nullptr, nullptr},
};

void registerLuaSpriteManagerFunctions(lua_State *L) {
    for (const luaL_Reg *entry = managerFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}

static void private_registerAll(lua_State *L) {
    if (!L) return;
    registerLuaSpriteManagerFunctions(L);
    registerLuaSpriteDefinitionFunctions(L);
    registerLuaSpriteRenderFunctions(L);
    registerLuaSpritePropertyFunctions(L);
    registerLuaSpritePlacementFunctions(L);
    registerLuaSpriteAnimationFunctions(L);
    registerLuaSpritePathFunctions(L);
    registerLuaSpriteControlFunctions(L);
    registerLuaSpriteEditorFunctions(L);
}
