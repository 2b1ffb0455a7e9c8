// Effects: particles, ropes, game and demo timers, speech bubbles. Not built yet:
// start-up registers their script functions and the update step pre-updates ropes
// through these, which do nothing until the effects land.
#pragma once

void linkParticleFunctions(void);
void linkRopeFunctions(void);
void preupdateRopeAnimation(void);
void linkGameTimerFunctions(void);
void linkDemoTimerFunctions(void);
void linkSpeechBubbleFunctions(void);
