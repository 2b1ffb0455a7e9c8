// glLuaSpriteCollisionGeometry: collision shapes and the tests on them. A
// shape is read from a polygon file (glLuaSpriteCollisionPolygonFile),
// cached under its name for the whole run, and tested with a sphere first
// and polygons second. Mirrored shapes (a sprite drawn flipped) are
// tested on mirrored coordinates, walking the outline backwards when exactly
// one axis is mirrored so that the interior stays on the left.

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/glMemory.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSpriteCollisions.h"

static _treeNode *collisionRecList = nullptr;

// ---- The shape cache ----

collisionRec *cacheCollisionRecord(collisionRec *rec) {
    if (!collisionRecList) collisionRecList = createTree();
    _treeNode *node = addChild(collisionRecList, rec, (int32_t)sizeof(collisionRec));
    return node ? (collisionRec *)getData(node) : nullptr;
}

collisionRec *getCollisionRecord(const char *name) {
    if (!name) return nullptr;
    for (_treeNode *node = getChild(collisionRecList, 0); node; node = getSibling(node)) {
        collisionRec *rec = (collisionRec *)getData(node);
        if (rec->name && !strcmp(rec->name, name)) return rec;
    }
    return nullptr;
}

static char *private_copyText(const char *text) {
    return (char *)glMallocWithBytes((uint32_t)strlen(text) + 1, text);
}

// Reads and caches the file under `key`; a file without usable outlines is
// cached too (so it is read and reported once) but gives no shape.
static collisionRec *private_readShape(const char *key, const char *file, float scale, int xOff, int yOff, int width,
                                       int height) {
    char *text = getFile(file);
    if (!text) {
        fprintf(stderr, "Error: Unable to open file %s\n", file);
        return nullptr;
    }
    collisionRec rec = {};
    rec.name = private_copyText(key);
    rec.polygonList = createTree();
    rec.width = (int16_t)width;
    rec.height = (int16_t)height;
    loadCollisionPolygonFromPostscriptFile(text, scale, xOff, yOff, &rec, rec.origin, &rec.radius);
    free(text);
    return cacheCollisionRecord(&rec);
}

static int private_hasPolygons(const collisionRec *rec) { return rec && getChild(rec->polygonList, 0) != nullptr; }

collisionRec *loadCollisionRecordFromFile(const char *key, const char *file, float scale, int xOff, int yOff, int width,
                                          int height) {
    if (!key || !file) return nullptr;
    collisionRec *rec = getCollisionRecord(key);
    if (!rec) rec = private_readShape(key, file, scale, xOff, yOff, width, height);
    return private_hasPolygons(rec) ? rec : nullptr;
}

// A sphere-only shape of that radius, shared by every sprite that asks for it.
static collisionRec *private_sphereShape(float radius) {
    for (_treeNode *node = getChild(collisionRecList, 0); node; node = getSibling(node)) {
        collisionRec *rec = (collisionRec *)getData(node);
        if (!rec->name && !rec->polygonList && rec->radius == radius) return rec;
    }
    collisionRec rec = {};
    rec.radius = radius;
    return cacheCollisionRecord(&rec);
}

// ---- Segments, points and polygons ----

int intersectLineSegments(const float *a, const float *b, const float *c, const float *d, float *hit,
                          float *distance2) {
    hit[0] = hit[1] = hit[2] = 0;
    float rx = b[0] - a[0], ry = b[1] - a[1], sx = d[0] - c[0], sy = d[1] - c[1];
    float den = rx * sy - sx * ry;
    if (den != 0) {
        float u = (rx * (a[1] - c[1]) - ry * (a[0] - c[0])) / den;
        float t = (sx * (a[1] - c[1]) - sy * (a[0] - c[0])) / den;
        if (u < 0 || u > 1 || t < 0 || t > 1) return 0;
        t -= 0.01f;
        hit[0] = a[0] + t * rx;
        hit[1] = a[1] + t * ry;
        *distance2 = (a[0] - hit[0]) * (a[0] - hit[0]) + (a[1] - hit[1]) * (a[1] - hit[1]);
        return 1;
    }
    int axis = a[0] == c[0] ? 1 : 0;
    float low = fminf(c[axis], d[axis]), high = fmaxf(c[axis], d[axis]);
    int overlap = (a[axis] >= low && a[axis] <= high) || (b[axis] >= low && b[axis] <= high);
    if (overlap) {
        float dc = (a[0] - c[0]) * (a[0] - c[0]) + (a[1] - c[1]) * (a[1] - c[1]);
        float dd = (a[0] - d[0]) * (a[0] - d[0]) + (a[1] - d[1]) * (a[1] - d[1]);
        const float *nearer = dd < dc ? d : c;
        memcpy(hit, nearer, 3 * sizeof(float));
        *distance2 = dd < dc ? dd : dc;
    }
    return 0;
}

