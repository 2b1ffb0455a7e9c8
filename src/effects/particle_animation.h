// particle_animation: short-lived textured quads in world space that move
// under their own gravity and velocity and change colour, scale, rotation and
// velocity over time. Scripts add one particle at a time and shape the one just
// added (the current particle) with the setters. Each particle is an object of
// the sprite manager's object manager in layer 7 and removes itself when its
// lifetime runs out. Times from scripts are seconds, kept as update steps.
// Main thread only.
#pragma once

#include <cstdint>

struct _treeNode;

struct particleInfo {
    // What every update reads and writes comes first.
    float gravity[3];
    float location[3];
    float velocity[3];
    float duration;           // update steps left
    float colorCount, velocityCount, scaleCount, rotationCount;  // steps of change left
    float colorWait, velocityWait, scaleWait, rotationWait;      // steps before a change starts
    float color[4];           // RGBA, starts white
    float scale[3];           // starts (1, 1, 1)
    float rotation[3];        // degrees about x, y, z
    float colorDelta[4];
    float velocityDelta[3];
    float scaleDelta[3];
    float rotationDelta[3];
    int32_t textureRef;       // origin centred
    int32_t flipped;          // bit 1 mirrored left-right, bit 2 top-bottom
};

enum { kParticleLayer = 7 };

// A particle at `location` living `seconds`, made current; null (nothing
// made) while particles are switched off.
particleInfo *addParticle(_treeNode *manager, const char *file, const float location[3], float seconds);
void displayParticle(void *particle);
int updateParticle(void *particle, uint32_t frame);
void destructParticle(void *particle);

// The current particle (the last one added and still alive), or null.
particleInfo *currentParticle(void);
// Switches particles on or off; off removes every living particle at its next update.
void setParticlesEnabled(int on);
int particlesEnabled(void);

// Registers addParticle, the setParticle* functions and enableParticles.
void linkParticleFunctions(void);
