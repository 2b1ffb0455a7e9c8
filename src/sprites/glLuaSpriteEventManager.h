// glLuaSpriteEventManager: sprite events, scheduled events and event groups.
// Not built yet: events posted by the input manager go nowhere.
#pragma once

void postSpriteEvent(char *name, long value);
// Delivers an event to one sprite's event script. Does nothing until sprite
// events are built.
void sendEventToSprite(int ref, const char *event);

// Called by the script host for each loaded document.
void clearSpriteEventList(void);
void removeAllEventGroups(void);
void resetGlobalVariablesBeforeCallingScriptRoutines(void);