static inline float private_mirror(float value, float size) { return size != 0 ? size - value : value; }

int collidePolygonWithPoint(int n, const vertex *polygon, float flipW, float flipH, const float *point) {
    int inside = 0;
    float px = point[0], py = point[1];
    for (int i = 1; i < n; i++) {
        float prevX = private_mirror(polygon[i - 1].p[0], flipW), prevY = private_mirror(polygon[i - 1].p[1], flipH);
        float curX = private_mirror(polygon[i].p[0], flipW), curY = private_mirror(polygon[i].p[1], flipH);
        if ((prevY <= py) != (curY <= py) && (curY <= py) == ((curX - px) * (prevY - curY) <= (curY - py) * (prevX - curX)))
            inside = !inside;
    }
    return inside;
}

// Vertex i of a placed polygon (mirrored, then offset).
static inline void private_place(const vertex *polygon, int i, const float *offset, float flipW, float flipH, float *out) {
    out[0] = private_mirror(polygon[i].p[0], flipW) + offset[0];
    out[1] = private_mirror(polygon[i].p[1], flipH) + offset[1];
    out[2] = polygon[i].p[2] + offset[2];
}

static inline int private_reversed(float flipW, float flipH) { return (flipW != 0) != (flipH != 0); }

// 0 when some edge of A has every walked vertex of B strictly outside it.
static int private_noSeparatingEdge(int nA, const vertex *polyA, const float *offsetA, float flipAW, float flipAH,
                                    int nB, const vertex *polyB, const float *offsetB, float flipBW, float flipBH) {
    int reverseA = private_reversed(flipAW, flipAH);
    for (int i = 0; i + 1 < nA; i++) {
        float p[3], q[3];
        private_place(polyA, reverseA ? nA - 1 - i : i, offsetA, flipAW, flipAH, p);
        private_place(polyA, reverseA ? nA - 2 - i : i + 1, offsetA, flipAW, flipAH, q);
        int found = 0;
        // The walk order of B does not change which vertices are tried.
        for (int k = 0; k + 1 < nB && !found; k++) {
            float b[3];
            private_place(polyB, k, offsetB, flipBW, flipBH, b);
            found = (q[1] - p[1]) * (q[0] - b[0]) - (q[0] - p[0]) * (q[1] - b[1]) + (q[2] - p[2]) * (q[2] - b[2]) >= 0;
        }
        if (!found) return 0;
    }
    return 1;
}

int collidePolygons(int nA, const vertex *polyA, const float *offsetA, float flipAW, float flipAH, int nB,
                    const vertex *polyB, const float *offsetB, float flipBW, float flipBH) {
    return private_noSeparatingEdge(nA, polyA, offsetA, flipAW, flipAH, nB, polyB, offsetB, flipBW, flipBH) &&
           private_noSeparatingEdge(nB, polyB, offsetB, flipBW, flipBH, nA, polyA, offsetA, flipAW, flipAH);
}

char getSpriteCollisionEdgeFlag(const float *s1, const float *s2, int n, const vertex *polygon, const char *edgeFlags,
                                const float *offset, float flipW, float flipH) {
    float best = 2 * ((s2[0] - s1[0]) * (s2[0] - s1[0]) + (s2[1] - s1[1]) * (s2[1] - s1[1]) + (s2[2] - s1[2]) * (s2[2] - s1[2]));
    char flag = 0;
    int reverse = private_reversed(flipW, flipH);
    for (int i = 0; i + 1 < n; i++) {
        int first = reverse ? n - 1 - i : i, second = reverse ? n - 2 - i : i + 1;
        // A flag belongs to its edge however the edge is walked: edge `second` when reversed.
        char edgeFlag = edgeFlags ? edgeFlags[reverse ? second : first] : 0;
        float c[3], d[3], hit[3], distance2 = 0;
        private_place(polygon, first, offset, flipW, flipH, c);
        private_place(polygon, second, offset, flipW, flipH, d);
        if (flag == 0 && edgeFlag != 'Q') flag = edgeFlag;
        if (intersectLineSegments(s1, s2, c, d, hit, &distance2) && distance2 < best) {
            best = distance2;
            flag = edgeFlag;
        }
    }
    return flag;
}

