// glLuaSpriteCollisions: collision groups and the pass that resolves them
// once per update step, after every sprite moved. Sprites only meet when they
// share a named group. In an ordinary group a contact runs both sprites'
// collision scripts (or passes lift between them); the group
// "game_platform" pairs moving sprites with immobile ones, the platforms, and
// resolves each contact by the platform rules: pass-through directions, the
// flag of the outline edge the mover crossed, separation, bouncing with the
// mover's elasticity, resting and the landing script. Within a group the
// earlier member of a pair is always its first sprite, and pairs are resolved
// in group order; the platform group finds its candidate pairs through a
// grid, which changes only how fast the same pairs are found.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/glMemory.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSpriteCollisions.h"
#include "sprites/glLuaSpriteEventManager.h"

static const char kPlatformGroup[] = "game_platform";
// How far a contact may push a sprite out of a platform.
static const float kSeparationDistance = 10.0f;
// Separation stops bisecting when the free and touching coordinates are this close.
static const float kSeparationPrecision = 0.1f;
// Collide-only-with pairings are spread over this many phases.
static const int kPairingPhases = 5;

static _treeNode *collisionGroupTree = nullptr;
// Set only while a landing script runs, for forcePlatformSeparation.
static luaSpriteInfoRec *gSprite = nullptr;
static const float *gSpriteFormer = nullptr;  // its location at the start of the update
static luaSpriteInfoRec *gPlatform = nullptr;
static int gCollisionCounter = 0;
// Scripts and events run by the pass so far: after one ran, anything may have moved.
static unsigned long scriptRuns = 0;
// Nested passes (a script may force one) leave the clean-up to the outermost.
static int passDepth = 0;
static int platformGridOn = 1;

// ---- Groups ----

void initCollisionGroups(void) {
    destructTree(collisionGroupTree);
    collisionGroupTree = createTree();
    gSprite = gPlatform = nullptr;
    gSpriteFormer = nullptr;
    gCollisionCounter = 0;
}

void destructCollisionGroups(void) {
    destructTree(collisionGroupTree);
    collisionGroupTree = nullptr;
}

_treeNode *getCollisionGroup(const char *name) {
    if (!name) return nullptr;
    for (_treeNode *group = getChild(collisionGroupTree, 0); group; group = getSibling(group)) {
        const char *groupName = (const char *)getData(group);
        if (groupName && !strcmp(groupName, name)) return group;
    }
    return nullptr;
}

void addSpriteToCollisionGroup(const char *name, luaSpriteInfoRec *sprite) {
    if (!name || !sprite || !collisionGroupTree) return;
    _treeNode *group = getCollisionGroup(name);
    if (!group) group = addChild(collisionGroupTree, name, (int32_t)strlen(name) + 1);
    collisionGroupNode entry = {sprite, 1};
    // Movers before platforms: the pass relies on it.
    if (sprite->immobile)
        addChild(group, &entry, (int32_t)sizeof(entry));
    else
        addChildToFront(group, &entry, (int32_t)sizeof(entry));
}

static void private_invalidate(_treeNode *group, const luaSpriteInfoRec *sprite) {
    for (_treeNode *node = getChild(group, 0); node; node = getSibling(node)) {
        collisionGroupNode *entry = (collisionGroupNode *)getData(node);
        if (entry->target == sprite) entry->valid = 0;
    }
}

void removeSpriteFromCollisionGroup(const char *name, luaSpriteInfoRec *sprite) {
    private_invalidate(getCollisionGroup(name), sprite);
}

void removeSpriteFromAllCollisionGroups(luaSpriteInfoRec *sprite) {
    for (_treeNode *group = getChild(collisionGroupTree, 0); group; group = getSibling(group))
        private_invalidate(group, sprite);
}

void removeAllCollisionGroups(void) {
    destructTree(collisionGroupTree);
    collisionGroupTree = createTree();
}

