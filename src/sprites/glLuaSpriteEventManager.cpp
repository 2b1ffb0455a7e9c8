// glLuaSpriteEventManager: delivery of events to sprites' event scripts, the
// sprites' mouse events, scheduled events and event groups, with their script
// functions. Lists are walked by index and entries that go while a walk runs
// are only marked; they are dropped once no walk is running, so a script may
// change a list while it is being walked.

#include "sprites/glLuaSpriteEventManager.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"
#include "sprites/glLuaSpriteCollisions.h"

namespace {

struct spriteEventTimer {
    int wait;           // updates left
    char event[64];     // at most 63 characters
    int spriteRef;      // receiver; -1 once cancelled or delivered
    int senderRef;      // sender, or -1
};

struct eventGroupMember {
    luaSpriteInfoRec *sprite;  // null once it left the group or was destroyed
};

struct eventGroup {
    std::string name;
    std::vector<eventGroupMember> members;
    bool dropped = false;  // removed while a post was walking; goes when the walk ends
};

}  // namespace

static lua_State *luaRef = nullptr;
static _treeNode *objMgr = nullptr;
static std::vector<spriteEventTimer> spriteEventList;
static std::vector<eventGroup> eventGroupTree;
static int walkingTimers = 0;
static int walkingGroups = 0;  // nested posts: a member's script may post again

// ---- Delivery ----

void sendEventToSprite(int ref, const char *event) {
    luaSpriteInfo *sprite = getSprite(ref);
    if (ref < 0 || !sprite || !sprite->self.eventScript || !luaRef || !event) return;
    glLua_setGlobalAsDouble(luaRef, ref, "gCurrentSprite");
    glLua_setGlobalAsString(luaRef, event, "gCurrentEvent");
    glLua_runScript(luaRef, sprite->self.eventScript, 0);
}

int eventLuaSprite(void *data, unsigned char type, unsigned char key, int x, int y, void *reference) {
    (void)reference;
    luaSpriteInfo *sprite = (luaSpriteInfo *)data;
    if (!sprite || !sprite->self.eventScript) return 0;
    // The editor takes the mouse and keys over while it is on.
    if (isLevelEditorActive()) return spriteEditorEvent(&sprite->self, type, key, x, y);
    if (type != 0 && type != 1) return 0;
    int wx = (int)std::trunc((float)x + getEnvironmentValue(kEnv_WorldOrigin_X));
    int wy = (int)std::trunc((float)y + getEnvironmentValue(kEnv_WorldOrigin_Y));
    int ref = sprite->self.spriteRef;
    if (sprite->self.getAllMouse || mouseOverSprite(ref, wx, wy)) sendEventToSprite(ref, type == 0 ? "mouseUp" : "mouseDown");
    return 0;
}

// ---- Scheduled events ----

void clearSpriteEventList(void) {
    if (walkingTimers) {
        for (spriteEventTimer &timer : spriteEventList) timer.spriteRef = -1;
    } else {
        spriteEventList.clear();
    }
}

int numberOfScheduledSpriteEvents(void) {
    int count = 0;
    for (const spriteEventTimer &timer : spriteEventList) count += timer.spriteRef >= 0;
    return count;
}

static void private_dropFinishedTimers(void) {
        size_t kept = 0;
        for (size_t i = 0; i < spriteEventList.size(); i++)
            if (spriteEventList[i].spriteRef >= 0) spriteEventList[kept++] = spriteEventList[i];
        spriteEventList.resize(kept);
}

void runScheduledSpriteEvents(void) {
    walkingTimers++;
    // Timers scheduled by a delivery are appended and counted down in this
    // same pass, as the ones before them were.
    for (size_t i = 0; i < spriteEventList.size(); i++) {
        if (spriteEventList[i].spriteRef < 0) continue;
        if (--spriteEventList[i].wait > 0) continue;
        spriteEventTimer timer = spriteEventList[i];  // the list may grow while it is delivered
        spriteEventList[i].spriteRef = -1;
        if (luaRef) glLua_setGlobalAsDouble(luaRef, timer.senderRef, "gOtherSprite");
        sendEventToSprite(timer.spriteRef, timer.event);
    }
    if (--walkingTimers == 0) private_dropFinishedTimers();
}

