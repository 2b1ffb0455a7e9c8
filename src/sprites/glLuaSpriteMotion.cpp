// glLuaSpriteMotion: the per-update motion step of a sprite (velocity,
// gravity, timed colour/scale/rotation/environment changes, animation frames,
// paths, targets, the update script, the motion-blur trail). Not built yet:
// the step only keeps the rollback copy, so sprites stand still and timed
// changes wait; this file is where the motion step goes.

#include "sprites/glLuaSprite.h"

int stepLuaSpriteMotion(luaSpriteInfo *sprite, uint32_t frame) {
    (void)frame;
    // The start-of-update state: the camera measures the focus sprite's movement against it.
    sprite->formerSelf = sprite->self;
    return 0;
}
