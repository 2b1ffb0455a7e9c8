// Effects: not built yet; no script functions to register, no ropes to pre-update.

#include "effects/effects.h"

void linkParticleFunctions(void) {}
void linkRopeFunctions(void) {}
void preupdateRopeAnimation(void) {}
void linkGameTimerFunctions(void) {}
void linkDemoTimerFunctions(void) {}
void linkSpeechBubbleFunctions(void) {}
