// glLuaSpriteCollisions: not built yet; there are no collision groups to clear.

#include "sprites/glLuaSpriteCollisions.h"

// Does nothing until collision groups are built.
void removeAllCollisionGroups(void) {}