// ---- Event groups ----

static eventGroup *private_group(const char *name) {
    if (!name) return nullptr;
    for (eventGroup &group : eventGroupTree)
        if (!group.dropped && group.name == name) return &group;
    return nullptr;
}

int eventGroupExists(const char *name) { return private_group(name) != nullptr; }

int eventGroupSize(const char *name) {
    eventGroup *group = private_group(name);
    int count = 0;
    if (group)
        for (const eventGroupMember &member : group->members) count += member.sprite != nullptr;
    return count;
}

static void private_compactGroups(void) {
    if (walkingGroups) return;
    for (eventGroup &group : eventGroupTree) {
        size_t kept = 0;
        for (size_t i = 0; i < group.members.size(); i++)
            if (group.members[i].sprite) group.members[kept++] = group.members[i];
        group.members.resize(kept);
    }
}

void addSpriteToEventGroup(const char *name, luaSpriteInfoRec *sprite) {
    if (!name || !sprite) return;
    eventGroup *group = private_group(name);
    if (!group) {
        eventGroupTree.push_back(eventGroup());
        eventGroupTree.back().name = name;
        group = &eventGroupTree.back();
    }
    group->members.push_back(eventGroupMember{sprite});
}

void removeSpriteFromEventGroup(const char *name, luaSpriteInfoRec *sprite) {
    eventGroup *group = private_group(name);
    if (!group || !sprite) return;
    for (eventGroupMember &member : group->members)
        if (member.sprite == sprite) member.sprite = nullptr;
    private_compactGroups();
}

void removeAllEventGroups(void) {
    if (walkingGroups) {
        // A walk is running: empty the groups now, drop them after it.
        for (eventGroup &group : eventGroupTree)
            for (eventGroupMember &member : group.members) member.sprite = nullptr;
        for (eventGroup &group : eventGroupTree) group.dropped = true;
        return;
    }
    eventGroupTree.clear();
}

void postSpriteEvent(char *name, long value) {
    if (!name || !luaRef) return;
    // Groups are found by index: a script may create groups while this runs,
    // which moves them in memory.
    size_t index = 0;
    while (index < eventGroupTree.size() && (eventGroupTree[index].dropped || eventGroupTree[index].name != name)) index++;
    if (index == eventGroupTree.size()) return;
    std::string event(name);  // the caller's text may not outlive the scripts
    walkingGroups++;
    // Members that join while this runs wait for the next post.
    size_t count = eventGroupTree[index].members.size();
    for (size_t i = 0; i < count && index < eventGroupTree.size() && i < eventGroupTree[index].members.size(); i++) {
        luaSpriteInfoRec *rec = eventGroupTree[index].members[i].sprite;
        if (!rec || !rec->eventScript || getSprite(rec->spriteRef) == nullptr) continue;
        glLua_setGlobalAsDouble(luaRef, rec->spriteRef, "gCurrentSprite");
        glLua_setGlobalAsString(luaRef, event.c_str(), "gCurrentEvent");
        glLua_setGlobalAsDouble(luaRef, (double)value, "gCurrentEventValue");
        glLua_runScript(luaRef, rec->eventScript, 0);
    }
    if (--walkingGroups == 0) {
        private_compactGroups();
        size_t kept = 0;  // groups emptied by a level load during the walk
        for (size_t i = 0; i < eventGroupTree.size(); i++)
            if (!eventGroupTree[i].dropped) {
                if (kept != i) eventGroupTree[kept] = std::move(eventGroupTree[i]);
                kept++;
            }
        eventGroupTree.resize(kept);
    }
}