void cleanupCollisionGroups(void) {
    for (_treeNode *group = getChild(collisionGroupTree, 0); group; group = getSibling(group)) {
        int index = 0;
        for (_treeNode *node = getChild(group, 0); node;) {
            _treeNode *next = getSibling(node);
            if (!((collisionGroupNode *)getData(node))->valid)
                removeChild(group, index);
            else
                index++;
            node = next;
        }
    }
}

// ---- Separation ----

int separateSprites(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform, float *position, const float *formerPosition,
                    float direction, float distance) {
    float inside = *position, outside = *position + direction * distance, best = outside;
    if (!collideSpriteRecords(sprite, platform, nullptr)) return 0;
    *position = *formerPosition;
    if (!collideSpriteRecords(sprite, platform, nullptr)) return 0;
    do {
        *position = (outside + inside) * 0.5f;
        if (collideSpriteRecords(sprite, platform, nullptr)) {
            inside = *position;
        } else {
            outside = *position;
            best = *position;
        }
    } while (fabsf(outside - inside) > kSeparationPrecision);
    *position = best;
    return collideSpriteRecords(sprite, platform, nullptr);
}

void delayedPlatformSeparation(void) {
    if (!gSprite || !gSpriteFormer || !gPlatform) return;
    separateSprites(gSprite, gPlatform, &gSprite->location[1], &gSpriteFormer[1], 1, kSeparationDistance);
}

// ---- Resolving a pair ----

static int private_passingThrough(const luaSpriteInfoRec *sprite, const luaSpriteInfoRec *platform) {
    for (void *slot : sprite->pastPlatformCollisions)
        if (slot == platform) return 1;
    return 0;
}

// The platform goes into the first empty slot; 0 when all are full.
static int private_recordPassing(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform) {
    for (void *&slot : sprite->pastPlatformCollisions)
        if (!slot) {
            slot = platform;
            return 1;
        }
    return 0;
}

static void private_forgetPlatform(luaSpriteInfoRec *sprite, const luaSpriteInfoRec *platform) {
    for (void *&slot : sprite->pastPlatformCollisions)
        if (slot == platform) {
            noteLuaSpriteChanged(sprite);
            slot = nullptr;
        }
}

static void private_clearBindingVelocities(luaSpriteInfoRec *sprite) {
    for (_treeNode *node = getChild(sprite->accelerationBindingList, 0); node; node = getSibling(node)) {
        accelerationBinding *binding = (accelerationBinding *)getData(node);
        if (binding) binding->velocity[0] = binding->velocity[1] = binding->velocity[2] = 0;
    }
}

static void private_sendEvent(luaSpriteInfoRec *sprite, const char *event) {
    scriptRuns++;
    sendEventToSprite(sprite->spriteRef, event);
}

static void private_landingScript(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform) {
    if (!sprite->endAnimationWhenLandOnPlatform) return;
    sprite->endAnimationWhenLandOnPlatform = 0;
    // A landing script may force a pass that runs another landing script.
    luaSpriteInfoRec *outerSprite = gSprite, *outerPlatform = gPlatform;
    const float *outerFormer = gSpriteFormer;
    gSpriteFormer = formerSpriteLocation(sprite);
    gSprite = sprite;
    gPlatform = platform;
    scriptRuns++;
    runLuaSpriteUpdateScript(sprite);
    gSprite = outerSprite;
    gPlatform = outerPlatform;
    gSpriteFormer = outerFormer;
}

// Put back above the platform, bounced by the elasticity; a resting sprite
// stays where it was put, no more than one step of its fall above the outline.
static void private_land(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform, int resting) {
    separateSprites(sprite, platform, &sprite->location[1], &formerSpriteLocation(sprite)[1], 1,
                    kSeparationDistance);
    sprite->velocity[1] = resting ? 0 : -sprite->elasticity * sprite->velocity[1];
    sprite->velocity[0] = sprite->velocity[0] * sprite->elasticity;
    private_landingScript(sprite, platform);
}

