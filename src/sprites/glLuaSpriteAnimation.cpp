// glLuaSpriteAnimation: named frame animations of a sprite. An "animation"
// element of the sprite's definition becomes an array of animationInfo frames
// owned by the sprite: each frame's texture or texture rectangle, pause,
// mirror and offset from its attributes, and its collision file, move, velocity
// kick, pivot, event and sound from the elements that follow it. Sprites
// whose animation comes from the same element share one frame array, read
// only; a sprite that changes its frames (a move spent, movement cleared) gets
// its own copy first. Also the
// per-update stepping of the current frame and the five animation script
// functions. Frames are drawn by glLuaSpriteRender; frame collision outlines
// are read and cached by the collision module.

#include "sprites/glLuaSprite.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "audio/glSoundManager.h"
#include "core/glMemory.h"
#include "core/glXMLParser.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSpriteCollisions.h"
#include "sprites/glLuaSpriteEventManager.h"

// Pauses are seconds; the update step is 5 ms.
static const double kUpdatesPerSecond = 200.0;

static char *private_copyText(const char *text) {
    if (!text) return nullptr;
    return (char *)glMallocWithBytes((uint32_t)strlen(text) + 1, text);
}

static void private_freeText(char *text) {
    if (text) glFree(text, (uint32_t)strlen(text) + 1);
}

// A text replaced by a copy of another (the old one freed).
static void private_replaceText(char **slot, const char *text) {
    private_freeText(*slot);
    *slot = private_copyText(text);
}

static int private_truncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= (double)INT_MAX) return INT_MAX;
    if (value <= (double)INT_MIN) return INT_MIN;
    return (int)value;
}

// A numeric attribute read with "%f"; a missing or unreadable one counts as 0.
static float private_number(_treeNode *node, const char *name) {
    const char *text = glParseXML_getAttribute(node, name);
    float value = 0;
    if (!text || sscanf(text, "%f", &value) != 1) return 0;
    return value;
}

static int private_isTrue(_treeNode *node, const char *name) {
    const char *value = glParseXML_getAttribute(node, name);
    return value && !strcmp(value, "true");
}

static int private_isNamed(_treeNode *node, const char *name) {
    const char *nodeName = glParseXML_getName(node);
    return nodeName && !strcmp(nodeName, name);
}

// ---- Frame arrays ----

// A frame array lives behind this header. The holders are sprites and trail
// copies. An array read from an animation element can be found again by the
// element, the collision scale and the texture it was read with, as long as
// neither the document nor the texture registry has changed since.
struct alignas(16) private_frameBlock {
    int32_t holders;
    int32_t count;
    const _treeNode *animation;  // null once it can no longer be found
    float collisionScale;
    int32_t textureRef;
    uint32_t textureChanges;     // glTexture_changeCount() when read
    uint32_t documentRemovals;   // glParseXML_removalCount() when read
};

static std::unordered_multimap<const _treeNode *, private_frameBlock *> sharedFrames;

static private_frameBlock *private_block(const animationInfo *frames) {
    return (private_frameBlock *)frames - 1;
}

static animationInfo *private_framesOf(private_frameBlock *block) { return (animationInfo *)(block + 1); }

static uint32_t private_blockBytes(int count) {
    return (uint32_t)sizeof(private_frameBlock) + (uint32_t)count * (uint32_t)sizeof(animationInfo);
}

animationInfo *newLuaSpriteFrames(int count) {
    if (count <= 0) return nullptr;
    private_frameBlock *block = (private_frameBlock *)glMalloc(private_blockBytes(count));
    if (!block) return nullptr;
    block->holders = 1;
    block->count = count;
    return private_framesOf(block);
}

// The array can no longer be found (it is about to change, or is stale).
static void private_unshare(private_frameBlock *block) {
    if (!block->animation) return;
    auto range = sharedFrames.equal_range(block->animation);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == block) {
            sharedFrames.erase(it);
            break;
        }
    block->animation = nullptr;
}

void forgetSharedLuaSpriteFrames(void) {
    for (auto &entry : sharedFrames) entry.second->animation = nullptr;
    sharedFrames.clear();
}

