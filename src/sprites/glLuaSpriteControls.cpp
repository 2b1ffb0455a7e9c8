// glLuaSpriteControls: control-bound accelerations and mouse tracking. While
// its first event's value is non-zero a binding gains its acceleration, while
// its second event's is non-zero it loses it, each within its limit; nothing
// slows it when the events are released. The motion step moves the sprite by
// each binding's speed and follows the mouse (glLuaSpriteMotion.cpp); this
// file steps a binding, binds, removes and clears, and holds the script
// functions. A binding reads its events through the input manager's value
// slots, which stay valid when control bindings change.

#include <cstdio>

#include "input/glInput.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"

// A positive limit bounds the speed from above, zero or below from below.
static void private_limit(float *velocity, const float *limit, float sign) {
    for (int i = 0; i < 3; i++) {
        float m = sign * limit[i];
        if (m > 0) {
            if (velocity[i] > m) velocity[i] = m;
        } else if (velocity[i] < m) {
            velocity[i] = m;
        }
    }
}

void stepAccelerationBinding(accelerationBinding *binding) {
    if (!binding) return;
    if (binding->controlValueA && *binding->controlValueA) {
        for (int i = 0; i < 3; i++) binding->velocity[i] += binding->acceleration[i];
        private_limit(binding->velocity, binding->max_velocity, 1.0f);
    }
    if (binding->controlValueB && *binding->controlValueB) {
        for (int i = 0; i < 3; i++) binding->velocity[i] -= binding->acceleration[i];
        private_limit(binding->velocity, binding->max_velocity, -1.0f);
    }
}

// ---- Binding and clearing ----

// Runs `change` on every binding of the sprite.
static void private_eachBinding(luaSpriteInfoRec *sprite, void (*change)(accelerationBinding *)) {
    if (!sprite) return;
    for (_treeNode *node = getChild(sprite->accelerationBindingList, 0); node; node = getSibling(node))
        if (getData(node)) change((accelerationBinding *)getData(node));
}

void clearSpriteControlVelocities(luaSpriteInfoRec *sprite) {
    private_eachBinding(sprite, [](accelerationBinding *b) { b->velocity[0] = b->velocity[1] = b->velocity[2] = 0; });
}

void clearSpriteControlAcceleration(luaSpriteInfoRec *sprite) {
    private_eachBinding(sprite, [](accelerationBinding *b) { b->acceleration[0] = b->acceleration[1] = b->acceleration[2] = 0; });
}

void killAllSpriteMovement(luaSpriteInfoRec *sprite) {
    if (!sprite) return;
    clearSpriteControlVelocities(sprite);
    clearSpriteControlAcceleration(sprite);
    if (!sprite->animationArray) return;
    // Only frames that move are changed, so frames shared with other sprites stay shared.
    int moving = 0;
    for (int i = 0; i < sprite->numberOfAnimations; i++)
        for (int axis = 0; axis < 3; axis++) moving |= sprite->animationArray[i].move[axis] != 0;
    animationInfo *frames = moving ? writableLuaSpriteFrames(sprite) : nullptr;
    for (int i = 0; frames && i < sprite->numberOfAnimations; i++)
        for (int axis = 0; axis < 3; axis++) frames[i].move[axis] = 0;
    for (int axis = 0; axis < 3; axis++) sprite->last_move[axis] = 0;
}

void removeAccelerationBoundToValue(luaSpriteInfoRec *sprite, const long *value) {
    if (!sprite) return;
    _treeNode *list = sprite->accelerationBindingList;
    int index = 0;
    for (_treeNode *node = getChild(list, 0); node;) {
        _treeNode *next = getSibling(node);
        const accelerationBinding *binding = (const accelerationBinding *)getData(node);
        if (binding && binding->controlValueA == value)
            removeChild(list, index);
        else
            index++;
        node = next;
    }
}

void bindAccelerationToValues(luaSpriteInfoRec *sprite, long *valueA, long *valueB, const float *acceleration,
                              const float *maxVelocity, const float *initialVelocity) {
    if (!sprite) return;
    // Binding an event again replaces its binding. An event with no control
    // (null value) matches every other such binding: those go too.
    removeAccelerationBoundToValue(sprite, valueA);
    accelerationBinding binding;
    for (int i = 0; i < 3; i++) {
        binding.velocity[i] = initialVelocity[i];
        binding.max_velocity[i] = maxVelocity[i];
        binding.acceleration[i] = acceleration[i];
    }
    binding.controlValueA = valueA;
    binding.controlValueB = valueB;
    addChild(spriteListToFill(&sprite->accelerationBindingList), &binding, (int32_t)sizeof(binding));
}

// ---- Script functions ----

static void private_readVector(lua_State *L, int first, float *out) {
    for (int i = 0; i < 3; i++) out[i] = (float)lua_tonumber(L, first + i);
}