static void private_separateOn(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform, int axis, float direction) {
    separateSprites(sprite, platform, &sprite->location[axis], &formerSpriteLocation(sprite)[axis], direction,
                    kSeparationDistance);
}

static void private_platformContact(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform, int edgeFlag) {
    if (private_passingThrough(sprite, platform)) return;
    noteLuaSpriteChanged(sprite);
    // A sprite whose fall is no faster than one step of gravity (its speed
    // multiplier included) has come to rest: it leaves the platform group at
    // its next update with its gravity off. Its fall stops here, so gravity
    // does not pull it once more into the platform before that.
    float gravityY = getEnvironmentValue(kEnv_Gravity_Y) * fmaxf(1.0f, sprite->speedMultiplier);
    int resting = 0;
    if ((!sprite->spriteType || strcmp(sprite->spriteType, "slash")) && sprite->subjectToGravity &&
        sprite->velocity[0] == 0 && sprite->velocity[1] < 0 && sprite->velocity[1] >= gravityY) {
        sprite->ignoreCollisions = 1;
        sprite->subjectToGravity = 0;
        resting = 1;
    }
    const float *former = formerSpriteLocation(sprite);
    float dx = sprite->location[0] - former[0], dy = sprite->location[1] - former[1];
    int passed = 0;
    if (dy > 0 && platform->pass_up) passed |= private_recordPassing(sprite, platform);
    if (dy < 0 && platform->pass_down) passed |= private_recordPassing(sprite, platform);
    if (dx < 0 && platform->pass_left) passed |= private_recordPassing(sprite, platform);
    if (dx > 0 && platform->pass_right) passed |= private_recordPassing(sprite, platform);
    if (passed) {
        if (resting) sprite->velocity[1] = 0;
        return;
    }
    private_clearBindingVelocities(sprite);
    if (edgeFlag == 0) {
        // A flagless platform never stops a rising sprite.
        if (dy > 0) return;
        private_land(sprite, platform, resting);
        return;
    }
    if (resting) sprite->velocity[1] = 0;
    if (edgeFlag == 'C' || edgeFlag == 'R' || edgeFlag == 'L') sprite->endAnimationWhenLandOnPlatform = 0;
    switch (edgeFlag) {
    case 'F': private_land(sprite, platform, resting); break;
    case 'C':
        private_separateOn(sprite, platform, 1, -1);
        private_sendEvent(sprite, "fall now");
        private_recordPassing(sprite, platform);
        break;
    case 'X':
        private_separateOn(sprite, platform, 1, -1);
        if (sprite->velocity[1] > 0) sprite->velocity[1] = 0;
        break;
    case 'R':
        private_separateOn(sprite, platform, 0, 1);
        private_sendEvent(sprite, "fall now");
        private_recordPassing(sprite, platform);
        break;
    case 'E':
        private_separateOn(sprite, platform, 0, 1);
        if (sprite->velocity[0] < 0) sprite->velocity[0] = 0;
        break;
    case 'L':
        private_separateOn(sprite, platform, 0, -1);
        private_sendEvent(sprite, "fall now");
        private_recordPassing(sprite, platform);
        break;
    case 'I':
        private_separateOn(sprite, platform, 0, -1);
        if (sprite->velocity[0] > 0) sprite->velocity[0] = 0;
        break;
    default: private_recordPassing(sprite, platform); break;
    }
}

static int private_hasLift(const luaSpriteInfoRec *rec) {
    return rec->lift_velocity[0] != 0 || rec->lift_velocity[1] != 0 || rec->lift_velocity[2] != 0;
}

static void private_runCollisionScript(luaSpriteInfoRec *self, const luaSpriteInfoRec *other, const std::string &group) {
    lua_State *L = getSpriteManagerLuaState();
    glLua_setGlobalAsDouble(L, self->spriteRef, "gCurrentSprite");
    glLua_setGlobalAsDouble(L, other->spriteRef, "gOtherSprite");
    glLua_setGlobalAsString(L, group.c_str(), "gCollisionGroup");
    scriptRuns++;
    glLua_runScript(L, self->collisionScript, 0);
}

