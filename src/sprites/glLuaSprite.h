// glLuaSprite: the sprite record and the sprite manager. Every game character,
// prop, text and background band is a sprite: one heap record living as an
// object in the object manager, known to scripts by a small integer (its
// reference, an index into the reference table). The module is split into one
// file per concern, all sharing this header:
//   glLuaSprite.cpp             reference table, creation and destruction, the
//                               sixteen environment globals, world bounds, the
//                               camera, start-up and the registration of every
//                               sprite script name
//   glLuaSpriteDefinitions.cpp  sprite definitions in the level document:
//                               addSprite, newSprite, removeSprite
//   glLuaSpriteProperties.cpp   the appearance script functions
//   glLuaSpritePlacement.cpp    placing, moving, origins, parallax, attaching
//   glLuaSpriteRender.cpp       drawing a sprite and its motion-blur trail
//   glLuaSpriteAnimation.cpp    frame animations from the definition and
//                               their stepping
//   glLuaSpriteMotion.cpp       the per-update motion step, the trail, rollback
//   glLuaSpritePaths.cpp        paths, targets and the movement script functions
//   glLuaSpriteControls.cpp     the per-update rule of control-bound accelerations
//   glLuaSpriteEditor.cpp       the placement editor: picking, dragging,
//                               scrolling and the level dump
// It does not load collision polygons or deliver events; those modules read
// and write the record defined here.
// Main thread only; scripts run from sprite code may create and remove sprites
// at any time (removal is deferred to the sprite's next update).
#pragma once

#include <lua.hpp>

#include <cstdint>
#include <cstdio>

#include "core/ssRect.h"
#include "core/tree.h"

class glObject;  // OBJ models; none are attached until models are built

// ---- Collision shapes (built by the collision module; read here for drawing
// the overlay and for the world bounds) ----

struct vertex {
    float p[3];
};

struct polygonRec {
    int16_t numVerts;
    int16_t hasEdgeFlags;  // 1 when some vertex carries a flag letter
    vertex *polygon;       // numVerts vertices (owned)
    char *edgeFlags;       // numVerts flag bytes, 0 where none (owned)
};

struct collisionRec {
    char *name;               // cache key, or null for a sphere-only shape
    _treeNode *polygonList;   // children hold polygonRec values; may be null
    float radius;             // bounding sphere around origin
    float origin[3];          // sphere centre in the sprite's own frame
    float bottom_center[3];
    int16_t width, height;    // mirror size of a flipped shape
};

// ---- Animation frames (one record per frame of the current animation) ----
// Sprites whose animation comes from the same element (with the same collision
// scale and texture) share one read-only frame array; a sprite that changes
// its frames first gets its own copy (writableLuaSpriteFrames).

struct animationInfo {
    // What every update reads comes first, so that it shares a cache line.
    int32_t pauseTime;        // updates the frame stays current
    float move[3];
    int16_t smoothMove;
    int16_t flipped;          // mirror: 1 left-right, 2 top-bottom, 3 both
    int32_t set_origin;
    float set_velocity[3];
    char *event;              // owned
    char *sound;              // owned
    float sprite_origin[3];   // pivot given to the sprite when the frame starts
    int32_t textureRef;
    float u1, t1, u2, t2;     // texture rectangle (left, bottom, right, top)
    int32_t width, height;    // quad size in units
    int32_t cellAnimation;    // non-zero: draw the rectangle, else the whole texture
    float origin[3];          // extra offset of a rectangle quad
    collisionRec *colRec;
    // The frame's own collision file, kept for the collision module, which
    // reads the polygons: the file text (borrowed from the document), its
    // cache key (scale and origin text included; owned) and the origin offset.
    const char *collisionFile;
    char *collisionKey;
    int32_t collisionOffset[2];
};

// ---- Control-bound acceleration (one binding, stored by value in the
// sprite's accelerationBindingList, in the order bound) ----