// Both binding functions: `events` event names after the reference, then
// acceleration, limit and initial speed.
static int private_bind(lua_State *L, int events, const char *usage) {
    glLuaArgs_check(L, events == 1 ? "nsnnnnnnnnn" : "nssnnnnnnnnn", usage);
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (!sprite) return 0;
    float acceleration[3], maxVelocity[3], initialVelocity[3];
    private_readVector(L, 2 + events, acceleration);
    private_readVector(L, 5 + events, maxVelocity);
    private_readVector(L, 8 + events, initialVelocity);
    long *valueA = glInput_getEventValueReference(lua_tostring(L, 2));
    long *valueB = events == 2 ? glInput_getEventValueReference(lua_tostring(L, 3)) : nullptr;
    // Allowed (the initial speed still moves the sprite), but most likely a mistake.
    for (int i = 0; i < events; i++)
        if (!(i == 0 ? valueA : valueB))
            fprintf(stderr, "%s: no control is bound to the event \"%.127s\"; it will never accelerate sprite %d\n",
                    events == 1 ? "bindAccelerationToEvent" : "bindAccelerationToDualEvents", lua_tostring(L, 2 + i),
                    sprite->self.spriteRef);
    noteLuaSpriteChanged(&sprite->self);
    bindAccelerationToValues(&sprite->self, valueA, valueB, acceleration, maxVelocity, initialVelocity);
    return 0;
}

static int lua_bindAccelerationToEvent(lua_State *L) {
    return private_bind(L, 1,
                        "usage: bindAccelerationToEvent(<Integer spriteRefNum>, <String event name>, <Double accelerationX>, "
                        "<Double accelerationY>, <Double accelerationZ>, <Double Max VelocityX>, <Double Max VelocityY>, "
                        "<Double Max VelocityZ>)");
}

static int lua_bindAccelerationToDualEvents(lua_State *L) {
    return private_bind(L, 2,
                        "usage: bindAccelerationToEvent(<Integer spriteRefNum>, <String event name>, <String event name>, "
                        "<Double accelerationX>, <Double accelerationY>, <Double accelerationZ>, <Double Max VelocityX>, "
                        "<Double Max VelocityY>, <Double Max VelocityZ>)");
}

static int lua_removeAccelerationBoundToEvent(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "ns", "usage: removeAccelerationBoundToEvent(<Integer spriteRefNum>, <String event name>)");
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (sprite) removeAccelerationBoundToValue(&sprite->self, glInput_getEventValueReference(lua_tostring(L, 2)));
    return 0;
}

static int lua_clearSpriteControlVelocities(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "n", "usage: clearSpriteControlVelocities(<Integer spriteRefNum>)");
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (sprite) killAllSpriteMovement(&sprite->self);
    return 0;
}

// Both tracking functions: min, max and offset for one axis.
static int private_track(lua_State *L, int axis, const char *usage) {
    glLuaArgs_check(L, "nnnn", usage);
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (!sprite) return 0;
    luaSpriteInfoRec *rec = &sprite->self;
    float min = (float)lua_tonumber(L, 2), max = (float)lua_tonumber(L, 3), offset = (float)lua_tonumber(L, 4);
    if (axis == 0) {
        rec->trackMouseX = 1, rec->minX = min, rec->maxX = max, rec->tmOffX = offset;
    } else {
        rec->trackMouseY = 1, rec->minY = min, rec->maxY = max, rec->tmOffY = offset;
    }
    return 0;
}

static int lua_startSpriteTrackMouseX(lua_State *L) {
    return private_track(L, 0, "usage: startSpriteTrackMouseX(<Integer spriteRefNum>, <Number min>, <Number max>, <Number Offset>)");
}

static int lua_startSpriteTrackMouseY(lua_State *L) {
    return private_track(L, 1, "usage: startSpriteTrackMouseY(<Integer spriteRefNum>, <Number min>, <Number max>, <Number Offset>)");
}

static int lua_endSpriteTrackMouse(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "n", "usage: endSpriteTrackMouse(<Integer spriteRefNum>)");
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (sprite) sprite->self.trackMouseX = sprite->self.trackMouseY = 0;
    return 0;
}

static const luaL_Reg controlFunctions[] = {
    {"startSpriteTrackMouseY", lua_startSpriteTrackMouseY},
    {"startSpriteTrackMouseX", lua_startSpriteTrackMouseX},
    {"endSpriteTrackMouse", lua_endSpriteTrackMouse},
    {"bindAccelerationToEvent", lua_bindAccelerationToEvent},
    {"bindAccelerationToDualEvents", lua_bindAccelerationToDualEvents},
    {"removeAccelerationBoundToEvent", lua_removeAccelerationBoundToEvent},
    {"clearSpriteControlVelocities", lua_clearSpriteControlVelocities},
    {nullptr, nullptr},
};

void registerLuaSpriteControlFunctions(lua_State *L) {
    for (const luaL_Reg *entry = controlFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