static void private_ordinaryContact(luaSpriteInfoRec *a, luaSpriteInfoRec *b, const char *groupName) {
    if (private_hasLift(a) || private_hasLift(b)) {
        noteLuaSpriteChanged(a);
        noteLuaSpriteChanged(b);
        for (int i = 0; i < 3; i++) {
            a->lift_self_velocity[i] += b->lift_velocity[i];
            b->lift_self_velocity[i] += a->lift_velocity[i];
        }
        return;
    }
    // A copy: the first script may replace the text the name came from.
    std::string group = groupName ? groupName : "";
    if (a->collisionScript) private_runCollisionScript(a, b, group);
    if (b->collisionScript) private_runCollisionScript(b, a, group);
}

void performCollisionOfSprites(luaSpriteInfoRec *targetA, luaSpriteInfoRec *targetB, const char *collisionGroupName,
                               int checkCollisionsToPlatforms) {
    if (!targetA || !targetB) return;
    luaSpriteInfoRec *sprite = nullptr, *platform = nullptr;
    if (!targetA->immobile && targetB->immobile) {
        sprite = targetA;
        platform = targetB;
    } else if (!targetB->immobile && targetA->immobile) {
        sprite = targetB;
        platform = targetA;
    }
    if (checkCollisionsToPlatforms && !sprite) return;
    int edgeFlag = 0;
    if (!collideSpriteRecords(targetA, targetB, checkCollisionsToPlatforms ? &edgeFlag : nullptr)) {
        // A pass-through ends when the contact ends.
        if (sprite) private_forgetPlatform(sprite, platform);
        return;
    }
    if (checkCollisionsToPlatforms)
        private_platformContact(sprite, platform, edgeFlag);
    else
        private_ordinaryContact(targetA, targetB, collisionGroupName);
}

// ---- The pass ----

static collisionGroupNode *private_entry(_treeNode *node) { return (collisionGroupNode *)getData(node); }

static int private_pairs(const collisionGroupNode *a, const collisionGroupNode *b, int platformMode) {
    if (!b->valid || !b->target->isUpdating) return 0;
    if (a->target->immobile && b->target->immobile) return 0;
    if (platformMode) return b->target->immobile;
    const char *typeA = a->target->spriteType ? a->target->spriteType : "";
    const char *typeB = b->target->spriteType ? b->target->spriteType : "";
    return strcmp(typeA, typeB) != 0;
}

// The pairs of A with the members from `fromB` on, in group order.
static void private_pairsOf(_treeNode *nodeA, _treeNode *fromB, const char *name, int platformMode) {
    collisionGroupNode *a = private_entry(nodeA);
    for (_treeNode *nodeB = fromB; nodeB; nodeB = getSibling(nodeB)) {
        collisionGroupNode *b = private_entry(nodeB);
        if (private_pairs(a, b, platformMode)) performCollisionOfSprites(a->target, b->target, name, platformMode);
    }
}

// Every pair from member `fromA` on, each with the earlier member first.
static void private_walkFrom(_treeNode *fromA, const char *name, int platformMode) {
    for (_treeNode *nodeA = fromA; nodeA; nodeA = getSibling(nodeA)) {
        collisionGroupNode *a = private_entry(nodeA);
        if (!a->valid || !a->target->isUpdating) continue;
        if (platformMode && a->target->immobile) break;  // platforms only follow
        private_pairsOf(nodeA, getSibling(nodeA), name, platformMode);
    }
}

// The platforms of a platform group in a uniform grid of their spheres' boxes
// (cells listed contiguously), so that a mover meets only the platforms near it.
struct platformGrid {
    float left = 0, bottom = 0, cell = 1;
    int columns = 0, rows = 0;
    std::vector<int> cellStart, items;  // the members (group indices) of cell c: items[cellStart[c] .. cellStart[c+1])