// ---- Sprites ----

static_assert(offsetof(luaSpriteInfo, self) == 0, "a live record is the head of its sprite");

// Where a shape is placed: the record, its mirror bits and its location.
struct placedShape {
    const collisionRec *shape;
    int flipped;
    const float *location;
    float mirrorW, mirrorH;  // the shape's size on a mirrored axis, else 0
};

static placedShape private_placed(const collisionRec *shape, int flipped, const float *location) {
    placedShape placed = {shape, flipped, location, 0, 0};
    if (flipped & 1) placed.mirrorW = shape->width;
    if (flipped & 2) placed.mirrorH = shape->height;
    return placed;
}

// The sphere's centre; the flip bits mirror it even when the size is zero.
static void private_centre(const placedShape &s, float *centre) {
    centre[0] = ((s.flipped & 1) ? s.shape->width - s.shape->origin[0] : s.shape->origin[0]) + s.location[0];
    centre[1] = ((s.flipped & 2) ? s.shape->height - s.shape->origin[1] : s.shape->origin[1]) + s.location[1];
    centre[2] = s.location[2];
}

collisionRec *getFormerSpriteCollisionRecord(int spriteRef, int *flipped) {
    return getSpriteCollisionRecord(spriteRef, flipped);
}

int spriteCollisionSphere(const luaSpriteInfoRec *rec, float *centre, float *radius) {
    int flipped = 0;
    const collisionRec *shape = rec ? getRecordCollisionShape(rec, &flipped) : nullptr;
    if (!shape) return 0;
    private_centre(private_placed(shape, flipped, rec->location), centre);
    *radius = shape->radius;
    return 1;
}

// The centre of the shape for the edge test: mirrored only on an axis with a size.
static void private_edgeCentre(const placedShape &s, const float *location, float *centre) {
    centre[0] = private_mirror(s.shape->origin[0], s.mirrorW) + location[0];
    centre[1] = private_mirror(s.shape->origin[1], s.mirrorH) + location[1];
    centre[2] = s.shape->origin[2] + location[2];
}

// The sphere test, then every polygon pair. `recA`/`recB` are the live
// records whose former location the edge test reads (null: no edge flag).
static int private_collideShapes(const placedShape &a, const placedShape &b, const luaSpriteInfoRec *recA,
                                 const luaSpriteInfoRec *recB, int *edgeFlag) {
    float cA[3], cB[3];
    private_centre(a, cA);
    private_centre(b, cB);
    float d2 = 0, reach = a.shape->radius + b.shape->radius;
    for (int i = 0; i < 3; i++) d2 += (cB[i] - cA[i]) * (cB[i] - cA[i]);
    // Written so that a position that is not a number touches nothing.
    if (!(d2 <= reach * reach)) return 0;
    if (!private_hasPolygons(a.shape) || !private_hasPolygons(b.shape)) return 1;
    for (_treeNode *na = getChild(a.shape->polygonList, 0); na; na = getSibling(na)) {
        const polygonRec *pa = (const polygonRec *)getData(na);
        for (_treeNode *nb = getChild(b.shape->polygonList, 0); nb; nb = getSibling(nb)) {
            const polygonRec *pb = (const polygonRec *)getData(nb);
            if (!collidePolygons(pa->numVerts, pa->polygon, a.location, a.mirrorW, a.mirrorH, pb->numVerts, pb->polygon,
                                 b.location, b.mirrorW, b.mirrorH))
                continue;
            // The mover is A unless only A's outline carries edge flags.
            int swap = pa->hasEdgeFlags && !pb->hasEdgeFlags;
            const placedShape &mover = swap ? b : a, &edged = swap ? a : b;
            const polygonRec *moverPolygon = swap ? pb : pa, *edgedPolygon = swap ? pa : pb;
            const luaSpriteInfoRec *moverRec = swap ? recB : recA;
            if (edgeFlag && moverRec && !moverPolygon->hasEdgeFlags && edgedPolygon->hasEdgeFlags) {
                float s1[3], s2[3];
                private_edgeCentre(mover, formerSpriteLocation(moverRec), s1);
                private_edgeCentre(edged, edged.location, s2);
                *edgeFlag = (unsigned char)getSpriteCollisionEdgeFlag(s1, s2, edgedPolygon->numVerts, edgedPolygon->polygon,
                                                                      edgedPolygon->edgeFlags, edged.location,
                                                                      edged.mirrorW, edged.mirrorH);
            }
            return 1;
        }
    }
    return 0;
}

