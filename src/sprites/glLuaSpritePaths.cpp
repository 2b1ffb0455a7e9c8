// glLuaSpritePaths: the movement script functions: velocities, gravity and
// updraft, lift, floors, speed multipliers, paths of points (added one by one,
// as a straight line over a time, or ended by a named path script of the
// definition), targets, the projectile heading and position, running the
// update script on request and rolling a sprite back one update. Most only set
// record fields that the motion step acts on. Placing, moving and origins are
// in glLuaSpritePlacement. A reference that names no sprite makes a call do
// nothing.

#include "sprites/glLuaSprite.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/glXMLParser.h"
#include "graphics/glCamera.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"

// Durations are seconds; the update step is 5 ms.
static const double kUpdatesPerSecond = 200.0;
// A straight path holds at most ten minutes of points (one per update).
static const int kMaxPathPoints = 200 * 600;

// Validates exactly (glLuaArgs_check) or at least (glLuaSprite_checkAtLeast)
// and returns the live sprite named by argument 1, or null.
static luaSpriteInfo *private_exactly(lua_State *L, const char *signature, const char *usage) {
    glLuaArgs_check(L, signature, usage);
    return getSprite(glLuaArgs_toInt(L, 1));
}

static luaSpriteInfo *private_atLeast(lua_State *L, const char *signature, const char *usage) {
    glLuaSprite_checkAtLeast(L, signature, usage);
    return getSprite(glLuaArgs_toInt(L, 1));
}

static void private_readVector(lua_State *L, int first, float *out) {
    for (int i = 0; i < 3; i++) out[i] = (float)lua_tonumber(L, first + i);
}

static int private_pushVector(lua_State *L, const float *v) {
    for (int i = 0; i < 3; i++) lua_pushnumber(L, v[i]);
    return 3;
}

// ---- Velocity and forces ----

static int lua_setSpriteVelocity(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nnnn", "usage: setSpriteVelocity(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (sprite) private_readVector(L, 2, sprite->self.velocity);
    return 0;
}

// The displacement of the last update, not the velocity field.
static int lua_getSpriteVelocity(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "n", "usage: getSpriteVelocity(<Integer spriteRefNum>)");
    if (!sprite) return 0;
    float moved[3];
    for (int i = 0; i < 3; i++) moved[i] = sprite->self.location[i] - sprite->formerSelf.location[i];
    return private_pushVector(L, moved);
}

static int lua_setSpriteSubjectToGravity(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nb", "usage: setSpriteSubjectToGravity(<Integer spriteRefNum>, <Boolean gravity>)");
    if (sprite) sprite->self.subjectToGravity = (int8_t)lua_toboolean(L, 2);
    return 0;
}

static int lua_setSpriteUpdraft(lua_State *L) {
    luaSpriteInfo *sprite = private_atLeast(L, "nn", "usage: setSpriteUpdraft(<Integer spriteRefNum> <Double up draft>)");
    if (sprite) sprite->self.up_draft = (float)lua_tonumber(L, 2);
    return 0;
}

static int lua_setSpriteLiftVelocity(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nnnnnnn",
        "usage: setSpriteLiftVelocity(<Integer spriteRefNum>, <Double lift x>, <Double lift y>, <Double lift z>, "
        "<Double max x>, <Double max y>, <Double max z>)");
    if (!sprite) return 0;
    private_readVector(L, 2, sprite->self.lift_velocity);
    private_readVector(L, 5, sprite->self.lift_max_velocity);
    return 0;
}

// Stored whole (-9999 is no floor).
static int lua_setSpriteFloor(lua_State *L) {
    luaSpriteInfo *sprite = private_atLeast(L, "nn", "usage: setSpriteFloor(<Integer spriteRefNum>, <Float floor>)");
    if (sprite) sprite->self.floor = std::trunc((float)lua_tonumber(L, 2));
    return 0;
}

static int lua_setSpriteSpeedMultiplier(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nn", "usage: setSpriteSpeedMultiplier(<Integer spriteRefNum>, <Double m>)");
    if (sprite) sprite->self.speedMultiplier = (float)lua_tonumber(L, 2);
    return 0;
}

// ---- Targets and distances ----

// Optional flags count only as Lua booleans; the target is not checked here
// (the update skips one that does not exist).
static int lua_setSpriteTarget(lua_State *L) {
    luaSpriteInfo *sprite = private_atLeast(L, "nn",
        "usage: setSpriteTarget(<Integer spriteRefNum>, <Integer targetRefNum>, <Optional flip value>, "
        "<Optional no movement, send events>)");
    if (!sprite) return 0;
    int target = glLuaArgs_toInt(L, 2);
    // The field is 16 bits; a number outside it names no sprite.
    sprite->self.targetSprite = (int16_t)(target >= -1 && target <= INT16_MAX ? target : -1);
    sprite->self.flipWhenGoingLeft = (int8_t)(lua_isboolean(L, 3) && lua_toboolean(L, 3));
    sprite->self.noMoveSendEvents = (int8_t)(lua_isboolean(L, 4) && lua_toboolean(L, 4));
    sprite->self.formerSide = 0;
    return 0;
}