    void cellRange(float x0, float y0, float x1, float y1, int *c0, int *r0, int *c1, int *r1) const {
        *c0 = std::max(0, (int)floorf((x0 - left) / cell));
        *r0 = std::max(0, (int)floorf((y0 - bottom) / cell));
        *c1 = std::min(columns - 1, (int)floorf((x1 - left) / cell));
        *r1 = std::min(rows - 1, (int)floorf((y1 - bottom) / cell));
    }
};

struct platformSphere {
    int index;
    float box[4];  // left, bottom, right, top
};

// A sphere's box, one unit wider on every side so rounding never loses a touch.
static int private_sphereBox(const luaSpriteInfoRec *rec, float *box) {
    float centre[3], radius = 0;
    if (!spriteCollisionSphere(rec, centre, &radius)) return 0;
    box[0] = centre[0] - radius - 1;
    box[1] = centre[1] - radius - 1;
    box[2] = centre[0] + radius + 1;
    box[3] = centre[1] + radius + 1;
    for (int i = 0; i < 4; i++)
        if (!std::isfinite(box[i])) return 0;
    return 1;
}

static void private_buildGrid(const std::vector<platformSphere> &spheres, platformGrid *grid) {
    grid->columns = grid->rows = 0;
    if (spheres.empty()) return;
    float box[4] = {spheres[0].box[0], spheres[0].box[1], spheres[0].box[2], spheres[0].box[3]};
    double size = 0;
    for (const platformSphere &s : spheres) {
        box[0] = std::min(box[0], s.box[0]);
        box[1] = std::min(box[1], s.box[1]);
        box[2] = std::max(box[2], s.box[2]);
        box[3] = std::max(box[3], s.box[3]);
        size += std::max(s.box[2] - s.box[0], s.box[3] - s.box[1]);
    }
    // Cells about the size of a platform, at most 64k of them.
    grid->cell = std::max(32.0f, (float)(size / (double)spheres.size()));
    for (;;) {
        double columns = ceil((box[2] - box[0]) / grid->cell) + 1, rows = ceil((box[3] - box[1]) / grid->cell) + 1;
        if (columns * rows <= 65536.0) {
            grid->columns = (int)columns;
            grid->rows = (int)rows;
            break;
        }
        grid->cell *= 2;
    }
    grid->left = box[0];
    grid->bottom = box[1];
    grid->cellStart.assign((size_t)grid->columns * (size_t)grid->rows + 1, 0);
    for (int pass = 0; pass < 2; pass++) {
        for (const platformSphere &s : spheres) {
            int c0, r0, c1, r1;
            grid->cellRange(s.box[0], s.box[1], s.box[2], s.box[3], &c0, &r0, &c1, &r1);
            for (int r = r0; r <= r1; r++)
                for (int c = c0; c <= c1; c++) {
                    int cell = r * grid->columns + c;
                    if (pass == 0)
                        grid->cellStart[(size_t)cell + 1]++;
                    else
                        grid->items[(size_t)grid->cellStart[(size_t)cell]++] = s.index;
                }
        }
        if (pass == 0) {
            for (size_t c = 1; c < grid->cellStart.size(); c++) grid->cellStart[c] += grid->cellStart[c - 1];
            grid->items.assign((size_t)grid->cellStart.back(), 0);
        } else {
            // Filling advanced every start to the next cell's start: shift back.
            for (size_t c = grid->cellStart.size() - 1; c > 0; c--) grid->cellStart[c] = grid->cellStart[c - 1];
            grid->cellStart[0] = 0;
        }
    }
}

struct platformPass {
    std::vector<_treeNode *> nodes;
    std::vector<int> platforms;  // the members that are platforms this pass
    platformGrid grid;
    std::unordered_map<const void *, std::vector<int>> platformIndices;  // every platform's members, made when needed
    std::vector<unsigned> stamp;
    unsigned currentStamp = 0;

    void indexPlatforms() {
        for (int index : platforms) platformIndices[private_entry(nodes[(size_t)index])->target].push_back(index);
    }

