// The layered object manager (see glObjectManager.h): a tree of the root
// (objMgrInfo), 20 layer nodes and, below them, one node per object holding
// a copy of its _object record. Drawing and destruction are tree walks;
// updating and event delivery go layer by layer.
#include "glObjectManager.h"

#include "graphics/glQuadBatch.h"

#include <vector>

#include <cstddef>

// -1 updates every layer; 0 or more only that one.
static int onlyUpdateLayer = -1;

// Bumped whenever objects are destroyed wholesale (clear, destroy), so that
// an update pass or event walk that caused it stops instead of touching
// freed nodes.
static unsigned generation = 0;

// Update passes and event walks under way. While more than the one destroying
// it are, a removed object is only marked (kObjWalk_Removed): the walks further
// out still hold its node and its data.
static int walkDepth = 0;
static _treeNode *managerWithRemovals = nullptr;

static objMgrInfo *private_info(_treeNode *manager)
{
    return (objMgrInfo *)manager->data;
}

static _object *private_object(_treeNode *node)
{
    return node ? (_object *)node->data : nullptr;
}

static void private_addLayers(_treeNode *manager)
{
    for (int i = 0; i < kObjectManagerLayers; i++)
        addChild(manager, nullptr, 0);
}

// The draw function of the object drawn last in this pass.
static objDrawFunc drawnKind = nullptr;

// Objects of one kind may batch their quads (glQuadBatch); another kind draws
// with its own GL calls, so what was batched is drawn before it.
static void private_drawVisitor(_treeNode *node, int depth)
{
    _object *object = private_object(node);
    if (depth == 2 && object && object->draw && !(object->walkState & kObjWalk_Removed)) {
        if (object->draw != drawnKind) {
            glQuadBatch_flush();
            drawnKind = object->draw;
        }
        object->draw(object->data);
    }
}

static void private_destructVisitor(_treeNode *node, int depth)
{
    _object *object = private_object(node);
    if (depth >= 2 && object && object->destruct)
        object->destruct(object->data);
}

// Calls every object's destruct: layer 19's objects first, down to layer 0's.
static void private_destructObjects(_treeNode *manager)
{
    generation++;
    if (managerWithRemovals == manager)
        managerWithRemovals = nullptr;
    mapTree_BFS(manager, private_destructVisitor, 0);
}

_treeNode *initObjectManager(void)
{
    _treeNode *manager = createTree();
    objMgrInfo info = {0, nullptr, nullptr};
    setData(manager, &info, sizeof info);
    private_addLayers(manager);
    return manager;
}

void destructObjectManager(_treeNode *manager)
{
    if (!manager)
        return;
    private_destructObjects(manager);
    destructTree(manager);
}

void clearObjectManager(_treeNode *manager)
{
    if (!manager)
        return;
    private_destructObjects(manager);
    while (manager->child)
        removeChildAfter(manager, nullptr);
    private_addLayers(manager);
}

void setObjectManagerBounds(_treeNode *manager, ssRect *bounds)
{
    if (manager)
        private_info(manager)->bounds = bounds;
}

void *insertObject(_treeNode *manager, void *data, uint32_t layer, objDrawFunc draw,
                   objUpdateFunc update, objDestructFunc destruct, objPrefetchFunc prefetch, objEventFunc event)
{
    if (!manager)
        return nullptr;
    if (layer >= kObjectManagerLayers)
        layer = kObjectManagerLayers - 1;
    _object object = {data, layer, draw, update, destruct, event, prefetch, 0};
    if (!addChild(getChild(manager, (int)layer), &object, sizeof object))
        return nullptr;
    return data;
}

void setObjectEvents(_treeNode *manager, void *data, objEventFunc event)
{
    if (!manager)
        return;
    for (_treeNode *layer = manager->child; layer; layer = layer->sibling) {
        for (_treeNode *node = layer->child; node; node = node->sibling) {
            _object *object = private_object(node);
            if (object && object->data == data)
                object->event = event;
        }
    }
}

void drawObjectManager(_treeNode *manager)
{
    if (!manager)
        return;
    drawnKind = nullptr;
    mapTree_DFS(manager, private_drawVisitor, 0);
    glQuadBatch_flush();  // nothing stays pending past the pass
}

// The update pass asks for memory a few objects ahead of the one it updates,
// one stage per object: four ahead, the node and its object record; three
// ahead, the object's data (its first four cache lines); two ahead, whatever
// the object's own prefetch function asks for (that reads the data). Records
// lie scattered over the heap, and updating thousands of them one cache miss
// after another is otherwise most of the work.
static void private_prefetchNode(_treeNode *node)
{
    if (!node)
        return;
    __builtin_prefetch(node->data);
    __builtin_prefetch(node->sibling);
}

static void private_prefetchData(_treeNode *node)
{
    _object *object = private_object(node);
    const char *data = object ? (const char *)object->data : nullptr;
    if (!data)
        return;
    for (int line = 0; line < 4; line++)
        __builtin_prefetch(data + 64 * line);
}

static void private_prefetchForUpdate(_treeNode *node)
{
    _object *object = private_object(node);
    if (object && object->prefetch && object->data)
        object->prefetch(object->data);
}

static void private_destroyNode(_treeNode *layer, _treeNode *prev, _treeNode *node)
{
    _object *object = private_object(node);
    if (object && object->destruct)
        object->destruct(object->data);
    removeChildAfter(layer, prev);
}