void releaseLuaSpriteFrames(animationInfo *frames) {
    if (!frames) return;
    private_frameBlock *block = private_block(frames);
    if (--block->holders > 0) return;
    private_unshare(block);
    for (int i = 0; i < block->count; i++) {
        private_freeText(frames[i].event);
        private_freeText(frames[i].sound);
        private_freeText(frames[i].collisionKey);
    }
    glFree(block, private_blockBytes(block->count));
}

animationInfo *shareLuaSpriteFrames(animationInfo *frames) {
    if (frames) private_block(frames)->holders++;
    return frames;
}

int luaSpriteFrameHolders(const animationInfo *frames) { return frames ? private_block(frames)->holders : 0; }

animationInfo *writableLuaSpriteFrames(luaSpriteInfoRec *rec) {
    if (!rec || !rec->animationArray) return nullptr;
    private_frameBlock *block = private_block(rec->animationArray);
    if (block->holders == 1) {
        private_unshare(block);
        return rec->animationArray;
    }
    animationInfo *copy = newLuaSpriteFrames(block->count);
    if (!copy) return nullptr;
    memcpy(copy, rec->animationArray, (size_t)block->count * sizeof(animationInfo));
    for (int i = 0; i < block->count; i++) {
        copy[i].event = private_copyText(copy[i].event);
        copy[i].sound = private_copyText(copy[i].sound);
        copy[i].collisionKey = private_copyText(copy[i].collisionKey);
    }
    noteLuaSpriteChanged(rec);  // the frames' address is not among the fields every update writes
    block->holders--;
    rec->animationArray = copy;
    return copy;
}

static void private_dropFrames(luaSpriteInfoRec *rec) {
    releaseLuaSpriteFrames(rec->animationArray);
    rec->animationArray = nullptr;
    rec->numberOfAnimations = 0;
    rec->currentFace = 0;
}

// ---- Reading an animation ----

int frameCollisionKey(const char *file, const char *origin, float scale, char *key, int length) {
    if (!key || length < 0) length = 0;
    char scaleText[64] = "";
    if (scale != 1.0f) snprintf(scaleText, sizeof(scaleText), "%0.2f", scale);
    if (!file) file = "";
    const char *slash = strrchr(file, '/');
    int directory = slash ? (int)(slash - file) + 1 : 0;
    return snprintf(length ? key : nullptr, (size_t)length, "%.*s%s%s%s", directory, file, scaleText, file + directory, origin ? origin : "");
}

static void private_readCollision(_treeNode *node, animationInfo *frame, const luaSpriteInfoRec *rec) {
    const char *file = glParseXML_getAttribute(node, "file");
    if (!file) return;
    const char *origin = glParseXML_getAttribute(node, "origin");
    int needed = frameCollisionKey(file, origin, rec->collisionScaleValue, nullptr, 0);
    if (needed < 0) return;
    char *key = (char *)glMalloc((uint32_t)needed + 1);
    if (!key) return;
    frameCollisionKey(file, origin, rec->collisionScaleValue, key, needed + 1);
    private_freeText(frame->collisionKey);
    frame->collisionKey = key;
    frame->collisionFile = file;
    int ox = 0, oy = 0;
    if (origin && sscanf(origin, "(%d, %d)", &ox, &oy) != 2) ox = oy = 0;
    frame->collisionOffset[0] = ox;
    frame->collisionOffset[1] = oy;
    // Scaled outlines mirror within the scaled frame.
    float scale = rec->collisionScaleValue;
    int tx = 0, ty = 0;
    glTexture_getOrigin(frame->textureRef, &tx, &ty);
    frame->colRec = loadCollisionRecordFromFile(key, file, scale, tx + ox, ty + oy, (int)((float)frame->width * scale),
                                                (int)((float)frame->height * scale));
}

