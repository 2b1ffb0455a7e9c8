// glLuaSpriteMotion: the update of one sprite, called by the object manager
// once per update step (5 ms) in layer order. It keeps the rollback copy and
// the motion-blur trail, counts down waits, skips sprites far off screen, and
// moves the rest: control-bound accelerations, timed colour, environment,
// scale and rotation changes, lift, gravity and updraft, the animation frame,
// velocity, the path, turning towards a target, the update script, mouse-over
// events, world bounds, mouse tracking, the floor and the collide-only-with
// pairing. Collision between sprites is not done here (the sprite manager runs
// it once per step for every sprite that took part, `isUpdating`). Velocities
// are per update step; `speedMultiplier` scales all of a sprite's motion.

#include "sprites/glLuaSprite.h"

#include <climits>
#include <cstddef>
#include <cmath>
#include <cstring>

#include "core/glMemory.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "sprites/glLuaSpriteCollisions.h"
#include "sprites/glLuaSpriteEventManager.h"

// Sprites this far outside the 640 x 480 view (scaled by parallax) stand still.
static const float kOffscreenMargin = 1024.0f;
static const float kViewWidth = 640.0f, kViewHeight = 480.0f;
// A sprite with a collision script is kept this far inside the right bound,
// and hears "kill_slash" when it falls this far below the bottom bound.
static const float kBoundsMargin = 64.0f;
// Each update a lift impulse decays to a hundredth.
static const float kLiftDecay = 0.01f;
// A collide-only-with pairing is tested on one update in this many.
static const uint32_t kPairingPeriod = 5;
// Half a degree: the most a heading turns towards a point in one update.
static const double kTurnRadians = 0.5 * M_PI / 180.0;

static int private_truncToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= (float)INT_MAX) return INT_MAX;
    if (value <= (float)INT_MIN) return INT_MIN;
    return (int)value;
}

// ---- Turning ----

static void private_rotate(float *out, const float *in, float c, float s) {
    float x = in[0], y = in[1];
    out[0] = x * c - y * s;
    out[1] = x * s + y * c;
}

void rotateLeftShortWays(float *out, const float *in) {
    static const float c = (float)cos(kTurnRadians), s = (float)sin(kTurnRadians);
    private_rotate(out, in, c, s);
}

void rotateRightShortWays(float *out, const float *in) {
    static const float c = (float)cos(2.0 * M_PI - kTurnRadians), s = (float)sin(2.0 * M_PI - kTurnRadians);
    private_rotate(out, in, c, s);
}

static float private_distance2(const float *location, const float *step, const float *target) {
    float d = 0;
    for (int i = 0; i < 3; i++) {
        float delta = location[i] + step[i] - target[i];
        d += delta * delta;
    }
    return d;
}

// Ties keep the current heading.
void turnTowardsTarget(const float *location, const float *target, float *velocity) {
    float left[3] = {0, 0, 0}, right[3] = {0, 0, 0};
    rotateLeftShortWays(left, velocity);
    rotateRightShortWays(right, velocity);
    float dS = private_distance2(location, velocity, target);
    float dL = private_distance2(location, left, target);
    float dR = private_distance2(location, right, target);
    if (dL < dR && dL < dS)
        memcpy(velocity, left, sizeof(left));
    else if (dR < dL && dR < dS)
        memcpy(velocity, right, sizeof(right));
}

// ---- Rollback ----