struct accelerationBinding {
    float velocity[3];       // speed built up by this binding
    float max_velocity[3];   // per-axis limit; its sign picks the side it limits
    float acceleration[3];   // added each update while the first event is on
    long *controlValueA;     // the first event's value, or null (never on)
    long *controlValueB;     // the opposite event's value, or null
};

// ---- The sprite record ----

enum {
    kSpriteNoFloor = -9999,
    kSpriteParameters = 64,       // extra addSprite arguments an init script can read
    kSpriteTexturesOwned = 10,
    kSpritePastPlatforms = 12,
    kSpriteMotionBlurCopies = 32,
    kSpriteMaxReferences = 32767, // references are kept in 16-bit fields
    kSpriteFlagBlend = 1,         // flags bit 0: blendSrc/blendDst apply
};

// Update methods of the update script.
enum { kUpdateOnRequest = 1, kUpdatePeriodic = 2, kUpdateOnAnimationWrap = 4 };

// The fields come in three groups. The first holds what the motion step
// writes on every update: every update copies that group into the rollback
// copy, and copies the whole record only when something else may have written
// it since the last update (see luaSpriteInfo). The second holds the rest of
// what every update reads, so that an update touches as few cache lines as
// it can; the step writes it only now and then (timed changes, lift, target
// sides, mouse-overs) and says so each time. The third group holds the rest.
struct luaSpriteInfoRec {
    // -- Written by every update --
    float location[3];
    float velocity[3];
    float last_move[3];
    int32_t updateTick;
    int32_t currentFace;
    int32_t updateWait;
    int16_t waitTime;
    int16_t animationChangeFlag;
    int8_t isUpdating;

    // -- Read by every update --
    int8_t removeMe;
    int8_t immobile;
    int8_t alwaysUpdate;
    int8_t screenCoords;
    int8_t subjectToGravity;
    int8_t ignoreCollisions;
    int8_t trackMouseX;
    int8_t trackMouseY;
    int8_t noMoveSendEvents;
    int8_t formerSide;
    int16_t pauseAnimation;
    int16_t targetSprite;
    int16_t getMouseOvers;
    int16_t mouseOver;
    float parallaxValue;
    float speedMultiplier;
    float up_draft;
    float floor;
    float colorCount;
    float scaleCount;
    float rotationCount;
    float enviroCount;
    float lift_self_velocity[3];
    int32_t numberOfAnimations;
    int32_t updateMethod;
    int32_t collisionCounter;
    int32_t spriteRef;
    float *enviroVar;                 // one of the environment globals, or null
    animationInfo *animationArray;    // owned
    _treeNode *accelerationBindingList;  // null until the first binding
    _treeNode *pathList;                 // null until the first point
    const char *nextPathScript;       // borrowed from the document
    const char *updateScript;         // borrowed from the document
    const char *eventScript;          // borrowed from the document
    const char *collisionScript;      // borrowed from the document
    char *collideWithSpriteEvent;     // owned