// Destroys what nested walks removed; called when the outermost walk ends.
static void private_destroyRemoved(void)
{
    _treeNode *manager = managerWithRemovals;
    managerWithRemovals = nullptr;
    if (!manager)
        return;
    unsigned started = generation;
    for (_treeNode *layer = manager->child; layer; layer = layer->sibling) {
        _treeNode *prev = nullptr;
        for (_treeNode *node = layer->child; node;) {
            _treeNode *next = node->sibling;
            _object *object = private_object(node);
            if (object && (object->walkState & kObjWalk_Removed)) {
                private_destroyNode(layer, prev, node);
                if (generation != started)
                    return;  // a destruct function cleared the manager
            } else {
                prev = node;
            }
            node = next;
        }
    }
}

void holdObjectDestruction(void)
{
    walkDepth++;
}

void releaseObjectDestruction(void)
{
    if (walkDepth > 0 && --walkDepth == 0 && managerWithRemovals)
        private_destroyRemoved();
}

static void private_updatePass(_treeNode *manager);

void updateObjectManager(_treeNode *manager)
{
    if (!manager)
        return;
    holdObjectDestruction();
    private_updatePass(manager);
    releaseObjectDestruction();
}

static void private_updatePass(_treeNode *manager)
{
    uint32_t frame = ++private_info(manager)->frame;
    unsigned started = generation;
    int layerIndex = 0;
    for (_treeNode *layer = manager->child; layer; layer = layer->sibling, layerIndex++) {
        if (onlyUpdateLayer >= 0 && layerIndex != onlyUpdateLayer)
            continue;
        _treeNode *prev = nullptr;
        _treeNode *node = layer->child;
        _treeNode *ahead[4] = {nullptr, nullptr, nullptr, nullptr};
        while (node) {
            _object *object = private_object(node);
            if (ahead[0] != node->sibling) {
                // First time round, or the last update appended objects.
                ahead[0] = node->sibling;
                ahead[1] = ahead[0] ? ahead[0]->sibling : nullptr;
                ahead[2] = ahead[1] ? ahead[1]->sibling : nullptr;
                ahead[3] = ahead[2] ? ahead[2]->sibling : nullptr;
                private_prefetchForUpdate(ahead[0]);
            }
            private_prefetchNode(ahead[3]);
            private_prefetchData(ahead[2]);
            private_prefetchForUpdate(ahead[1]);
            int remove = 0;
            if (object && object->update && !(object->walkState & (kObjWalk_Updating | kObjWalk_Removed))) {
                object->walkState |= kObjWalk_Updating;
                remove = object->update(object->data, frame);
                if (generation != started)
                    return;  // the update cleared the manager: these nodes are gone
                object->walkState &= (uint8_t)~kObjWalk_Updating;
            }
            _treeNode *next = node->sibling;
            if (remove && walkDepth == 1) {
                private_destroyNode(layer, prev, node);
            } else {
                if (remove) {
                    object->walkState |= kObjWalk_Removed;
                    managerWithRemovals = manager;
                }
                prev = node;
            }
            node = next;
            // Objects after the one updated are never removed by its update.
            ahead[0] = ahead[1];
            ahead[1] = ahead[2];
            ahead[2] = ahead[3];
            ahead[3] = ahead[3] ? ahead[3]->sibling : nullptr;
        }
    }
}

static int private_eventList(_treeNode *firstObject, uint8_t eventType, uint8_t key, int x, int y, void *ref);

int eventListBackwards(_treeNode *firstObject, uint8_t eventType, uint8_t key, int x, int y, void *ref)
{
    holdObjectDestruction();
    int consumed = private_eventList(firstObject, eventType, key, x, y, ref);
    releaseObjectDestruction();
    return consumed;
}

static int private_eventList(_treeNode *firstObject, uint8_t eventType, uint8_t key, int x, int y, void *ref)
{
    std::vector<_treeNode *> objects;
    for (_treeNode *node = firstObject; node; node = node->sibling)
        objects.push_back(node);
    unsigned started = generation;
    for (size_t i = objects.size(); i-- > 0;) {
        _object *object = private_object(objects[i]);
        if (!object || !object->event || (object->walkState & kObjWalk_Removed))
            continue;
        int consumed = object->event(object->data, eventType, key, x, y, ref);
        if (consumed)
            return consumed;
        if (generation != started)
            return 0;  // the handler cleared the manager: the rest are gone
    }
    return 0;
}

int eventObjectManager(_treeNode *manager, uint8_t eventType, uint8_t key, int x, int y, void *ref)
{
    if (!manager)
        return 0;
    unsigned started = generation;
    int consumed = 0;
    holdObjectDestruction();
    for (int layer = kObjectManagerLayers - 1; layer >= 0 && !consumed && generation == started; layer--)
        consumed = private_eventList(objectEnumerator(manager, (uint32_t)layer), eventType, key, x, y, ref);
    releaseObjectDestruction();
    return consumed;
}

void setOnlyUpdateObjectManagerLayer(int layer)
{
    onlyUpdateLayer = layer < 0 ? -1 : layer;
}

_treeNode *objectEnumerator(_treeNode *manager, uint32_t layer)
{
    if (!manager || layer >= kObjectManagerLayers)
        return nullptr;
    return getChild(getChild(manager, (int)layer), 0);
}

void *getObjectData(_treeNode *object)
{
    _object *record = private_object(object);
    return record ? record->data : nullptr;
}

objDrawFunc getObjectDrawFunc(_treeNode *object)
{
    _object *record = private_object(object);
    return record ? record->draw : nullptr;
}
