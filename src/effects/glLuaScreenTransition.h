// glLuaScreenTransition: the iris between two scenes. An "Alpha mask zoom"
// transition draws a mask texture as a square centred on the 640 x 480 view,
// rotating and scaled between nothing and full size, with everything outside
// the square filled with the colour of the mask's top-left texel. A start
// transition closes (the mask shrinks while fading in), then stays on screen
// swallowing input until the scene is replaced; an end transition opens (the
// mask grows while fading out) and removes itself. Each may run a script when
// it completes. Transitions live in the top layer (19) of an object manager.
// Main thread only.
#pragma once

#include <lua.hpp>

#include <cstdint>

struct _treeNode;

struct luaAlphaMask_ScreenTransitionInfo {
    int32_t textureRef;     // mask (loaded clamped on both axes), or -1: nothing drawn
    float rotation;         // degrees about the view axis
    float rotationDelta;    // degrees per update step
    int32_t duration;       // update steps left; kTransitionFinished once done
    float scale;            // 0 to 1
    float scaleDelta;       // per step: +1/duration opening, -1/duration closing
    float alpha;            // 0 to 1
    float alphaDelta;       // per step: opacity reaches its end at half the duration
    char *luaScript;        // completion script (owned), or null
};

enum { kTransitionFinished = -500, kTransitionLayer = 19 };

// Keeps the state completion scripts run in and the object list scripts add
// transitions to, and registers startScreenTransition and endScreenTransition.
void initScreenTransitionTransitions(lua_State *L, _treeNode *objectList);

// Creates one transition and inserts it into `list` on layer 19. A direction
// above 0 opens (end), otherwise it closes (start). `texture` and `script`
// may be null. A negative duration counts as 0 (done at the first step).
luaAlphaMask_ScreenTransitionInfo *addAlphaMaskScreenTransition(_treeNode *list, const char *texture,
                                                                const char *script, float rotation,
                                                                int duration, float direction);
void displayAlphaMaskScreenTransition(void *transition);
int updateAlphaMaskScreenTransition(void *transition, uint32_t frame);
void destructAlphaMaskScreenTransition(void *transition);
// Consumes every input event while the transition closes or stays closed.
int eventAlphaMaskScreenTransition(void *transition, uint8_t eventType, uint8_t key, int x, int y, void *ref);
