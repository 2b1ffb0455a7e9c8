// The layered object manager in which everything visible lives. Each object
// is drawn once per rendered frame (layer 0 at the back to layer 19 at the
// front, insertion order within a layer), updated once per update step (a
// non-zero update result removes it) and offered input events front to back,
// last inserted first, until one consumes them. The manager owns its records;
// an object's data belongs to the object and is released by its destruct
// function, exactly once. It does not draw, clip or order anything itself.
// Every operation accepts a null manager and then does nothing.
#pragma once

#include <cstdint>

#include "ssRect.h"
#include "tree.h"

enum { kObjectManagerLayers = 20 };

// Object event types.
enum {
    kObjEvent_MouseUp = 0,
    kObjEvent_MouseDown = 1,
    kObjEvent_KeyUp = 2,
    kObjEvent_KeyDown = 3
};

typedef void (*objDrawFunc)(void *data);
// Non-zero asks for the object's removal.
typedef int (*objUpdateFunc)(void *data, uint32_t frame);
typedef void (*objDestructFunc)(void *data);
// Asks for the memory an object's next update will read (with
// __builtin_prefetch; it must change nothing): the update pass calls it a
// little ahead of the update, so that thousands of objects scattered over
// the heap are not updated one cache miss after another.
typedef void (*objPrefetchFunc)(void *data);
// Key is 0 for mouse events; x, y (window coordinates, origin lower left) are
// 0 for key events. Non-zero means the event was consumed.
typedef int (*objEventFunc)(void *data, uint8_t eventType, uint8_t key, int x, int y, void *ref);

// One object; copied into its node on insertion.
struct _object {
    void *data;
    uint32_t layer;  // 0-19
    objDrawFunc draw;
    objUpdateFunc update;
    objDestructFunc destruct;  // may be null
    objEventFunc event;        // may be null
    objPrefetchFunc prefetch;  // may be null
    uint8_t walkState;         // kObjWalk_ bits, kept by the manager
};

// An object's state in the walks under way.
enum {
    kObjWalk_Updating = 1,  // its update is running (a nested pass skips it)
    kObjWalk_Removed = 2    // removed while a walk was under way: no longer updated, drawn or
                            // offered events; destroyed when the outermost walk ends
};

// The root record of a manager.
struct objMgrInfo {
    uint32_t frame;  // update passes so far
    ssRect *bounds;  // the visible area, owned by the window environment
    void *refCon;
};

// A root holding a zeroed objMgrInfo and 20 empty layers.
_treeNode *initObjectManager(void);
// Destroys every object (layer 19's first, each layer in insertion order),
// then frees the whole tree.
void destructObjectManager(_treeNode *manager);
// Destroys every object and leaves 20 fresh empty layers; the frame count,
// bounds and refCon are kept.
void clearObjectManager(_treeNode *manager);
void setObjectManagerBounds(_treeNode *manager, ssRect *bounds);

// Appends an object to the end of its layer, in constant time; a layer above
// 19 is stored as 19. Returns `data`, or null for a null manager.
void *insertObject(_treeNode *manager, void *data, uint32_t layer, objDrawFunc draw,
                   objUpdateFunc update, objDestructFunc destruct, objPrefetchFunc prefetch = nullptr,
                   objEventFunc event = nullptr);
// Sets the event function of every object whose data is `data` (walks them all).
void setObjectEvents(_treeNode *manager, void *data, objEventFunc event);

// Draws every object, back to front. Quads that objects batch (glQuadBatch)
// are drawn before an object of another draw function and at the end.
void drawObjectManager(_treeNode *manager);
// One update pass: advances the frame count, then updates each layer's
// objects in insertion order (only `onlyUpdateLayer` when that is 0 or more),
// destroying and removing those whose update returns non-zero. Objects an
// update appends to the layer being walked (or a later one) are updated in
// the same pass. An update may not remove other objects of its own layer.
// A pass may run inside another pass or an event walk (a script forcing a
// render): it skips the objects whose update is under way, and what it removes
// is destroyed only when the outermost walk ends, so no walk is left holding
// a freed object.
void updateObjectManager(_treeNode *manager);
// Code that holds objects' data while it runs scripts outside the manager's
// own walks (a collision pass, a group of event scripts) brackets that work
// with these: objects that a pass forced inside it removes are destroyed at
// the last release. Calls nest; the update pass and event walks hold too.
void holdObjectDestruction(void);
void releaseObjectDestruction(void);

// Offers the event to layers 19 down to 0, each from its last object to its
// first, until an event function returns non-zero; returns that value, or 0.
int eventObjectManager(_treeNode *manager, uint8_t eventType, uint8_t key, int x, int y, void *ref);
// Offers the event to one layer's objects, from the last to `firstObject`.
int eventListBackwards(_treeNode *firstObject, uint8_t eventType, uint8_t key, int x, int y, void *ref);

// Restricts updating to one layer; -1 (the default) updates all layers.
void setOnlyUpdateObjectManagerLayer(int layer);

// First object node of a layer (walk on with getSibling), or null for a
// layer of 20 or more, an empty layer or a null manager.
_treeNode *objectEnumerator(_treeNode *manager, uint32_t layer);
void *getObjectData(_treeNode *object);
// Tells what kind of object a node holds.
objDrawFunc getObjectDrawFunc(_treeNode *object);
