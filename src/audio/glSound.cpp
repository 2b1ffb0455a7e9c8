// glSound: not built yet. The window environment already calls these hooks at the
// right moments (minimise, restore, every update step, mode switches); with no
// sound channels there is nothing to silence, resume or advance.

#include "audio/glSound.h"

void squelchAllSounds(void) {}
void unsquelchAllSounds(void) {}
void updateSoundManager(void) {}
void stopAllHazardousSounds(void) {}
void startAllHazardousSounds(void) {}