int collideSpriteRecords(luaSpriteInfoRec *a, luaSpriteInfoRec *b, int *edgeFlag) {
    if (!a || !b) return 0;
    int flippedA = 0, flippedB = 0;
    const collisionRec *shapeA = getRecordCollisionShape(a, &flippedA);
    const collisionRec *shapeB = getRecordCollisionShape(b, &flippedB);
    if (!shapeA || !shapeB) return 0;
    return private_collideShapes(private_placed(shapeA, flippedA, a->location), private_placed(shapeB, flippedB, b->location),
                                 a, b, edgeFlag);
}

int collideSprites(int spriteRefA, int spriteRefB, int *edgeFlag) {
    luaSpriteInfo *a = getSprite(spriteRefA), *b = getSprite(spriteRefB);
    return a && b ? collideSpriteRecords(&a->self, &b->self, edgeFlag) : 0;
}

// The texture of the sprite's current frame (its own without frames).
static int private_currentTexture(const luaSpriteInfoRec *rec) {
    if (rec->animationArray && rec->currentFace >= 0 && rec->currentFace < rec->numberOfAnimations)
        return rec->animationArray[rec->currentFace].textureRef;
    return rec->textureRef;
}

int collidePolygonWithSprite(const char *polygonName, int spriteRefA, int spriteRefB) {
    luaSpriteInfo *a = getSprite(spriteRefA), *b = getSprite(spriteRefB);
    if (!a || !b || !polygonName) return 0;
    collisionRec *named = getCollisionRecord(polygonName);
    if (!named) {
        int tx = 0, ty = 0;
        glTexture_getOrigin(private_currentTexture(&a->self), &tx, &ty);
        named = private_readShape(polygonName, polygonName, 1.0f, tx, ty, 0, 0);
    }
    // A file without a usable outline is no shape (not a sphere of radius 0).
    if (!private_hasPolygons(named)) return 0;
    int flippedA = 0, flippedB = 0;
    getRecordCollisionShape(&a->self, &flippedA);
    const collisionRec *shapeB = getRecordCollisionShape(&b->self, &flippedB);
    if (!shapeB) return 0;
    return private_collideShapes(private_placed(named, flippedA, a->self.location),
                                 private_placed(shapeB, flippedB, b->self.location), nullptr, nullptr, nullptr);
}

int mouseOverSpriteRecord(const luaSpriteInfoRec *rec, int x, int y) {
    int flipped = 0;
    const collisionRec *shape = rec ? getRecordCollisionShape(rec, &flipped) : nullptr;
    if (!shape) return 0;
    placedShape placed = private_placed(shape, flipped, rec->location);
    float c[3], p[3] = {(float)x, (float)y, 0};
    private_centre(placed, c);
    float d2 = 0;
    for (int i = 0; i < 3; i++) d2 += (p[i] - c[i]) * (p[i] - c[i]);
    if (!(d2 < shape->radius * shape->radius)) return 0;
    if (!private_hasPolygons(shape)) return 1;
    float local[3] = {p[0] - rec->location[0], p[1] - rec->location[1], 0};
    for (_treeNode *node = getChild(shape->polygonList, 0); node; node = getSibling(node)) {
        const polygonRec *polygon = (const polygonRec *)getData(node);
        if (collidePolygonWithPoint(polygon->numVerts, polygon->polygon, placed.mirrorW, placed.mirrorH, local)) return 1;
    }
    return 0;
}

