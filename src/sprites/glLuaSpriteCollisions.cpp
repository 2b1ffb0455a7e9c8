// glLuaSpriteCollisions: not built yet; there are no collision groups to clear.

#include "sprites/glLuaSpriteCollisions.h"

// Does nothing until collision groups are built.
void removeAllCollisionGroups(void) {}

// Placeholders for the motion step until collision geometry and groups are built.
int mouseOverSprite(int spriteRef) { return (void)spriteRef, 0; }
int mouseOverSprite(int spriteRef, int x, int y) { return (void)spriteRef, (void)x, (void)y, 0; }
void removeSpriteFromCollisionGroup(const char *name, luaSpriteInfoRec *sprite) { (void)name, (void)sprite; }
void performCollisionOfSprites(luaSpriteInfoRec *targetA, luaSpriteInfoRec *targetB, const char *collisionGroupName,
                               int checkCollisionsToPlatforms) {
    (void)targetA, (void)targetB, (void)collisionGroupName, (void)checkCollisionsToPlatforms;
}