    // Members after `after` that mover `a` may touch now, or whose pass-through it
    // must forget, added to `out` once each.
    void candidates(const luaSpriteInfoRec *a, int after, std::vector<int> *out) {
        currentStamp++;
        for (int index : *out) stamp[(size_t)index] = currentStamp;
        auto add = [&](int index) {
            if (index > after && stamp[(size_t)index] != currentStamp) {
                stamp[(size_t)index] = currentStamp;
                out->push_back(index);
            }
        };
        float box[4];
        if (grid.columns > 0 && private_sphereBox(a, box)) {
            int c0, r0, c1, r1;
            grid.cellRange(box[0], box[1], box[2], box[3], &c0, &r0, &c1, &r1);
            for (int r = r0; r <= r1; r++)
                for (int c = c0; c <= c1; c++) {
                    int cell = r * grid.columns + c;
                    for (int k = grid.cellStart[(size_t)cell]; k < grid.cellStart[(size_t)cell + 1]; k++) add(grid.items[(size_t)k]);
                }
        }
        for (void *slot : a->pastPlatformCollisions) {
            if (!slot) continue;
            if (platformIndices.empty()) indexPlatforms();
            auto found = platformIndices.find(slot);
            if (found != platformIndices.end())
                for (int index : found->second) add(index);
        }
        std::sort(out->begin(), out->end());
    }
};

// The platform group: the same pairs in the same order as walking every
// pair, but each mover is tried only against the platforms whose spheres
// may reach it (and those it is passing through). Separation moves the mover,
// so its candidates are found again whenever it moved; a script may move or
// regroup anything, so after one has run the rest of the group is walked pair
// by pair.
static void private_platformGroup(_treeNode *group, const char *name) {
    platformPass pass;
    for (_treeNode *node = getChild(group, 0); node; node = getSibling(node)) pass.nodes.push_back(node);
    std::vector<platformSphere> spheres;
    for (int i = 0; i < (int)pass.nodes.size(); i++) {
        const collisionGroupNode *entry = private_entry(pass.nodes[(size_t)i]);
        if (!entry->valid || !entry->target->isUpdating || !entry->target->immobile) continue;
        pass.platforms.push_back(i);
        platformSphere sphere = {i, {0, 0, 0, 0}};
        if (private_sphereBox(entry->target, sphere.box)) spheres.push_back(sphere);
    }
    if (pass.platforms.empty()) return;
    private_buildGrid(spheres, &pass.grid);
    pass.stamp.assign(pass.nodes.size(), 0);
    unsigned long scriptsBefore = scriptRuns;
    std::vector<int> next;
    for (int i = 0; i < (int)pass.nodes.size(); i++) {
        collisionGroupNode *a = private_entry(pass.nodes[(size_t)i]);
        if (!a->valid || !a->target->isUpdating) continue;
        if (a->target->immobile) break;
        next.clear();
        pass.candidates(a->target, i, &next);
        for (size_t k = 0; k < next.size(); k++) {
            int j = next[k];
            collisionGroupNode *b = private_entry(pass.nodes[(size_t)j]);
            if (!private_pairs(a, b, 1)) continue;
            float before[3] = {a->target->location[0], a->target->location[1], a->target->location[2]};
            performCollisionOfSprites(a->target, b->target, name, 1);
            if (scriptRuns != scriptsBefore) {
                private_pairsOf(pass.nodes[(size_t)i], getSibling(pass.nodes[(size_t)j]), name, 1);
                private_walkFrom(getSibling(pass.nodes[(size_t)i]), name, 1);
                return;
            }
            if (memcmp(before, a->target->location, sizeof(before)) != 0) {
                next.erase(next.begin(), next.begin() + (long)k + 1);
                pass.candidates(a->target, j, &next);
                k = (size_t)-1;
            }
        }
    }
}

void setCollisionPlatformGrid(int on) { platformGridOn = on; }