    // -- The rest --
    float origin[3];                  // the image is drawn at location - origin
    float color[4];
    float scale[3];
    float rotation[3];
    float colorDelta[4];
    float scaleDelta[3];
    float rotationDelta[3];
    float enviroDelta;
    float lift_max_velocity[3];
    float last_projectile_velocity[3];
    float vectorToTargetRadius;
    int32_t updateWaitTime;
    int32_t collideWithSprite;
    int8_t projectile;
    int32_t textureRef;
    int32_t alphabetRef;
    int32_t justification;            // 0 left, 1 centre, 2 right
    float alphabetCellSize;
    int32_t flags;
    int32_t blendSrc, blendDst;
    float u1, t1, u2, t2;
    int32_t width, height;
    int32_t cellAnimation;
    int8_t showSpriteDuringWait;
    int8_t endAnimationWhenLandOnPlatform;
    int8_t currentlyFalling;
    int8_t layer;
    int8_t hidden;
    int8_t flipWhenGoingLeft;
    int8_t flippedTexture;            // mirror: 1 left-right, 2 top-bottom, 3 both
    int16_t relativeSprite;
    float projectile_base[3];
    float relativeOffset[3];
    float relativeOrigin[3];
    float elasticity;
    float lift_velocity[3];
    float gradientTopColor[3];
    float gradientBottomColor[3];
    ssRect gradientRect;              // a non-zero width makes a gradient band
    float minX, maxX, tmOffX;
    float minY, maxY, tmOffY;
    _treeNode *xmlDataPtr;            // the definition element (borrowed)
    char *spriteDesc;                 // owned
    char *spriteType;                 // owned
    glObject *modelRef;               // owned; null while the sprite has no model
    int16_t texturesLoaded[kSpriteTexturesOwned];  // unloaded with the sprite; -1 empty
    const char *currentAnimation;     // borrowed from the document
    collisionRec *colRec;             // shared through the collision cache
    float collisionScaleValue;
    void *pastPlatformCollisions[kSpritePastPlatforms];
    int8_t pass_up, pass_left, pass_right, pass_down;
    int16_t getAllMouse;
    // Cache key of the definition's collision file (owned), kept for the
    // collision module, which reads the polygons.
    char *collisionFileKey;
    // Counts the animations set: a rollback keeps the place in an animation
    // set since (the frames may be shared, so their address does not tell).
    int32_t animationSerial;
};

// The first group of a record's fields, the ones every update writes, laid
// out as in luaSpriteInfoRec (the motion step checks that they match).
struct luaSpriteStepFields {
    float location[3];
    float velocity[3];
    float last_move[3];
    int32_t updateTick;
    int32_t currentFace;
    int32_t updateWait;
    int16_t waitTime;
    int16_t animationChangeFlag;
    int8_t isUpdating;
};

// The motion-blur trail, allocated while the sprite has copies in it.
struct luaSpriteTrail {
    luaSpriteInfoRec *copies[kSpriteMotionBlurCopies];  // oldest first
    int32_t wait[kSpriteMotionBlurCopies];              // updates each copy has left
};

// The object stored in the object manager. A pointer to it is a pointer to self.
// The rollback copy is self as it was at the start of the last update: its
// first group is formerSelf, copied by every update; the rest is self's own
// until something else is about to write self, which first keeps the whole
// copy in formerRecord (getSprite and noteLuaSpriteChanged do it, so whatever
// writes a record outside the motion step gets it through getSprite or calls
// noteLuaSpriteChanged before writing). Most sprites have no formerRecord most
// of the time, which halves the memory of a record. formerRecord is a plain
// copy: the things its pointers name may have been freed since (a new
// animation, a new description), so only its values are read.
struct luaSpriteInfo {
    luaSpriteInfoRec self;
    luaSpriteStepFields formerSelf;   // self's first group at the start of the last update
    luaSpriteInfoRec *formerRecord;   // all of self then, or null while the rest is unchanged
    int32_t motionBlurWaitTime;
    int32_t motionBlurFrameSkip;      // never 0 while the trail is on
    int32_t motionBlurred;
    int32_t formerIsZero;             // before the first update the rollback copy is all zero
    luaSpriteTrail *trail;            // null while there is no copy
};

// ---- Environment globals ----

enum {
    kEnv_Gravity_X = 0,
    kEnv_Gravity_Y,
    kEnv_Gravity_Z,
    kEnv_Bgcolor_R,
    kEnv_Bgcolor_G,
    kEnv_Bgcolor_B,
    kEnv_Bgcolor_A,
    kEnv_WorldBounds_Left,
    kEnv_WorldBounds_Right,
    kEnv_WorldBounds_Bottom,
    kEnv_WorldBounds_Top,
    kEnv_WorldOrigin_X,
    kEnv_WorldOrigin_Y,
    kEnv_WorldOrigin_Velocity_X,
    kEnv_WorldOrigin_Velocity_Y,
    kEnv_CameraSpriteFocus,
    kEnvironmentGlobals
};