// One modifier element following a frame.
static void private_applyModifier(_treeNode *node, animationInfo *frame, const luaSpriteInfoRec *rec) {
    if (private_isNamed(node, "collision")) {
        private_readCollision(node, frame, rec);
    } else if (private_isNamed(node, "move")) {
        float move[3] = {private_number(node, "x"), private_number(node, "y"), private_number(node, "z")};
        frame->smoothMove = glParseXML_getAttribute(node, "smooth") ? 1 : 0;
        // A smooth move is spread evenly over the frame's updates.
        float divisor = frame->smoothMove && frame->pauseTime > 0 ? (float)frame->pauseTime : 1.0f;
        for (int i = 0; i < 3; i++) frame->move[i] = move[i] / divisor;
    } else if (private_isNamed(node, "velocity")) {
        frame->set_velocity[0] = private_number(node, "x");
        frame->set_velocity[1] = private_number(node, "y");
        frame->set_velocity[2] = private_number(node, "z");
    } else if (private_isNamed(node, "origin")) {
        frame->sprite_origin[0] = -private_number(node, "x");
        frame->sprite_origin[1] = -private_number(node, "y");
        frame->sprite_origin[2] = -private_number(node, "z");
        frame->set_origin = 1;
    } else if (private_isNamed(node, "event")) {
        private_replaceText(&frame->event, glParseXML_getAttribute(node, "name"));
    } else if (private_isNamed(node, "sound")) {
        private_replaceText(&frame->sound, glParseXML_getAttribute(node, "name"));
    }
}

// A frame's own attributes: its image, offset, mirror and pause.
static void private_readFrame(_treeNode *node, animationInfo *frame, const luaSpriteInfoRec *rec) {
    const char *textureName = glParseXML_getAttribute(node, "texture");
    int texture = textureName ? glTexture_getReference(textureName) : -1;
    frame->textureRef = texture >= 0 ? texture : rec->textureRef;
    int width = 0, height = 0;
    int loaded = glTexture_getTextureDimensions(frame->textureRef, &width, &height) && width > 0 && height > 0;
    const char *rect = glParseXML_getAttribute(node, "rect");
    int x, y, w, h;
    if (rect && loaded && sscanf(rect, "%d, %d, %d, %d", &x, &y, &w, &h) == 4) {
        frame->u1 = (float)x / (float)width;
        frame->t1 = (float)y / (float)height;
        frame->u2 = (float)((double)x + w) / (float)width;
        frame->t2 = (float)((double)y + h) / (float)height;
        frame->width = w;
        frame->height = h;
        frame->cellAnimation = 1;
    } else {
        frame->u1 = frame->t1 = 0;
        frame->u2 = frame->t2 = 1;
        frame->width = loaded ? width : 0;
        frame->height = loaded ? height : 0;
        frame->cellAnimation = 0;
    }
    const char *origin = glParseXML_getAttribute(node, "origin");
    int ox, oy;
    if (origin && sscanf(origin, "(%d, %d)", &ox, &oy) == 2) {
        frame->origin[0] = (float)ox;
        frame->origin[1] = (float)oy;
    }
    frame->flipped = (int16_t)((private_isTrue(node, "flipHorizontal") ? 1 : 0) | (private_isTrue(node, "flipVertical") ? 2 : 0));
    // Read in double precision: as a float, "0.01" would come out a hair short of two updates.
    const char *pause = glParseXML_getAttribute(node, "pause");
    double seconds = 0;
    if (pause && sscanf(pause, "%lf", &seconds) == 1) frame->pauseTime = private_truncToInt(seconds * kUpdatesPerSecond);
}

// The n-th "animation" element of the definition named `name`, or null.
static _treeNode *private_findAnimation(_treeNode *definition, const char *name) {
    if (!definition) return nullptr;
    for (int n = 1;; n++) {
        _treeNode *node = glParseXML_getNodeFromURL(definition, n, "xml://animation");
        if (!node) return nullptr;
        const char *nodeName = glParseXML_getAttribute(node, "name");
        if (nodeName && !strcmp(nodeName, name)) return node;
    }
}

// A move that is not smooth is spent once applied: that sprite's frames change.
static void private_spendMove(luaSpriteInfoRec *rec, int face) {
    const float *move = rec->animationArray[face].move;
    if (move[0] == 0 && move[1] == 0 && move[2] == 0) return;
    animationInfo *frames = writableLuaSpriteFrames(rec);
    if (frames) frames[face].move[0] = frames[face].move[1] = frames[face].move[2] = 0;
}