void spriteEventManagerForgetSprite(luaSpriteInfoRec *sprite) {
    if (!sprite) return;
    for (eventGroup &group : eventGroupTree)
        for (eventGroupMember &member : group.members)
            if (member.sprite == sprite) member.sprite = nullptr;
    private_compactGroups();
    // A destroyed sprite's reference is handed to the next new sprite: its
    // scheduled events must not reach that one, nor name it as their sender.
    int ref = sprite->spriteRef;
    for (spriteEventTimer &timer : spriteEventList) {
        if (timer.spriteRef == ref) timer.spriteRef = -1;
        if (timer.senderRef == ref) timer.senderRef = -1;
    }
    if (!walkingTimers) private_dropFinishedTimers();
}

void resetGlobalVariablesBeforeCallingScriptRoutines(void) { resetSpriteEnvironmentAfterLoad(); }

// ---- Script functions ----

static int lua_schedualEventForSprite(lua_State *L) {
    static const char usage[] = "usage: schedualEventForSprite(<Integer spriteRefNum> <Float seconds> <String event>)";
    glLuaSprite_checkAtLeast(L, "nns", usage);
    if (!objMgr) return glLuaArgs_raiseUsage(L, usage);
    int ref = glLuaArgs_toInt(L, 1);
    if (!getSprite(ref)) return 0;
    double updates = lua_tonumber(L, 2) * 200.0;
    spriteEventTimer timer;
    timer.wait = std::isnan(updates) ? 0 : updates > 2e9 ? 2000000000 : updates < -2e9 ? -2000000000 : (int)updates;
    snprintf(timer.event, sizeof(timer.event), "%s", lua_tostring(L, 3));
    timer.spriteRef = ref;
    timer.senderRef = -1;
    if (lua_gettop(L) >= 4 && glLuaArgs_isNumber(L, 4) && getSprite(glLuaArgs_toInt(L, 4))) timer.senderRef = glLuaArgs_toInt(L, 4);
    spriteEventList.push_back(timer);
    return 0;
}

// Applies `change` to the sprite for every group argument.
static int private_eachGroup(lua_State *L, const char *usage, void (*change)(const char *, luaSpriteInfoRec *)) {
    glLuaSprite_checkAtLeast(L, "ns", usage);
    if (!objMgr) return glLuaArgs_raiseUsage(L, usage);
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (!sprite) return 0;
    for (int i = 2; i <= lua_gettop(L); i++)
        if (glLuaArgs_isString(L, i)) change(lua_tostring(L, i), &sprite->self);
    return 0;
}

static int lua_addSpriteToEventGroup(lua_State *L) {
    return private_eachGroup(L, "usage: addSpriteToEventGroup(<Integer spriteRefNum>, <String group1>, ...)",
                             addSpriteToEventGroup);
}

static int lua_removeSpriteFromEventGroup(lua_State *L) {
    return private_eachGroup(L, "usage: removeSpriteFromEventGroup(<Integer spriteRefNum>, <String group1>, ...)",
                             removeSpriteFromEventGroup);
}

static const luaL_Reg eventFunctions[] = {
    {"schedualEventForSprite", lua_schedualEventForSprite},
    {"addSpriteToEventGroup", lua_addSpriteToEventGroup},
    {"removeSpriteFromEventGroup", lua_removeSpriteFromEventGroup},
    {nullptr, nullptr},
};

void initLuaSpriteEventManager(lua_State *L, _treeNode *manager) {
    luaRef = L;
    objMgr = manager;
    spriteEventList.clear();
    eventGroupTree.clear();
    if (!L) return;
    for (const luaL_Reg *entry = eventFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}

void destructLuaSpriteEventManager(void) {
    spriteEventList.clear();
    spriteEventList.shrink_to_fit();
    eventGroupTree.clear();
    eventGroupTree.shrink_to_fit();
    luaRef = nullptr;
    objMgr = nullptr;
}