// Index of a global's script name ("kEnv_Gravity_X" ...), or -1.
int environmentGlobalIndex(const char *name);
const char *environmentGlobalName(int index);
// Value of one global (0 for an index outside the table).
float getEnvironmentValue(int index);
// Sets one global; the background entries change the clear colour at once.
void setEnvironmentValue(int index, float value);
// The global itself, for timed changes; null outside the table.
float *environmentGlobalReference(int index);

// ---- Manager (glLuaSprite.cpp) ----

// A sprite's path or binding list, made when the first element comes (most
// sprites never have one). Null only when it could not be made.
inline _treeNode *spriteListToFill(_treeNode **list) {
    if (!*list) *list = createTree();
    return *list;
}

// Called by the script host at start-up: keeps the state and the object
// manager and registers the sprite, sound and environment script functions.
void initLuaSpriteManager(lua_State *L, _treeNode *objMgr);
// At shutdown: releases the reference table and the manager's lists. Sprites
// destroyed afterwards (the object manager goes later) find no slot to clear.
void destructLuaSpriteManager(void);
// A new level document: kept for the definitions; the camera is placed at the
// next update and the bounds, origin and focus take their after-load values.
void setLuaSpriteManagerXMLTree(_treeNode *tree);
_treeNode *getSpriteManagerXMLTree(void);
// The after-load values of the world bounds, origin and camera focus.
void resetSpriteEnvironmentAfterLoad(void);
// The bounds from immobile sprites' collision shapes (only while they hold
// their after-load values), then widened to cover at least the first screen.
void calculateWorldBoundsFromSpritePositions(void);
// The clear colour from the background globals.
void resetLuaSpriteOpenGLGlobals(void);
// Before and after the object manager's update of each step.
void preupdateLuaSpriteManager(void);
void updateLuaSpriteManager(void);

// The sprite with this reference, or null. Its record may be changed: the
// sprite's next update takes the whole rollback copy.
luaSpriteInfo *getSprite(int ref);
// Says that a live sprite's record was (or is about to be) changed by other
// code than its motion step, for code that holds the record itself. Does
// nothing for a record that is not a live sprite's (a trail copy).
void noteLuaSpriteChanged(luaSpriteInfoRec *rec);
_treeNode *getSpriteManagerObjectManager(void);
lua_State *getSpriteManagerLuaState(void);
int getSpriteReferenceArraySize(void);
int getNumberOfLuaSprites(void);
// Reference of the sprite made by the last addSprite, -1 none.
int getNewSpriteReference(void);
void setNewSpriteReference(int ref);
// The last live sprite made with type "slash" (cleared when it is destroyed).
luaSpriteInfoRec *getSlashSprite(void);

// Creates a sprite with its defaults from a definition element and inserts it
// into the object manager. Returns its reference, -1 when no slot is free.
int addLuaSprite(_treeNode *objMgr, _treeNode *definition, const char *type, int layer);
// The object manager's callbacks of every sprite.
void destructLuaSprite(void *data);
int updateLuaSprite(void *data, uint32_t frame);

// The sprite under the mouse while the editor is on (-1 none), read by drawing.
int getSelectedSprite(void);
void setSelectedSprite(int ref);
// The collision debug mode: shapes are drawn over the sprites.
int getCollisionOverlayMode(void);
void setCollisionOverlayMode(int on);

// The shape of a sprite now: its own, or the current frame's, with the mirror
// bits that apply to it. Null (flipped 0) for a missing sprite.
collisionRec *getSpriteCollisionRecord(int spriteRef, int *flipped);
// The same for a record in hand (no lookup).
collisionRec *getRecordCollisionShape(const luaSpriteInfoRec *rec, int *flipped);

// ---- Motion (glLuaSpriteMotion.cpp) ----