// Every update writes the first group of the record's fields (the block
// before removeMe); before it writes anything else it marks the record
// changed, as whatever else writes it does (getSprite, noteLuaSpriteChanged),
// and only then is the whole rollback copy kept. At 10,000 sprites copying the
// whole record on every update was most of the update's time, and keeping it
// for every sprite half of the sprites' memory.
static const size_t kStepWrittenBytes = offsetof(luaSpriteInfoRec, removeMe);
static_assert(kStepWrittenBytes <= sizeof(luaSpriteStepFields), "the first group fits its copy");
#define QUILLMERE_STEP_WRITES(field)                                                                    \
    static_assert(offsetof(luaSpriteInfoRec, field) + sizeof(luaSpriteInfoRec::field) <= kStepWrittenBytes, \
                  #field " is written by every update: it belongs in the record's first group");   \
    static_assert(offsetof(luaSpriteInfoRec, field) == offsetof(luaSpriteStepFields, field),        \
                  #field " lies where the first group's copy has it")
QUILLMERE_STEP_WRITES(location);
QUILLMERE_STEP_WRITES(velocity);
QUILLMERE_STEP_WRITES(last_move);
QUILLMERE_STEP_WRITES(updateTick);
QUILLMERE_STEP_WRITES(currentFace);
QUILLMERE_STEP_WRITES(updateWait);
QUILLMERE_STEP_WRITES(waitTime);
QUILLMERE_STEP_WRITES(animationChangeFlag);
QUILLMERE_STEP_WRITES(isUpdating);
#undef QUILLMERE_STEP_WRITES

static void private_takeRollbackCopy(luaSpriteInfo *sprite) {
    memcpy(&sprite->formerSelf, &sprite->self, kStepWrittenBytes);
    if (sprite->formerRecord) {
        glFree(sprite->formerRecord, sizeof(luaSpriteInfoRec));
        sprite->formerRecord = nullptr;
    }
    sprite->formerIsZero = 0;
}

const float *formerSpriteLocation(const luaSpriteInfoRec *rec) {
    return reinterpret_cast<const luaSpriteInfo *>(rec)->formerSelf.location;
}

void rollbackLuaSprite(luaSpriteInfo *sprite) {
    if (!sprite) return;
    luaSpriteInfoRec *rec = &sprite->self;
    luaSpriteInfoRec live = *rec;
    noteLuaSpriteChanged(rec);  // the copy stays what it is: it is kept before self changes
    if (sprite->formerIsZero)
        memset(rec, 0, sizeof *rec);
    else if (sprite->formerRecord)
        *rec = *sprite->formerRecord;
    else
        memcpy(rec, &sprite->formerSelf, kStepWrittenBytes);
    int32_t formerSerial = rec->animationSerial;
    // What the record owns is the live record's: the copy's may have been freed.
    rec->spriteDesc = live.spriteDesc;
    rec->spriteType = live.spriteType;
    rec->modelRef = live.modelRef;
    rec->collideWithSpriteEvent = live.collideWithSpriteEvent;
    rec->collisionFileKey = live.collisionFileKey;
    rec->pathList = live.pathList;
    rec->accelerationBindingList = live.accelerationBindingList;
    // The frames are held by the live record (and may be shared).
    rec->animationArray = live.animationArray;
    rec->numberOfAnimations = live.numberOfAnimations;
    rec->animationSerial = live.animationSerial;
    memcpy(rec->texturesLoaded, live.texturesLoaded, sizeof(live.texturesLoaded));
    rec->spriteRef = live.spriteRef;
    rec->layer = live.layer;  // the object manager keeps the sprite in its layer
    if (live.removeMe) rec->removeMe = 1;  // a removal asked for stays asked for
    if (formerSerial != live.animationSerial) {
        // Another animation was set since: its name and place stay.
        rec->currentAnimation = live.currentAnimation;
        rec->currentFace = live.currentFace;
        rec->updateTick = live.updateTick;
    }
    if (rec->currentFace < 0 || rec->currentFace >= rec->numberOfAnimations) rec->currentFace = 0;
}

// ---- Scripts ----

static void private_runScript(const luaSpriteInfoRec *rec, const char *script) {
    lua_State *L = getSpriteManagerLuaState();
    if (!L) return;
    glLua_setGlobalAsDouble(L, rec->spriteRef, "gCurrentSprite");
    glLua_runScript(L, script, 0);
}

void runLuaSpriteUpdateScript(luaSpriteInfoRec *rec) {
    if (rec) private_runScript(rec, rec->updateScript);
}

// ---- The motion-blur trail ----

static void private_freeCopy(luaSpriteInfoRec *copy) {
    releaseLuaSpriteFrames(copy->animationArray);
    glFree(copy, sizeof(luaSpriteInfoRec));
}

// Copies age by one update; a spent copy goes and the later ones move down a
// slot (the one that moved into the freed slot ages next time). The trail
// itself goes with its last copy.
static void private_ageTrail(luaSpriteInfo *sprite) {
    luaSpriteTrail *trail = sprite->trail;
    for (int i = 0; i < kSpriteMotionBlurCopies; i++) {
        if (!trail->copies[i]) continue;
        if (--trail->wait[i] >= 0) continue;
        private_freeCopy(trail->copies[i]);
        for (int j = i; j + 1 < kSpriteMotionBlurCopies; j++) {
            trail->copies[j] = trail->copies[j + 1];
            trail->wait[j] = trail->wait[j + 1];
        }
        trail->copies[kSpriteMotionBlurCopies - 1] = nullptr;
        trail->wait[kSpriteMotionBlurCopies - 1] = 0;
    }
    if (!trail->copies[0]) {
        glFree(trail, sizeof(luaSpriteTrail));
        sprite->trail = nullptr;
    }
}

static void private_captureTrail(luaSpriteInfo *sprite, uint32_t frame) {
    int skip = sprite->motionBlurFrameSkip > 0 ? sprite->motionBlurFrameSkip : 1;
    if (frame % (uint32_t)skip) return;
    if (!sprite->trail) sprite->trail = (luaSpriteTrail *)glMalloc(sizeof(luaSpriteTrail));
    luaSpriteTrail *trail = sprite->trail;
    if (!trail) return;
    for (int i = 0; i < kSpriteMotionBlurCopies; i++) {
        if (trail->copies[i]) continue;
        luaSpriteInfoRec *copy = (luaSpriteInfoRec *)glMallocWithBytes(sizeof(luaSpriteInfoRec), &sprite->self);
        if (copy) shareLuaSpriteFrames(copy->animationArray);
        trail->copies[i] = copy;
        trail->wait[i] = sprite->motionBlurWaitTime;
        break;
    }
    if (!trail->copies[0]) {  // no copy could be made
        glFree(trail, sizeof(luaSpriteTrail));
        sprite->trail = nullptr;
    }
}

// ---- The moving part of an update ----

// A count above 0 steps its value once more, also when it reaches 0 (so a
// count of 2.5 steps three times). Returns 1 when it stepped.
static int private_countDown(float *count) {
    if (!(*count > 0)) return 0;
    *count -= 1;
    if (*count <= 0) *count = 0;
    return 1;
}

static void private_timedChanges(luaSpriteInfoRec *rec) {
    if (!(rec->colorCount > 0 || (rec->enviroVar && rec->enviroCount > 0) || rec->scaleCount > 0 ||
          rec->rotationCount > 0))
        return;
    noteLuaSpriteChanged(rec);
    if (private_countDown(&rec->colorCount))
        for (int i = 0; i < 4; i++) rec->color[i] += rec->colorDelta[i];
    if (rec->enviroVar && private_countDown(&rec->enviroCount)) {
        *rec->enviroVar += rec->enviroDelta;
        // A fading background colour shows at once, as setEnvironmentGlobal's does.
        const float *first = environmentGlobalReference(kEnv_Bgcolor_R);
        if (rec->enviroVar >= first && rec->enviroVar <= first + (kEnv_Bgcolor_A - kEnv_Bgcolor_R))
            resetLuaSpriteOpenGLGlobals();
    }
    if (private_countDown(&rec->scaleCount))
        for (int i = 0; i < 3; i++) rec->scale[i] += rec->scaleDelta[i];
    if (private_countDown(&rec->rotationCount))
        for (int i = 0; i < 3; i++) rec->rotation[i] += rec->rotationDelta[i];
}

// The lift impulse is added, held within its limits (y from above only) and decays.
static void private_lift(luaSpriteInfoRec *rec) {
    float *lift = rec->lift_self_velocity;
    const float *limit = rec->lift_max_velocity;
    if (lift[0] == 0 && lift[1] == 0 && lift[2] == 0) return;
    noteLuaSpriteChanged(rec);
    for (int i = 0; i < 3; i++) {
        rec->velocity[i] += lift[i];
        if (lift[i] > limit[i]) lift[i] = limit[i];
    }
    if (lift[0] < -limit[0]) lift[0] = -limit[0];
    if (lift[2] < -limit[2]) lift[2] = -limit[2];
    for (int i = 0; i < 3; i++) lift[i] *= kLiftDecay;
}

// One point per update without a radius; with one, steer until it is near.
static void private_followPath(luaSpriteInfoRec *rec) {
    _treeNode *node = getChild(rec->pathList, 0);
    const float *point = node && getData(node) && node->size >= (int32_t)(3 * sizeof(float)) ? (const float *)getData(node) : nullptr;
    if (!point) {
        if (!rec->nextPathScript) return;
        const char *script = rec->nextPathScript;
        noteLuaSpriteChanged(rec);
        rec->nextPathScript = nullptr;  // a path's end runs its script once
        private_runScript(rec, script);
        return;
    }
    if (rec->vectorToTargetRadius == 0) {
        memcpy(rec->location, point, 3 * sizeof(float));
        removeChild(rec->pathList, 0);
        return;
    }
    turnTowardsTarget(rec->location, point, rec->velocity);
    float zero[3] = {0, 0, 0};
    if (private_distance2(rec->location, zero, point) < rec->vectorToTargetRadius) removeChild(rec->pathList, 0);
}

static void private_sendSide(luaSpriteInfoRec *rec, int side) {
    noteLuaSpriteChanged(rec);
    rec->formerSide = (int8_t)side;
    sendEventToSprite(rec->spriteRef, side < 0 ? "target_is_left" : "target_is_right");
}

static void private_followTarget(luaSpriteInfoRec *rec) {
    luaSpriteInfo *target = getSprite(rec->targetSprite);
    if (!target) return;
    const float *there = target->self.location;
    if (!rec->noMoveSendEvents) {
        turnTowardsTarget(rec->location, there, rec->velocity);
        return;
    }
    float x = rec->location[0];
    if (rec->formerSide == 0)
        private_sendSide(rec, there[0] < x ? -1 : 1);
    else if (rec->formerSide == -1 && x <= there[0])
        private_sendSide(rec, 1);
    else if (rec->formerSide == 1 && there[0] < x)
        private_sendSide(rec, -1);
}

static void private_updateScript(luaSpriteInfoRec *rec) {
    if (!rec->updateScript) return;
    if (rec->updateMethod == kUpdatePeriodic) {
        if (--rec->updateWait < 1) {
            rec->updateWait = rec->updateWaitTime;
            runLuaSpriteUpdateScript(rec);
        }
    } else if (rec->updateMethod == kUpdateOnAnimationWrap && rec->animationChangeFlag) {
        rec->animationChangeFlag = 0;
        runLuaSpriteUpdateScript(rec);
    }
}

// Everything a paused sprite does not do. Scripts run here may change any
// field of the record (never free it), so each part reads the record afresh.
static void private_move(luaSpriteInfoRec *rec, const float *env) {
    for (_treeNode *node = getChild(rec->accelerationBindingList, 0); node; node = getSibling(node)) {
        accelerationBinding *binding = (accelerationBinding *)getData(node);
        if (!binding) continue;
        stepAccelerationBinding(binding);
        for (int i = 0; i < 3; i++) rec->location[i] += rec->speedMultiplier * binding->velocity[i];
    }
    private_timedChanges(rec);
    private_lift(rec);
    if (rec->subjectToGravity) {
        for (int i = 0; i < 3; i++) rec->velocity[i] += rec->speedMultiplier * env[kEnv_Gravity_X + i];
        rec->velocity[1] += rec->up_draft * rec->speedMultiplier;
    }
    stepLuaSpriteAnimation(rec);
    for (int i = 0; i < 3; i++) rec->location[i] += rec->speedMultiplier * rec->velocity[i];
    private_followPath(rec);
    if (rec->targetSprite >= 0) private_followTarget(rec);
    private_updateScript(rec);
}

static void private_mouseOver(luaSpriteInfoRec *rec) {
    int over = mouseOverSprite(rec->spriteRef);
    if ((over && !rec->mouseOver) || (!over && rec->mouseOver == 1)) noteLuaSpriteChanged(rec);
    if (over && !rec->mouseOver) {
        rec->mouseOver = 1;
        sendEventToSprite(rec->spriteRef, "onMouseOver");
    } else if (!over && rec->mouseOver == 1) {
        rec->mouseOver = 0;
        sendEventToSprite(rec->spriteRef, "endMouseOver");
    }
}

static void private_worldBounds(luaSpriteInfoRec *rec, const float *env) {
    float left = env[kEnv_WorldBounds_Left], right = env[kEnv_WorldBounds_Right];
    if (!(left < right) || !rec->collisionScript) return;
    if (rec->location[1] < env[kEnv_WorldBounds_Bottom] - kBoundsMargin) sendEventToSprite(rec->spriteRef, "kill_slash");
    if (rec->location[0] < left) rec->location[0] = left;
    if (rec->location[0] > right - kBoundsMargin) rec->location[0] = right - kBoundsMargin;
}

// The pointer in window pixels (lower left origin) to world units, within the limits.
static void private_trackMouse(luaSpriteInfoRec *rec, const float *env) {
    int mouseX = 0, mouseY = 0;
    getMouse(&mouseX, &mouseY);
    if (rec->trackMouseX) {
        int x = private_truncToInt((float)mouseX + rec->tmOffX);
        if (0 < x && x <= getWindowWidth()) {
            x = private_truncToInt((float)x + env[kEnv_WorldOrigin_X]);
            if ((float)x <= rec->minX) x = private_truncToInt(rec->minX);
            if ((float)x >= rec->maxX) x = private_truncToInt(rec->maxX);
            rec->location[0] = (float)x;
        }
    }
    if (rec->trackMouseY) {
        int y = private_truncToInt((float)mouseY - rec->tmOffY);
        if (0 <= y && y <= getWindowHeight()) {
            y = private_truncToInt((float)y + env[kEnv_WorldOrigin_Y]);
            if ((float)y <= rec->minY) y = private_truncToInt(rec->minY);
            if ((float)y >= rec->maxY) y = private_truncToInt(rec->maxY);
            rec->location[1] = (float)y;
        }
    }
}

// The blocks an update reads besides the head of the record: the current
// frame, the heads of the two lists, the rollback copy's first group and the
// trail's fields. Reads only the record's head (asked for a step earlier).
void prefetchLuaSpriteUpdate(void *data) {
    const luaSpriteInfo *sprite = (const luaSpriteInfo *)data;
    const luaSpriteInfoRec *rec = &sprite->self;
    if (rec->animationArray && rec->currentFace >= 0 && rec->currentFace < rec->numberOfAnimations)
        __builtin_prefetch(&rec->animationArray[rec->currentFace]);
    __builtin_prefetch(rec->pathList);
    __builtin_prefetch(rec->accelerationBindingList);
    __builtin_prefetch(&sprite->formerSelf, 1);
}

int stepLuaSpriteMotion(luaSpriteInfo *sprite, uint32_t frame) {
    luaSpriteInfoRec *rec = &sprite->self;
    if (rec->removeMe) return 1;
    rec->isUpdating = rec->immobile ? 1 : 0;
    if (isLevelEditorActive()) {
        // While the editor is on nothing moves; the sprite under the mouse is selected.
        if (mouseOverSprite(rec->spriteRef)) setSelectedSprite(rec->spriteRef);
        return 0;
    }
    private_takeRollbackCopy(sprite);
    if (sprite->trail) private_ageTrail(sprite);
    if (sprite->motionBlurred) private_captureTrail(sprite, frame);
    if (rec->waitTime > 0) {
        rec->waitTime--;
        return 0;
    }
    rec->waitTime = 0;
    static const float *env = environmentGlobalReference(0);
    if (!rec->alwaysUpdate && !rec->screenCoords) {
        float cx = env[kEnv_WorldOrigin_X] * rec->parallaxValue, cy = env[kEnv_WorldOrigin_Y] * rec->parallaxValue;
        float x = rec->location[0], y = rec->location[1];
        if (!(cx - kOffscreenMargin < x && x < cx + kViewWidth + kOffscreenMargin && cy - kOffscreenMargin < y &&
              y < cy + kViewHeight + kOffscreenMargin))
            return 0;
    }
    rec->isUpdating = 1;
    if (!rec->pauseAnimation) private_move(rec, env);
    if (rec->getMouseOvers && rec->eventScript) private_mouseOver(rec);
    private_worldBounds(rec, env);
    if (rec->ignoreCollisions) {
        noteLuaSpriteChanged(rec);
        removeSpriteFromCollisionGroup("game_platform", rec);
        rec->subjectToGravity = 0;
        rec->velocity[1] = 0;
        rec->ignoreCollisions = 0;
    }
    if (rec->trackMouseX || rec->trackMouseY) private_trackMouse(rec, env);
    if (rec->floor != (float)kSpriteNoFloor && rec->location[1] < rec->floor) {
        rec->location[1] = rec->floor;
        for (float &v : rec->velocity) v = 0;
    }
    if (rec->removeMe) return 1;
    if (rec->collideWithSpriteEvent && rec->collisionCounter == (int32_t)(frame % kPairingPeriod)) {
        luaSpriteInfo *other = getSprite(rec->collideWithSprite);
        if (other) performCollisionOfSprites(rec, &other->self, rec->collideWithSpriteEvent, 0);
    }
    return 0;
}