// The current frame's move, added once (without the speed factor) and spent.
static void private_startFrameMove(luaSpriteInfoRec *rec) {
    const animationInfo *frame = &rec->animationArray[rec->currentFace];
    if (frame->smoothMove) return;
    for (int i = 0; i < 3; i++) rec->location[i] += frame->move[i];
    private_spendMove(rec, rec->currentFace);
}

// The frames of an animation element as read for this record: an array
// already read the same way, shared, or a new one. Null without frames.
static animationInfo *private_framesFor(_treeNode *animation, const luaSpriteInfoRec *rec, int count) {
    uint32_t textureChanges = glTexture_changeCount(), documentRemovals = glParseXML_removalCount();
    auto range = sharedFrames.equal_range(animation);
    for (auto it = range.first; it != range.second;) {
        private_frameBlock *block = it->second;
        ++it;  // a stale block leaves the table here
        if (block->textureChanges != textureChanges || block->documentRemovals != documentRemovals) {
            private_unshare(block);
        } else if (block->collisionScale == rec->collisionScaleValue && block->textureRef == rec->textureRef) {
            return shareLuaSpriteFrames(private_framesOf(block));
        }
    }
    animationInfo *frames = newLuaSpriteFrames(count);
    if (!frames) return nullptr;
    int current = -1;
    for (_treeNode *node = getChild(animation, 0); node; node = getSibling(node)) {
        if (private_isNamed(node, "frame")) {
            if (++current >= count) break;
            private_readFrame(node, &frames[current], rec);
        } else if (current >= 0) {
            private_applyModifier(node, &frames[current], rec);
        }
    }
    // Reading may load nothing, but check again: only what was read unchanged is shared.
    if (glTexture_changeCount() == textureChanges && glParseXML_removalCount() == documentRemovals) {
        private_frameBlock *block = private_block(frames);
        block->animation = animation;
        block->collisionScale = rec->collisionScaleValue;
        block->textureRef = rec->textureRef;
        block->textureChanges = textureChanges;
        block->documentRemovals = documentRemovals;
        sharedFrames.emplace(animation, block);
    }
    return frames;
}

int setLuaSpriteAnimation(luaSpriteInfoRec *rec, const char *name, int randomStart) {
    if (!rec || !name) return 0;
    _treeNode *animation = private_findAnimation(rec->xmlDataPtr, name);
    if (!animation) return 0;
    private_dropFrames(rec);
    rec->currentAnimation = glParseXML_getAttribute(animation, "name");
    rec->animationSerial++;
    int count = glParseXML_countChildrenOfType(animation, "frame");
    animationInfo *frames = private_framesFor(animation, rec, count);
    if (frames) {
        rec->animationArray = frames;
        rec->numberOfAnimations = count;
    }
    rec->currentFace = 0;
    rec->updateTick = 0;
    // An animation without frames has no sound, no random start and no move.
    if (!rec->animationArray) return 1;
    if (frames[0].sound) playGroupSoundGroup(frames[0].sound, 0);
    if (randomStart) rec->currentFace = rand() % rec->numberOfAnimations;
    private_startFrameMove(rec);
    return 1;
}

void removeLuaSpriteAnimation(luaSpriteInfoRec *rec) {
    if (!rec) return;
    if (rec->animationArray && rec->numberOfAnimations > 0 && rec->currentFace >= 0 &&
        rec->currentFace < rec->numberOfAnimations)
        for (int i = 0; i < 3; i++) rec->location[i] += rec->animationArray[rec->currentFace].move[i];
    private_dropFrames(rec);
    rec->animationSerial++;
    rec->currentFace = 0;
    rec->updateTick = 0;
}

// ---- Stepping ----