void checkForCollisions(void) {
    passDepth++;
    for (_treeNode *group = getChild(collisionGroupTree, 0); group; group = getSibling(group)) {
        const char *name = (const char *)getData(group);
        int platformMode = name && !strcmp(name, kPlatformGroup);
        if (platformMode && platformGridOn)
            private_platformGroup(group, name);
        else
            private_walkFrom(getChild(group, 0), name, platformMode);
    }
    if (--passDepth == 0) cleanupCollisionGroups();
}

int collidePointToPlatform(int x, int y) {
    for (_treeNode *node = getChild(getCollisionGroup(kPlatformGroup), 0); node; node = getSibling(node)) {
        const collisionGroupNode *entry = private_entry(node);
        if (entry->valid && entry->target->immobile && mouseOverSpriteRecord(entry->target, x, y - 5)) return 1;
    }
    return 0;
}

// ---- Script functions ----

static luaSpriteInfoRec *private_sprite(lua_State *L, int index) {
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, index));
    return sprite ? &sprite->self : nullptr;
}

static int lua_doesSpriteCollideWithGroup(lua_State *L) {
    glLuaArgs_check(L, "ns", "usage: doesSpriteCollideWithGroup(<Integer spriteRefA> <String group)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    int touching = 0;
    if (sprite && sprite->isUpdating)
        for (_treeNode *node = getChild(getCollisionGroup(lua_tostring(L, 2)), 0); node && !touching; node = getSibling(node)) {
            collisionGroupNode *entry = private_entry(node);
            touching = entry->valid && entry->target != sprite && entry->target->isUpdating &&
                       collideSpriteRecords(sprite, entry->target, nullptr);
        }
    lua_pushnumber(L, touching);
    return 1;
}

// Checks a sprite reference followed by one or more group names.
static void private_checkGroupNames(lua_State *L, const char *usage) {
    glLuaSprite_checkAtLeast(L, "ns", usage);
    for (int i = 3; i <= lua_gettop(L); i++)
        if (!glLuaArgs_isString(L, i)) glLuaArgs_raiseUsage(L, usage);
}

static int lua_addSpriteToCollisionGroup(lua_State *L) {
    private_checkGroupNames(L, "usage: addSpriteToCollisionGroup(<Integer spriteRefNum>, <String group1>, ...)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    for (int i = 2; sprite && i <= lua_gettop(L); i++) addSpriteToCollisionGroup(lua_tostring(L, i), sprite);
    return 0;
}

static int lua_removeSpriteFromCollisionGroup(lua_State *L) {
    private_checkGroupNames(L, "usage: removeSpriteFromCollisionGroup(<Integer spriteRefNum>, <String group1>, ...)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    for (int i = 2; sprite && i <= lua_gettop(L); i++) removeSpriteFromCollisionGroup(lua_tostring(L, i), sprite);
    return 0;
}

static int lua_isPointInAPlatform(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: isPointInAPlatform(<Integer x>, <Integer y>)");
    lua_pushnumber(L, collidePointToPlatform(glLuaArgs_toInt(L, 1), glLuaArgs_toInt(L, 2)));
    return 1;
}

static int lua_forceCollisionCheck(lua_State *L) {
    (void)L;
    checkForCollisions();
    return 0;
}

static int lua_forcePlatformSeparation(lua_State *L) {
    (void)L;
    delayedPlatformSeparation();
    return 0;
}

static int lua_setSpriteCollideOnlyWithSprite(lua_State *L) {
    glLuaArgs_check(L, "nns",
                    "usage: setSpriteCollideOnlyWithSprite(<Integer spriteRefNum>, <Integer otherSpriteRefNum>, <String event>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (!sprite || !private_sprite(L, 2)) return 0;
    const char *event = lua_tostring(L, 3);
    char *copy = (char *)glMallocWithBytes((uint32_t)strlen(event) + 1, event);
    if (!copy) return 0;
    if (sprite->collideWithSpriteEvent) glFree(sprite->collideWithSpriteEvent, (uint32_t)strlen(sprite->collideWithSpriteEvent) + 1);
    sprite->collideWithSpriteEvent = copy;
    sprite->collideWithSprite = glLuaArgs_toInt(L, 2);
    sprite->collisionCounter = gCollisionCounter;
    gCollisionCounter = (gCollisionCounter + 1) % kPairingPhases;
    return 0;
}

static int lua_removeCollisionWithSprite(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: removeCollisionWithSprite(<Integer spriteRefNum>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (sprite && sprite->collideWithSpriteEvent) {
        glFree(sprite->collideWithSpriteEvent, (uint32_t)strlen(sprite->collideWithSpriteEvent) + 1);
        sprite->collideWithSpriteEvent = nullptr;
    }
    return 0;
}

static int lua_setSpritePassthrough(lua_State *L) {
    glLuaArgs_check(L, "nbbbb",
                    "usage: setSpritePassthrough(<Integer spriteRefNum>, <Bool up>, <Bool left>, <Bool down>, <Bool right>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (!sprite) return 0;
    sprite->pass_up = (int8_t)lua_toboolean(L, 2);
    sprite->pass_left = (int8_t)lua_toboolean(L, 3);
    sprite->pass_down = (int8_t)lua_toboolean(L, 4);
    sprite->pass_right = (int8_t)lua_toboolean(L, 5);
    return 0;
}

static int lua_setSpriteImmobile(lua_State *L) {
    glLuaArgs_check(L, "nb", "usage: setSpriteImmobile(<Integer spriteRefNum>, <Boolean is immobile>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (!sprite) return 0;
    sprite->immobile = (int8_t)lua_toboolean(L, 2);
    if (sprite->immobile) {
        // Whatever its memberships were, it is now one platform of the group, at its end.
        removeSpriteFromCollisionGroup(kPlatformGroup, sprite);
        addSpriteToCollisionGroup(kPlatformGroup, sprite);
    }
    return 0;
}

static int lua_isSpriteImmobile(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: isSpriteImmobile(<Integer spriteRefNum>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (!sprite) return 0;
    lua_pushboolean(L, sprite->immobile);
    return 1;
}

static int lua_endAnimationWhenLandOnPlatform(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: endAnimationWhenLandOnPlatform(<Integer spriteRefNum>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (sprite) sprite->endAnimationWhenLandOnPlatform = 1;
    return 0;
}

static int lua_setSpriteElasticity(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: setSpriteElasticity(<Integer spriteRefNum>, <Double e>)");
    luaSpriteInfoRec *sprite = private_sprite(L, 1);
    if (sprite) sprite->elasticity = (float)lua_tonumber(L, 2);
    return 0;
}

static const luaL_Reg groupFunctions[] = {
    {"doesSpriteCollideWithGroup", lua_doesSpriteCollideWithGroup},
    {"addSpriteToCollisionGroup", lua_addSpriteToCollisionGroup},
    {"removeSpriteFromCollisionGroup", lua_removeSpriteFromCollisionGroup},
    {"isPointInAPlatform", lua_isPointInAPlatform},
    {"forceCollisionCheck", lua_forceCollisionCheck},
    {"forcePlatformSeparation", lua_forcePlatformSeparation},
    {"setSpriteCollideOnlyWithSprite", lua_setSpriteCollideOnlyWithSprite},
    {"removeCollisionWithSprite", lua_removeCollisionWithSprite},
    {"setSpritePassthrough", lua_setSpritePassthrough},
    {"setSpriteImmobile", lua_setSpriteImmobile},
    {"isSpriteImmobile", lua_isSpriteImmobile},
    {"endAnimationWhenLandOnPlatform", lua_endAnimationWhenLandOnPlatform},
    {"setSpriteElasticity", lua_setSpriteElasticity},
    {nullptr, nullptr},
};

void registerLuaSpriteCollisionGroupFunctions(lua_State *L) {
    if (!L) return;
    for (const luaL_Reg *entry = groupFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
