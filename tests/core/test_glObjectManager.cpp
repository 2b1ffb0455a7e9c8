// Object manager: draw, update, event and destruction orders observed through
// counting callbacks, removal on an update result, and clearing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/glMemory.h"
#include "core/glObjectManager.h"

struct Probe {
    const char *name;
    int removeOnFrame = 0;  // update returns 1 on this frame
    int consume = 0;        // event result
    int updates = 0, draws = 0, destructs = 0, events = 0;
    uint32_t lastFrame = 0;
};

static std::string order;

static void drawProbe(void *data)
{
    Probe *p = (Probe *)data;
    p->draws++;
    order += std::string(p->name) + " ";
}

static int updateProbe(void *data, uint32_t frame)
{
    Probe *p = (Probe *)data;
    p->updates++;
    p->lastFrame = frame;
    return (int)frame == p->removeOnFrame;
}

static void destructProbe(void *data)
{
    Probe *p = (Probe *)data;
    p->destructs++;
    order += std::string(p->name) + " ";
}

static int eventProbe(void *data, uint8_t, uint8_t, int, int, void *)
{
    Probe *p = (Probe *)data;
    p->events++;
    order += std::string(p->name) + " ";
    return p->consume;
}

// Odd layers get their event function on insertion, even ones afterwards.
static void insert(_treeNode *m, Probe &p, uint32_t layer, bool events = true)
{
    insertObject(m, &p, layer, drawProbe, updateProbe, destructProbe, nullptr,
                 events && layer % 2 ? eventProbe : nullptr);
    if (events && layer % 2 == 0) setObjectEvents(m, &p, eventProbe);
}

TEST(ObjectManager, DrawBackToFrontAndEventsFrontToBack)
{
    _treeNode *m = initObjectManager();
    Probe a{"a"}, b{"b"}, c{"c"}, top{"top"}, silent{"silent"};
    insert(m, a, 3);
    insert(m, b, 1);
    insert(m, c, 3);
    insert(m, top, 25);
    insert(m, silent, 2, false);
    EXPECT_EQ(getObjectData(objectEnumerator(m, 19)), &top);
    EXPECT_EQ(((_object *)objectEnumerator(m, 19)->data)->layer, 19u);
    EXPECT_EQ(objectEnumerator(m, 20), nullptr);
    EXPECT_EQ(getObjectDrawFunc(objectEnumerator(m, 1)), &drawProbe);

    order.clear(); drawObjectManager(m);
    EXPECT_EQ(order, "b silent a c top ");
    order.clear();
    EXPECT_EQ(eventObjectManager(m, kObjEvent_KeyDown, 'q', 0, 0, nullptr), 0);
    EXPECT_EQ(order, "top c a b ");

    // The first consumer stops the walk.
    c.consume = 7;
    order.clear();
    EXPECT_EQ(eventObjectManager(m, kObjEvent_MouseDown, 0, 10, 20, nullptr), 7);
    EXPECT_EQ(order, "top c ");
    EXPECT_EQ(a.events, 1);
    EXPECT_EQ(silent.events, 0);
    destructObjectManager(m);
}

TEST(ObjectManager, UpdateRemovesOnResultAndKeepsNeighbours)
{
    uint32_t before = glAllocated();
    _treeNode *m = initObjectManager();
    Probe first{"first"}, middle{"middle"}, last{"last"};
    middle.removeOnFrame = 2;
    first.removeOnFrame = 3;
    last.removeOnFrame = 4;
    insert(m, first, 0);
    insert(m, middle, 0);
    insert(m, last, 0);
    for (int i = 0; i < 6; i++) updateObjectManager(m);
    EXPECT_EQ(middle.updates, 2);
    EXPECT_EQ(first.updates, 3);
    EXPECT_EQ(last.updates, 4);
    EXPECT_EQ(first.destructs + middle.destructs + last.destructs, 3);
    EXPECT_EQ(((objMgrInfo *)m->data)->frame, 6u);
    order.clear(); drawObjectManager(m);
    EXPECT_EQ(order, "");
    EXPECT_EQ(objectEnumerator(m, 0), nullptr);
    destructObjectManager(m);
    EXPECT_EQ(first.destructs + middle.destructs + last.destructs, 3);
    EXPECT_EQ(glAllocated(), before);
}

