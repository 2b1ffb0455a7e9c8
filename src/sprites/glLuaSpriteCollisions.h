// glLuaSpriteCollisions: what sprites touch. Three files share this header:
//   glLuaSpriteCollisionPolygonFile.cpp  the polygon file reader (no other dependency)
//   glLuaSpriteCollisionGeometry.cpp  collision shapes: the shape cache,
//                                     segment, point and polygon
//                                     tests, the crossed edge, sprite against
//                                     sprite, a named outline against a sprite,
//                                     the point and the mouse over a sprite
//   glLuaSpriteCollisions.cpp         collision groups and the per-step pass:
//                                     contact scripts, lift, the platform group
//                                     "game_platform" (pass-through, edge flags,
//                                     landing, bouncing, resting), separation,
//                                     collide-only-with pairings
// A shape is a bounding sphere and, optionally, counter-clockwise outline
// polygons (y up, the interior on the left of each edge; a closed outline
// repeats its first vertex). Shapes are cached by name for the whole run and
// shared by every sprite and frame that uses them. It does not move sprites
// (glLuaSpriteMotion) or deliver events (glLuaSpriteEventManager).
// Main thread only; the module keeps scratch state and is not re-entrant.
#pragma once

#include <lua.hpp>

#include "core/tree.h"
#include "sprites/glLuaSprite.h"

// ---- Polygon files (glLuaSpriteCollisionPolygonFile.cpp) ----

// Reads the polygons of a polygon file's text into `colRec` (whose polygon
// list must be a tree). The text is changed: line ends become NULs. Vertices
// are (x - xOff, y - yOff) * scale. `origin` and `radius` are the record's
// own fields. Polygons that cannot be used (fewer than three vertices, too
// many, coordinates that are not finite or beyond a million units) are left
// out with a log line. Returns the number of polygons appended.
int loadCollisionPolygonFromPostscriptFile(char *data, float scale, int xOff, int yOff, collisionRec *colRec,
                                           float *origin, float *radius);
// Frees a polygon's vertex and flag arrays.
void freeCollisionPolygon(polygonRec *polygon);

// ---- Shapes and geometry (glLuaSpriteCollisionGeometry.cpp) ----

// Keeps a copy of the record in the cache (taking over what it points to)
// and returns the copy.
collisionRec *cacheCollisionRecord(collisionRec *rec);
// The first cached record named exactly `name`, or null.
collisionRec *getCollisionRecord(const char *name);
// The cached shape of a polygon file under `key`, reading the file on the
// first use with the given scale and offset; `width` and `height` are the
// mirror size of a new record. Null when the file cannot be read ("Error:
// Unable to open file %s\n") or holds no usable polygon (the sprite or frame
// then has no shape of its own).
collisionRec *loadCollisionRecordFromFile(const char *key, const char *file, float scale, int xOff, int yOff,
                                          int width, int height);

// Segment a->b against c->d in x and y. 1 when they cross: `hit` is pulled
// back towards a by a hundredth of a->b and `distance2` is |a - hit|^2.
// Parallel overlapping segments fill `hit` (the nearer of c and d) and
// `distance2` but return 0.
int intersectLineSegments(const float *a, const float *b, const float *c, const float *d, float *hit,
                          float *distance2);
// Even-odd test of a point in the polygon's own frame; a non-zero mirror
// size mirrors that axis (x -> flipW - x).
int collidePolygonWithPoint(int n, const vertex *polygon, float flipW, float flipH, const float *point);
// Separating-edge test of two polygons, each placed at its offset.
int collidePolygons(int nA, const vertex *polyA, const float *offsetA, float flipAW, float flipAH, int nB,
                    const vertex *polyB, const float *offsetB, float flipBW, float flipBH);
// The flag of the edge that s1->s2 crosses nearest to s1; without a crossing
// the first flag that is not 'Q'; 0 when there is none.
char getSpriteCollisionEdgeFlag(const float *s1, const float *s2, int n, const vertex *polygon, const char *edgeFlags,
                                const float *offset, float flipW, float flipH);

// 1 when the two sprites touch. With `edgeFlag`, a flagless mover touching
// a flagged outline receives the flag of the edge it crossed this step.
int collideSprites(int spriteRefA, int spriteRefB, int *edgeFlag);
// The same on live sprite records (no lookup).
int collideSpriteRecords(luaSpriteInfoRec *a, luaSpriteInfoRec *b, int *edgeFlag);
// The outline of the polygon file `polygonName` placed where sprite A is,
// against sprite B's own shape.
int collidePolygonWithSprite(const char *polygonName, int spriteRefA, int spriteRefB);
// The world point (x, y) over the sprite's shape.
int mouseOverSprite(int spriteRef, int x, int y);
int mouseOverSpriteRecord(const luaSpriteInfoRec *rec, int x, int y);
// The pointer over the sprite's shape.
int mouseOverSprite(int spriteRef);

// The shape a sprite had at the start of its last update: the same record as
// now (a frame's shape is read from the frame current now).
collisionRec *getFormerSpriteCollisionRecord(int spriteRef, int *flipped);

// The world centre and radius of a record's current shape; 0 without one.
int spriteCollisionSphere(const luaSpriteInfoRec *rec, float *centre, float *radius);

// Start-up: the cache, the groups and every collision script function.
void initLuaSpriteCollisionManager(lua_State *L, _treeNode *objMgr);
// Shutdown: every cached shape, then the groups.
void destructLuaSpriteCollisionManager(void);
void registerLuaSpriteCollisionGeometryFunctions(lua_State *L);

// ---- Groups, platforms and separation (glLuaSpriteCollisions.cpp) ----

// One membership of a group.
struct collisionGroupNode {
    luaSpriteInfoRec *target;
    int valid;  // 0: dropped at the end of the next pass
};

// The group node named `name`, or null.
_treeNode *getCollisionGroup(const char *name);
// Creates the group when needed; a mobile sprite goes to its front, an
// immobile one to its end.
void addSpriteToCollisionGroup(const char *name, luaSpriteInfoRec *sprite);
// Marks the sprite's memberships of that group (of every group) invalid.
void removeSpriteFromCollisionGroup(const char *name, luaSpriteInfoRec *sprite);
void removeSpriteFromAllCollisionGroups(luaSpriteInfoRec *sprite);
// A new document: every group goes.
void removeAllCollisionGroups(void);
// Drops the invalid memberships.
void cleanupCollisionGroups(void);
// The pass of one update step, after every sprite moved.
void checkForCollisions(void);
// The platform group finds its pairs through a grid of the platforms (on by
// default); off, every pair is tried, as a reference to compare against.
void setCollisionPlatformGrid(int on);
// Resolves one pair of a group (`checkCollisionsToPlatforms`: the platform rules).
void performCollisionOfSprites(luaSpriteInfoRec *targetA, luaSpriteInfoRec *targetB, const char *collisionGroupName,
                               int checkCollisionsToPlatforms);
// Pushes `sprite` out of `platform` along the coordinate `position` points
// at, by at most `distance` in `direction`. 1 when they still touch.
int separateSprites(luaSpriteInfoRec *sprite, luaSpriteInfoRec *platform, float *position, const float *formerPosition,
                    float direction, float distance);
// Separates again the sprite whose landing script is running.
void delayedPlatformSeparation(void);
// 1 when (x, y - 5) is over an immobile member of "game_platform".
int collidePointToPlatform(int x, int y);
void registerLuaSpriteCollisionGroupFunctions(lua_State *L);
void initCollisionGroups(void);
void destructCollisionGroups(void);
