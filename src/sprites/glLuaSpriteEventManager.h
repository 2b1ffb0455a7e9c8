// glLuaSpriteEventManager: delivering events to sprites. A sprite reacts
// through the event script of its definition, run with "gCurrentSprite" and
// "gCurrentEvent" set (and "gOtherSprite" for scheduled events,
// "gCurrentEventValue" for input events). Sources: mouse presses over a sprite
// (its object-manager event function), events scheduled some update steps
// ahead, and input events posted to named event groups the sprites joined.
//
// A destroyed sprite drops out of every group and every scheduled event for
// it or from it is cancelled, so nothing ever reaches a freed record or a new
// sprite that took the same reference. Event scripts may join and leave
// groups, schedule events and remove sprites while a delivery runs.
// Main thread only.
#pragma once

#include "core/tree.h"

struct lua_State;
struct luaSpriteInfoRec;

// Start-up / shutdown, called by the sprite manager.
void initLuaSpriteEventManager(lua_State *L, _treeNode *objMgr);
void destructLuaSpriteEventManager(void);

// Runs the sprite's event script with "gCurrentSprite" and "gCurrentEvent"
// set; nothing for a dead reference or a sprite without event script.
void sendEventToSprite(int ref, const char *event);
// The object-manager event function of every sprite (types 0 mouse up,
// 1 mouse down, 2 key up, 3 key down; x, y window pixels). Never consumes a
// mouse event, so every sprite under the pointer gets the press.
int eventLuaSprite(void *sprite, unsigned char type, unsigned char key, int x, int y, void *reference);

// Scheduled events: queued by schedualEventForSprite, counted down once per
// manager update (runScheduledSpriteEvents) and delivered when they run out.
void clearSpriteEventList(void);
void runScheduledSpriteEvents(void);
int numberOfScheduledSpriteEvents(void);

// Event groups. A sprite may join a group more than once; leaving removes
// every membership. Groups stay (empty) until the next level load.
int eventGroupExists(const char *name);
int eventGroupSize(const char *name);  // live memberships
void addSpriteToEventGroup(const char *name, luaSpriteInfoRec *sprite);
void removeSpriteFromEventGroup(const char *name, luaSpriteInfoRec *sprite);
void removeAllEventGroups(void);
// Runs the event script of each member with "gCurrentEventValue" := value.
void postSpriteEvent(char *name, long value);

// Called by the sprite manager when a sprite's record is destroyed.
void spriteEventManagerForgetSprite(luaSpriteInfoRec *sprite);
// Called by the script host for each loaded document.
void resetGlobalVariablesBeforeCallingScriptRoutines(void);
