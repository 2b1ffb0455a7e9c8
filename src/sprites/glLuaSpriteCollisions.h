// glLuaSpriteCollisions: collision geometry, collision groups, platforms and
// separation. Not built yet: no sprite collides with anything.
#pragma once

// Called by the script host for each loaded document.
void removeAllCollisionGroups(void);