// The squared distance (no square root).
static int lua_getDistanceBetweenSprites(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nn", "usage: getDistanceBetweenSprites(<Integer spriteRefNum>, <Integer otherSpriteRefNum>)");
    luaSpriteInfo *other = getSprite(glLuaArgs_toInt(L, 2));
    if (!sprite || !other) return 0;
    double distance = 0;
    for (int i = 0; i < 3; i++) {
        double d = (double)sprite->self.location[i] - other->self.location[i];
        distance += d * d;
    }
    lua_pushnumber(L, distance);
    return 1;
}

// ---- Paths ----

static int lua_setSpriteVectorToPath(lua_State *L) {
    luaSpriteInfo *sprite = private_atLeast(L, "nn", "usage: setSpriteVectorToPath(<Integer spriteRefNum>, <Float radius>)");
    if (sprite) sprite->self.vectorToTargetRadius = std::trunc((float)lua_tonumber(L, 2));
    return 0;
}

static int lua_clearSpritePath(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "n", "usage: clearSpritePath(<Integer spriteRefNum>)");
    if (!sprite) return 0;
    destructTree(sprite->self.pathList);
    sprite->self.pathList = nullptr;
    return 0;
}

static int lua_addPointToPath(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nnnn", "usage: addPointToPath(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (!sprite) return 0;
    float point[3];
    private_readVector(L, 2, point);
    addChild(spriteListToFill(&sprite->self.pathList), point, sizeof(point));
    return 0;
}

// Appends from + k * step for k = 1 ... count. The points are made in a list
// of their own (prepending, so each costs the same) and joined to the end of
// the path in one go.
static void private_appendLine(_treeNode *path, const double *from, const double *step, int count) {
    _treeNode *points = createTree();
    if (!points) return;
    for (int k = count; k >= 1; k--) {
        float point[3];
        for (int i = 0; i < 3; i++) point[i] = (float)(from[i] + k * step[i]);
        if (!addChildToFront(points, point, sizeof(point))) {
            destructTree(points);  // all or nothing
            return;
        }
    }
    appendChildren(path, points);
    destructTree(points);
}

// One point per update from the sprite's location now to (x, y, z).
static int lua_pathToPoint(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nnnnn", "usage: pathToPoint(<Integer spriteRefNum>, <Double duration>, <Double x>, <Double y>, <Double z>)");
    if (!sprite || !spriteListToFill(&sprite->self.pathList)) return 0;
    double updates = lua_tonumber(L, 2) * kUpdatesPerSecond;
    if (!(updates >= 1)) return 0;  // below one update (or NaN): nothing
    int count = updates > (double)kMaxPathPoints ? kMaxPathPoints : (int)updates;
    if (count < (int)std::fmin(updates, (double)INT_MAX))
        fprintf(stderr, "pathToPoint: a path of %.0f points was cut to %d\n", std::floor(updates), count);
    double from[3], step[3];
    for (int i = 0; i < 3; i++) {
        from[i] = sprite->self.location[i];
        step[i] = ((double)(float)lua_tonumber(L, 3 + i) - from[i]) / updates;
    }
    private_appendLine(sprite->self.pathList, from, step, count);
    return 0;
}

// The last "path" of the definition with that name, language "Lua" and a script.
static int lua_setSpriteNextPath(lua_State *L) {
    luaSpriteInfo *sprite = private_atLeast(L, "ns", "usage: setSpriteNextPath(<Integer spriteRefNum>, <String xml path name>)");
    if (!sprite) return 0;
    const char *name = lua_tostring(L, 2);
    _treeNode *definition = sprite->self.xmlDataPtr;
    for (int n = 1; definition; n++) {
        _treeNode *path = glParseXML_getNodeFromURL(definition, n, "xml://path");
        if (!path) break;
        const char *pathName = glParseXML_getAttribute(path, "name");
        const char *language = glParseXML_getAttribute(path, "language");
        const char *text = nullptr;
        int size = 0;
        glParseXML_getElement(path, &text, &size);
        if (pathName && !strcmp(pathName, name) && language && !strcmp(language, "Lua") && text && size > 0)
            sprite->self.nextPathScript = text;
    }
    return 0;
}

// ---- Update script and rollback ----

static int lua_updateSprite(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "n", "usage: updateSprite(<Integer spriteRefNum>)");
    if (sprite && sprite->self.updateMethod == kUpdateOnRequest) runLuaSpriteUpdateScript(&sprite->self);
    return 0;
}