// One sprite's whole update: the rollback copy, the trail, waits, the
// off-screen skip, accelerations, timed changes, lift, gravity, the animation
// frame, velocity, path, target, update script, mouse-over, world bounds,
// mouse tracking, the floor and the collide-only-with pairing. `frame` is the
// object manager's update count. Returns 1 when the sprite must be removed.
int stepLuaSpriteMotion(luaSpriteInfo *sprite, uint32_t frame);
// The object manager's prefetch function of every sprite: asks for what the
// sprite's next update reads beyond the head of its record.
void prefetchLuaSpriteUpdate(void *sprite);
// Turns `velocity` (x, y) by half a degree towards `target` when that brings
// location + velocity closer to it; the speed is kept.
void turnTowardsTarget(const float *location, const float *target, float *velocity);
// out (x, y) := in (x, y) turned by +0.5 (left) or -0.5 (right) degrees about z.
void rotateLeftShortWays(float *out, const float *in);
void rotateRightShortWays(float *out, const float *in);
// self := formerSelf, keeping the live record's owned things (frames, texts,
// lists, model, texture references) and a requested removal.
void rollbackLuaSprite(luaSpriteInfo *sprite);
// The rollback copy's location: self's at the start of the last update.
const float *formerSpriteLocation(const luaSpriteInfoRec *rec);
// Sets "gCurrentSprite" to the sprite and runs its update script (if it has one).
void runLuaSpriteUpdateScript(luaSpriteInfoRec *rec);

// ---- Animation (glLuaSpriteAnimation.cpp) ----

// Loads the definition's animation `name` into the sprite's frames (a random
// first frame when `randomStart`). Returns 0 when the definition has none.
int setLuaSpriteAnimation(luaSpriteInfoRec *rec, const char *name, int randomStart);
// Drops the frames after applying the current frame's move.
void removeLuaSpriteAnimation(luaSpriteInfoRec *rec);
// A zeroed array of `count` frames with one holder, or null (count <= 0).
animationInfo *newLuaSpriteFrames(int count);
// Gives back one holder's share of a frame array (null: nothing); the last
// holder frees it with its texts.
void releaseLuaSpriteFrames(animationInfo *frames);
// One more holder of the same frames (a trail copy), which it gives back with
// releaseLuaSpriteFrames; returns `frames`.
animationInfo *shareLuaSpriteFrames(animationInfo *frames);
// The record's frames made its own to change (copied when shared, the live
// sprite marked changed first), or null when it has none or the copy failed.
animationInfo *writableLuaSpriteFrames(luaSpriteInfoRec *rec);
// Holders of a frame array (0 for null), for tests.
int luaSpriteFrameHolders(const animationInfo *frames);
// Frame arrays made from an animation element are found again only until the
// document, a texture or the sprite manager changes; this forgets them all.
void forgetSharedLuaSpriteFrames(void);
// One update of the current animation: the frame's move, the frame advance
// with its pivot, velocity kick, event and sound, the move of a frame that
// moves once. Nothing without frames.
void stepLuaSpriteAnimation(luaSpriteInfoRec *rec);
// The cache key of a frame's collision file for a sprite's collision scale:
// the scale ("%0.2f", none at 1.0) goes in front of the file's own name, the
// origin text after it. Writes at most `length` bytes (always terminated; a
// null key or length 0 writes nothing) and returns the length it needed.
int frameCollisionKey(const char *file, const char *origin, float scale, char *key, int length);

// ---- Control-bound acceleration (glLuaSpriteControls.cpp) ----

// The binding's speed after one update of its events (accelerate while the
// first is on, decelerate while the second is on, each within its limit).
void stepAccelerationBinding(accelerationBinding *binding);
// Every binding's speed / acceleration := 0.
void clearSpriteControlVelocities(luaSpriteInfoRec *sprite);
void clearSpriteControlAcceleration(luaSpriteInfoRec *sprite);
// Both of the above, and the moves of the current animation's frames.
void killAllSpriteMovement(luaSpriteInfoRec *sprite);
// Appends a binding driven by the two value slots (either may be null: never
// on), replacing every binding of the sprite whose first slot is valueA.
void bindAccelerationToValues(luaSpriteInfoRec *sprite, long *valueA, long *valueB, const float *acceleration,
                              const float *maxVelocity, const float *initialVelocity);