static _treeNode *spawnManager;
static Probe spawnedSame{"same"}, spawnedBack{"back"};
static int spawnOnce(void *, uint32_t frame)
{
    if (frame == 1) {
        insert(spawnManager, spawnedSame, 5);
        insert(spawnManager, spawnedBack, 4);
    }
    return 0;
}

TEST(ObjectManager, ObjectsInsertedDuringUpdate)
{
    spawnManager = initObjectManager();
    insertObject(spawnManager, nullptr, 5, nullptr, spawnOnce, nullptr);
    updateObjectManager(spawnManager);
    EXPECT_EQ(spawnedSame.updates, 1);  // appended to the layer being walked
    EXPECT_EQ(spawnedBack.updates, 0);  // an earlier layer waits for the next pass
    destructObjectManager(spawnManager);
    EXPECT_EQ(spawnedSame.destructs, 1);
    EXPECT_EQ(spawnedBack.destructs, 1);
}

TEST(ObjectManager, OnlyUpdateLayer)
{
    _treeNode *m = initObjectManager();
    Probe two{"two"}, other{"other"};
    other.removeOnFrame = 1;
    insert(m, two, 2);
    insert(m, other, 7);
    setOnlyUpdateObjectManagerLayer(2);
    updateObjectManager(m);
    updateObjectManager(m);
    setOnlyUpdateObjectManagerLayer(-1);
    EXPECT_EQ(two.updates, 2);
    EXPECT_EQ(other.updates, 0);
    EXPECT_EQ(((objMgrInfo *)m->data)->frame, 2u);
    drawObjectManager(m);
    EXPECT_EQ(other.draws, 1);
    destructObjectManager(m);
}

TEST(ObjectManager, DestructionAndClearOrder)
{
    _treeNode *m = initObjectManager();
    ssRect bounds = {{640, 480}, {0, 0}};
    setObjectManagerBounds(m, &bounds);
    Probe a{"a"}, b{"b"}, mid{"mid"}, front{"front"};
    insert(m, a, 0);
    insert(m, b, 0);
    insert(m, mid, 5);
    insert(m, front, 19);
    updateObjectManager(m);
    order.clear(); clearObjectManager(m);
    EXPECT_EQ(order, "front mid a b ");
    EXPECT_EQ(numberOfChildren(m), 20);
    for (uint32_t layer = 0; layer < 20; layer++)
        EXPECT_EQ(objectEnumerator(m, layer), nullptr);
    objMgrInfo *info = (objMgrInfo *)m->data;
    EXPECT_EQ(info->frame, 1u);
    EXPECT_EQ(info->bounds, &bounds);

    // Still usable after clearing; destroying calls each destruct once.
    insert(m, a, 3);
    order.clear(); destructObjectManager(m);
    EXPECT_EQ(order, "a ");
    EXPECT_EQ(a.destructs, 2);
    EXPECT_EQ(front.destructs, 1);
}

static _treeNode *clearingManager;
static int clearFromUpdate(void *, uint32_t) { clearObjectManager(clearingManager); return 1; }

TEST(ObjectManager, ClearingDuringAnUpdateStopsThePass)
{
    clearingManager = initObjectManager();
    Probe later{"later"};
    insertObject(clearingManager, nullptr, 0, nullptr, clearFromUpdate, nullptr);
    insert(clearingManager, later, 0);
    updateObjectManager(clearingManager);
    EXPECT_EQ(later.updates, 0);
    EXPECT_EQ(later.destructs, 1);
    destructObjectManager(clearingManager);
    EXPECT_EQ(later.destructs, 1);
}

// An update that runs a whole pass of its own (a script forcing a render):
// the nested pass skips the object whose update is under way, and what it
// removes stays alive, undrawn and deaf to events until the outer pass is done.
static _treeNode *nestingManager;
static Probe nestedVictim{"victim"};
static std::string seenInsideOuterUpdate;
static int updateRunningANestedPass(void *data, uint32_t frame)
{
    Probe *self = (Probe *)data;
    self->updates++;
    if (frame != 1)
        return 0;
    nestedVictim.removeOnFrame = 2;
    updateObjectManager(nestingManager);
    order.clear();
    drawObjectManager(nestingManager);
    eventObjectManager(nestingManager, kObjEvent_KeyDown, 'x', 0, 0, nullptr);
    seenInsideOuterUpdate = order + "updates " + std::to_string(self->updates) + " victim " +
                            std::to_string(nestedVictim.updates) + "/" + std::to_string(nestedVictim.destructs);
    return 1;
}

