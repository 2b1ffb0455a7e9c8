// glLuaSpriteEventManager: not built yet; with no event groups an event has no members.

#include "sprites/glLuaSpriteEventManager.h"

void postSpriteEvent(char *name, long value) { (void)name, (void)value; }

// Does nothing until sprite events are built (no scheduled events exist).
void clearSpriteEventList(void) {}
// Does nothing until event groups are built.
void removeAllEventGroups(void) {}
// Does nothing until sprite events are built (the globals are not set yet).
void resetGlobalVariablesBeforeCallingScriptRoutines(void) {}