static int lua_rollbackSprite(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "n", "usage: rollbackSprite(<Integer spriteRefNum>)");
    if (sprite) rollbackLuaSprite(sprite);
    return 0;
}

// ---- Projectiles ----

static int lua_clearSpriteProjectileHeading(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "n", "usage: clearSpriteProjectileHeading(<Integer spriteRefNum>)");
    if (sprite)
        for (float &v : sprite->self.last_projectile_velocity) v = 0;
    return 0;
}

static int lua_getSpriteProjectileVelocity(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "n", "usage: getSpriteProjectileVelocity(<Integer spriteRefNum>)");
    return sprite ? private_pushVector(L, sprite->self.last_projectile_velocity) : 0;
}

// p about an axis (0 x, 1 y, 2 z) by `degrees`, as glRotatef turns it.
static void private_turn(double *p, int axis, double degrees) {
    double a = degrees * M_PI / 180.0, c = cos(a), s = sin(a);
    int u = (axis + 1) % 3, v = (axis + 2) % 3;
    double pu = p[u], pv = p[v];
    p[u] = c * pu - s * pv;
    p[v] = s * pu + c * pv;
}

// The world position of a point of the sprite drawn as a projectile: turned
// from (0, 1, 0) onto the heading, by the sprite's rotation (x, then y, then
// z), scaled, and placed at location - origin.
static int lua_getSpriteProjectilePosition(lua_State *L) {
    luaSpriteInfo *sprite = private_exactly(L, "nnnn", "usage: getSpriteProjectilePosition(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (!sprite) return 0;
    const luaSpriteInfoRec *rec = &sprite->self;
    float up[3] = {0.0f, 1.0f, 0.0f};
    float heading[3] = {rec->last_projectile_velocity[0], rec->last_projectile_velocity[1], rec->last_projectile_velocity[2]};
    quaternion q = quat_calculateArc(up, heading);
    double x = q.x, y = q.y, z = q.z, w = q.w;
    double in[3] = {lua_tonumber(L, 2), lua_tonumber(L, 3), lua_tonumber(L, 4)};
    double p[3] = {
        (1 - 2 * (y * y + z * z)) * in[0] + 2 * (x * y - w * z) * in[1] + 2 * (x * z + w * y) * in[2],
        2 * (x * y + w * z) * in[0] + (1 - 2 * (x * x + z * z)) * in[1] + 2 * (y * z - w * x) * in[2],
        2 * (x * z - w * y) * in[0] + 2 * (y * z + w * x) * in[1] + (1 - 2 * (x * x + y * y)) * in[2],
    };
    for (int axis = 0; axis < 3; axis++) private_turn(p, axis, rec->rotation[axis]);
    for (int i = 0; i < 3; i++) lua_pushnumber(L, p[i] * rec->scale[i] + rec->location[i] - rec->origin[i]);
    return 3;
}

static const luaL_Reg pathFunctions[] = {
    {"setSpriteVelocity", lua_setSpriteVelocity},
    {"getSpriteVelocity", lua_getSpriteVelocity},
    {"setSpriteSubjectToGravity", lua_setSpriteSubjectToGravity},
    {"setSpriteUpdraft", lua_setSpriteUpdraft},
    {"setSpriteLiftVelocity", lua_setSpriteLiftVelocity},
    {"setSpriteFloor", lua_setSpriteFloor},
    {"setSpriteSpeedMultiplier", lua_setSpriteSpeedMultiplier},
    {"setSpriteTarget", lua_setSpriteTarget},
    {"getDistanceBetweenSprites", lua_getDistanceBetweenSprites},
    {"setSpriteVectorToPath", lua_setSpriteVectorToPath},
    {"clearSpritePath", lua_clearSpritePath},
    {"addPointToPath", lua_addPointToPath},
    {"pathToPoint", lua_pathToPoint},
    {"setSpriteNextPath", lua_setSpriteNextPath},
    {"updateSprite", lua_updateSprite},
    {"rollbackSprite", lua_rollbackSprite},
    {"clearSpriteProjectileHeading", lua_clearSpriteProjectileHeading},
    {"getSpriteProjectileVelocity", lua_getSpriteProjectileVelocity},
    {"getSpriteProjectilePosition", lua_getSpriteProjectilePosition},
    {nullptr, nullptr},
};

void registerLuaSpritePathFunctions(lua_State *L) {
    for (const luaL_Reg *entry = pathFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
