// glLuaSpriteEventManager: not built yet; with no event groups an event has no members.

#include "sprites/glLuaSpriteEventManager.h"

void postSpriteEvent(char *name, long value) { (void)name, (void)value; }
