// glLuaSpriteEventManager: not built yet; with no event groups an event has no members.

#include "sprites/glLuaSpriteEventManager.h"

void postSpriteEvent(char *name, long value) { (void)name, (void)value; }

// Frame events, target sides, mouse-over and kill_slash from the motion step
// arrive here; nothing is delivered until sprite events are built.
void sendEventToSprite(int ref, const char *event) { (void)ref, (void)event; }

// Does nothing until sprite events are built (no scheduled events exist).
void clearSpriteEventList(void) {}
// Does nothing until event groups are built.
void removeAllEventGroups(void) {}
// Does nothing until sprite events are built (the globals are not set yet).
void resetGlobalVariablesBeforeCallingScriptRoutines(void) {}