TEST(ObjectManager, ANestedPassDefersDestructionToTheOutermostWalk)
{
    uint32_t before = glAllocated();
    nestingManager = initObjectManager();
    Probe outer{"outer"}, after{"after"};
    insertObject(nestingManager, &outer, 0, drawProbe, updateRunningANestedPass, destructProbe);
    insert(nestingManager, nestedVictim, 0);
    insert(nestingManager, after, 0);
    updateObjectManager(nestingManager);
    // Inside: the victim neither drawn nor offered the key (the outer object has
    // no event function);
    // the outer object updated once; the victim updated by the nested pass only.
    EXPECT_EQ(seenInsideOuterUpdate, "outer after after updates 1 victim 1/0");
    EXPECT_EQ(nestedVictim.destructs, 1);
    EXPECT_EQ(outer.destructs, 1);
    EXPECT_EQ(after.updates, 2);  // once in each pass
    order.clear();
    drawObjectManager(nestingManager);
    EXPECT_EQ(order, "after ");

    // Held from outside (code running scripts with objects in hand): a pass
    // inside removes, the last release destroys.
    after.removeOnFrame = 3;
    holdObjectDestruction();
    holdObjectDestruction();
    updateObjectManager(nestingManager);
    releaseObjectDestruction();
    EXPECT_EQ(after.destructs, 0);
    releaseObjectDestruction();
    EXPECT_EQ(after.destructs, 1);
    destructObjectManager(nestingManager);
    EXPECT_EQ(nestedVictim.destructs + after.destructs, 2);  // nothing twice
    EXPECT_EQ(glAllocated(), before);
}

TEST(ObjectManager, NullManagerIsIgnored)
{
    Probe p{"p"};
    EXPECT_EQ(insertObject(nullptr, &p, 0, drawProbe, updateProbe, destructProbe), nullptr);
    updateObjectManager(nullptr);
    clearObjectManager(nullptr);
    EXPECT_EQ(eventObjectManager(nullptr, 0, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(objectEnumerator(nullptr, 0), nullptr);
}

// The update pass asks objects ahead of the one it updates to prefetch: never
// an object already removed, and (past the first of a layer) before its update.
struct Ahead {
    int id;
    bool live = true, updated = false, prefetchedFirst = false;
    int prefetches = 0;
};
static _treeNode *aheadManager;
static std::vector<Ahead *> aheadSpawned;
static bool aheadPrefetchedDead = false;

static void prefetchAhead(void *data)
{
    Ahead *a = (Ahead *)data;
    if (!a->live) aheadPrefetchedDead = true;
    if (!a->updated) a->prefetchedFirst = true;
    a->prefetches++;
}
static void destructAhead(void *data) { ((Ahead *)data)->live = false; }
static int updateAhead(void *data, uint32_t)
{
    Ahead *a = (Ahead *)data;
    a->updated = true;
    // Every third object goes; the fifth appends two more to its layer.
    if (a->id == 5)
        for (int i = 0; i < 2; i++) {
            aheadSpawned.push_back(new Ahead{100 + i});
            insertObject(aheadManager, aheadSpawned.back(), 0, nullptr, updateAhead, destructAhead, prefetchAhead);
        }
    return a->id % 3 == 0;
}

TEST(ObjectManager, PrefetchComesAheadOfTheUpdateAndNeverForRemovedObjects)
{
    aheadManager = initObjectManager();
    std::vector<Ahead> objects(12);
    for (int i = 0; i < 12; i++) {
        objects[i].id = i;
        insertObject(aheadManager, &objects[i], 0, nullptr, updateAhead, destructAhead, prefetchAhead);
    }
    updateObjectManager(aheadManager);
    for (int i = 1; i < 12; i++) EXPECT_TRUE(objects[i].prefetchedFirst) << i;
    ASSERT_EQ(aheadSpawned.size(), 2u);
    for (Ahead *a : aheadSpawned) EXPECT_TRUE(a->updated && a->prefetchedFirst) << a->id;
    for (int i = 0; i < 12; i++) objects[i].updated = false;
    updateObjectManager(aheadManager);  // the removed ones are gone from the walk
    EXPECT_FALSE(aheadPrefetchedDead);
    EXPECT_FALSE(objects[3].updated);
    EXPECT_EQ(objects[4].prefetches, 2);
    destructObjectManager(aheadManager);
    for (Ahead *a : aheadSpawned) delete a;
}
