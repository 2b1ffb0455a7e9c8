// glLuaSpriteCollisions: collision geometry, collision groups, platforms and
// separation. Not built yet: no sprite collides with anything.
#pragma once

// Called by the script host for each loaded document.
void removeAllCollisionGroups(void);

struct luaSpriteInfoRec;
// Called by the motion step; until collision geometry and groups are built the
// mouse is over no sprite, no group holds a sprite and no pair collides.
int mouseOverSprite(int spriteRef);
// The point (world units) over the sprite's outline.
int mouseOverSprite(int spriteRef, int x, int y);
void removeSpriteFromCollisionGroup(const char *name, luaSpriteInfoRec *sprite);
void performCollisionOfSprites(luaSpriteInfoRec *targetA, luaSpriteInfoRec *targetB, const char *collisionGroupName,
                               int checkCollisionsToPlatforms);