// Removes every binding whose first slot is `value`.
void removeAccelerationBoundToValue(luaSpriteInfoRec *sprite, const long *value);

// ---- Definitions (glLuaSpriteDefinitions.cpp) ----

// Creates one sprite from every top-level definition of `type`, running each
// init script with `parameters` readable through getSpriteParameter (only
// while this call runs; a nested call shows its own until it returns). Returns
// the reference of the last attempt, -1 when nothing matched or it failed;
// `made` (may be null) receives that sprite's record, null on -1.
int addSpritesOfType(const char *type, int layer, const char *const *parameters, int parameterCount,
                     luaSpriteInfo **made);
// Text of parameter n of the running addSprite, null when empty or outside 0-63.
const char *getSpriteParameterText(int n);
// 1 when every character is a decimal digit or '.', with at most one '.'.
int isnumber(const char *text);
// The OpenGL factor named `name` when it is accepted on that side, else 0 (GL_ZERO).
int blendFactorFromName(const char *name, int destination);
// Writes the level dump line of a sprite: addSprite("type", layer, x, y)\n.
// Returns the length it needed (snprintf rules; the text is always terminated).
int spriteLevelDumpLine(const luaSpriteInfoRec *rec, char *text, int length);

// ---- Placement editor (glLuaSpriteEditor.cpp) ----

// The mode (activateSpriteEditor / deactivateSpriteEditor).
int isLevelEditorActive(void);
void setLevelEditorActive(int active);
// Off, nothing dragged (at start-up).
void resetSpriteEditor(void);
// The sprite being dragged, -1 none.
int getDraggedSprite(void);
// A sprite is destroyed: a drag of it ends.
void spriteEditorForgetSprite(int ref);
// The event function of a sprite with an event script while the editor is on:
// a press picks up the selected sprite (Control also shows where it stood),
// a release drops it, the arrow keys scroll by half a view, Control+P writes
// the level dump. Returns 1 when the event is consumed (Control+P).
int spriteEditorEvent(luaSpriteInfoRec *rec, unsigned char type, unsigned char key, int x, int y);
// Once per update step while the editor is on: scrolling at the window edges
// and the dragged sprite following the mouse.
void updateSpriteEditor(void);
// The level dump line of every live sprite with a collision shape of its own or
// animation frames, in reference order. Returns the lines written, or -1 (with
// a log line) when the file could not be written.
int writeLevelDump(FILE *file);

// ---- Drawing (glLuaSpriteRender.cpp) ----

// The object manager's draw callback: the trail, then the sprite.
void displayLuaSprite(void *sprite);
void drawLuaSpriteInfoRec(luaSpriteInfoRec *rec);

// ---- Script registration, one table per file ----

void registerLuaSpriteManagerFunctions(lua_State *L);
void registerLuaSpriteDefinitionFunctions(lua_State *L);
void registerLuaSpritePropertyFunctions(lua_State *L);
void registerLuaSpritePlacementFunctions(lua_State *L);
void registerLuaSpriteRenderFunctions(lua_State *L);
void registerLuaSpriteAnimationFunctions(lua_State *L);
void registerLuaSpritePathFunctions(lua_State *L);
void registerLuaSpriteControlFunctions(lua_State *L);
void registerLuaSpriteEditorFunctions(lua_State *L);
// Checks for the many functions that take "at least" some arguments: the count
// is at least strlen(signature) and those arguments have the types of
// glLuaArgs_check's letters; otherwise `usage` is raised.
void glLuaSprite_checkAtLeast(lua_State *L, const char *signature, const char *usage);