void stepLuaSpriteAnimation(luaSpriteInfoRec *rec) {
    const animationInfo *frames = rec->animationArray;
    int count = rec->numberOfAnimations;
    if (!frames || count <= 0) return;
    if (rec->currentFace < 0 || rec->currentFace >= count) rec->currentFace = 0;
    const float speed = rec->speedMultiplier;
    int face = rec->currentFace;
    const animationInfo *frame = &frames[face];
    for (int i = 0; i < 3; i++) {
        rec->last_move[i] = frame->move[i];
        rec->location[i] += speed * frame->move[i];
    }
    if (++rec->updateTick >= frame->pauseTime) {
        rec->updateTick = 0;
        if (++rec->currentFace >= count) {
            rec->currentFace = 0;
            rec->animationChangeFlag = 1;
        }
        face = rec->currentFace;
        frame = &frames[face];
        if (frame->set_origin) {
            noteLuaSpriteChanged(rec);  // the origin is not among the fields every update writes
            for (int i = 0; i < 3; i++) rec->origin[i] = frame->sprite_origin[i];
        }
        for (int i = 0; i < 3; i++) rec->velocity[i] += frame->set_velocity[i];
        if (frame->event) {
            int serial = rec->animationSerial;
            sendEventToSprite(rec->spriteRef, frame->event);
            // The event script may have replaced or removed the animation, or
            // made the sprite's frames its own.
            if (rec->animationSerial != serial || !rec->animationArray || rec->numberOfAnimations != count ||
                rec->currentFace >= count)
                return;
            frame = &rec->animationArray[face];
        }
        if (frame->sound && rec->currentFace != 0) playGroupSoundGroup(frame->sound, 0);
    }
    if (!frame->smoothMove) {
        for (int i = 0; i < 3; i++) rec->location[i] += speed * frame->move[i];
        private_spendMove(rec, face);
    }
}

// ---- Script functions ----

static luaSpriteInfoRec *private_sprite(lua_State *L) {
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    return sprite ? &sprite->self : nullptr;
}

static int lua_setSpriteAnimation(lua_State *L) {
    static const char usage[] = "usage: setSpriteAnimation(<Integer spriteRefNum>, <String xml_tag_name>)";
    glLuaSprite_checkAtLeast(L, "ns", usage);
    if (!getSpriteManagerObjectManager()) return glLuaArgs_raiseUsage(L, usage);
    const char *name = lua_tostring(L, 2);
    int randomStart = lua_gettop(L) == 3;
    luaSpriteInfoRec *rec = private_sprite(L);
    if (rec && !*name) {
        removeLuaSpriteAnimation(rec);
        return 0;
    }
    if (!rec || !setLuaSpriteAnimation(rec, name, randomStart)) {
        lua_pushfstring(L, "setSpriteAnimation: Unable to locate requested animation (%s)", name);
        return lua_error(L);
    }
    return 0;
}

static int lua_getSpriteAnimation(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: getSpriteAnimation(<Integer spriteRefNum>)");
    luaSpriteInfoRec *rec = private_sprite(L);
    if (!rec) return 0;
    if (rec->currentAnimation)
        lua_pushstring(L, rec->currentAnimation);
    else
        lua_pushnil(L);
    return 1;
}

static int lua_stopSpriteAnimation(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "n", "usage: stopSpriteAnimation(<Integer spriteRefNum>)");
    luaSpriteInfoRec *rec = private_sprite(L);
    if (rec) rec->pauseAnimation = 1;
    return 0;
}

static int lua_playSpriteAnimation(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "n", "usage: playSpriteAnimation(<Integer spriteRefNum>)");
    luaSpriteInfoRec *rec = private_sprite(L);
    if (rec) rec->pauseAnimation = 0;
    return 0;
}

// Back to frame 0 without applying its pivot, kick, event or sound.
static int lua_rewindSpriteAnimation(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "n", "usage: rewindSpriteAnimation(<Integer spriteRefNum>)");
    luaSpriteInfoRec *rec = private_sprite(L);
    if (!rec) return 0;
    rec->currentFace = 0;
    rec->updateTick = 0;
    return 0;
}

static const luaL_Reg animationFunctions[] = {
    {"setSpriteAnimation", lua_setSpriteAnimation},
    {"getSpriteAnimation", lua_getSpriteAnimation},
    {"playSpriteAnimation", lua_playSpriteAnimation},
    {"stopSpriteAnimation", lua_stopSpriteAnimation},
    {"rewindSpriteAnimation", lua_rewindSpriteAnimation},
    {nullptr, nullptr},
};

void registerLuaSpriteAnimationFunctions(lua_State *L) {
    for (const luaL_Reg *entry = animationFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