int mouseOverSprite(int spriteRef, int x, int y) {
    luaSpriteInfo *sprite = getSprite(spriteRef);
    return sprite ? mouseOverSpriteRecord(&sprite->self, x, y) : 0;
}

static int private_truncToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= (float)INT_MAX) return INT_MAX;
    if (value <= (float)INT_MIN) return INT_MIN;
    return (int)value;
}

int mouseOverSprite(int spriteRef) {
    int x = 0, y = 0;
    getMouse(&x, &y);
    if (x < 0 || x > getWindowWidth() || y < 0 || y > getWindowHeight()) return 0;
    x = private_truncToInt((float)x + getEnvironmentValue(kEnv_WorldOrigin_X));
    y = private_truncToInt((float)y + getEnvironmentValue(kEnv_WorldOrigin_Y));
    return mouseOverSprite(spriteRef, x, y);
}

// ---- Start-up and shutdown ----

void initLuaSpriteCollisionManager(lua_State *L, _treeNode *objMgr) {
    (void)objMgr;
    if (!collisionRecList) collisionRecList = createTree();
    initCollisionGroups();
    registerLuaSpriteCollisionGeometryFunctions(L);
    registerLuaSpriteCollisionGroupFunctions(L);
}

void destructLuaSpriteCollisionManager(void) {
    destructCollisionGroups();
    for (_treeNode *node = getChild(collisionRecList, 0); node; node = getSibling(node)) {
        collisionRec *rec = (collisionRec *)getData(node);
        if (rec->name) glFree(rec->name, (uint32_t)strlen(rec->name) + 1);
        for (_treeNode *p = getChild(rec->polygonList, 0); p; p = getSibling(p)) freeCollisionPolygon((polygonRec *)getData(p));
        destructTree(rec->polygonList);
    }
    destructTree(collisionRecList);
    collisionRecList = nullptr;
}

// ---- Script functions ----

static int lua_setCollisionDebugMode(lua_State *L) {
    glLuaArgs_check(L, "b", "usage: setCollisionDebugMode(<Boolean debug mode on/off>)");
    setCollisionOverlayMode(lua_toboolean(L, 1) ? 1 : 0);
    return 0;
}

static int lua_collidePolygonWithSprite(lua_State *L) {
    glLuaArgs_check(L, "snn", "usage: collidePolygonWithSprite(<String polygonName> <Integer spriteRefA> <Integer spriteRefB)");
    lua_pushnumber(L, collidePolygonWithSprite(lua_tostring(L, 1), glLuaArgs_toInt(L, 2), glLuaArgs_toInt(L, 3)));
    return 1;
}

static int lua_collideSprites(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: collideSprites(<Integer spriteRefA> <Integer spriteRefB)");
    lua_pushnumber(L, collideSprites(glLuaArgs_toInt(L, 1), glLuaArgs_toInt(L, 2), nullptr));
    return 1;
}

static int lua_mouseOverSprite(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: mouseOverSprite(<Integer spriteRef>");
    lua_pushnumber(L, mouseOverSprite(glLuaArgs_toInt(L, 1)));
    return 1;
}

static int lua_setSpriteCollisionSphere(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: setSpriteCollisionSphere(<Integer spriteRefNum>, <Double radius>)");
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    float radius = (float)lua_tonumber(L, 2);
    if (sprite) sprite->self.colRec = private_sphereShape(std::isfinite(radius) ? radius : 0);
    return 0;
}

static int lua_setSpriteCollisionScaleValue(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: setSpriteCollisionScaleValue(<Integer spriteRefNum> <Double value>)");
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (sprite) sprite->self.collisionScaleValue = (float)lua_tonumber(L, 2);
    return 0;
}

static const luaL_Reg geometryFunctions[] = {
    {"setCollisionDebugMode", lua_setCollisionDebugMode},
    {"collidePolygonWithSprite", lua_collidePolygonWithSprite},
    {"collideSprites", lua_collideSprites},
    {"mouseOverSprite", lua_mouseOverSprite},
    {"setSpriteCollisionSphere", lua_setSpriteCollisionSphere},
    {"setSpriteCollisionScaleValue", lua_setSpriteCollisionScaleValue},
    {nullptr, nullptr},
};

void registerLuaSpriteCollisionGeometryFunctions(lua_State *L) {
    if (!L) return;
    for (const luaL_Reg *entry = geometryFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
