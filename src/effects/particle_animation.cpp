// particle_animation: particles and their script functions (see
// particle_animation.h). Particles are drawn through the quad batch, so that
// thousands of particles of one image are a handful of draws.

#include "effects/particle_animation.h"

#include <GL/gl.h>

#include <cmath>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glCamera.h"
#include "graphics/glQuadBatch.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"

static particleInfo *lastParticle = nullptr;
static int disableParticles = 0;

static const float kStepsPerSecond = 200.0f;

particleInfo *currentParticle(void) { return lastParticle; }
void setParticlesEnabled(int on) { disableParticles = !on; }
int particlesEnabled(void) { return !disableParticles; }

particleInfo *addParticle(_treeNode *manager, const char *file, const float location[3], float seconds) {
    if (disableParticles || !manager) return nullptr;
    auto *p = (particleInfo *)glMalloc(sizeof(particleInfo));
    if (!p) return nullptr;
    // A NaN lifetime would never run out.
    p->duration = seconds == seconds ? seconds * kStepsPerSecond : 0.0f;
    p->textureRef = glTexture_loadTexture(file, kSClamp | kTClamp);
    if (p->textureRef >= 0) glTexture_centerOrigin(p->textureRef);
    for (int i = 0; i < 3; i++) {
        p->location[i] = location[i];
        p->scale[i] = 1.0f;
    }
    for (float &c : p->color) c = 1.0f;
    lastParticle = p;
    insertObject(manager, p, kParticleLayer, displayParticle, updateParticle, destructParticle);
    return p;
}

// One step of a timed change of `n` components: waits first, then applies
// the delta while the count lasts.
static inline void private_change(float &count, float &wait, float *value, const float *delta, int n) {
    if (count <= 0.0f) return;
    wait -= 1.0f;
    if (wait > 0.0f) return;
    wait = 0.0f;
    count -= 1.0f;
    if (count <= 0.0f) count = 0.0f;
    for (int i = 0; i < n; i++) value[i] += delta[i];
}

int updateParticle(void *data, uint32_t frame) {
    (void)frame;
    if (disableParticles) return 1;
    auto *p = (particleInfo *)data;
    for (int i = 0; i < 3; i++) {
        p->velocity[i] += p->gravity[i];
        p->location[i] += p->velocity[i];
    }
    private_change(p->colorCount, p->colorWait, p->color, p->colorDelta, 4);
    private_change(p->velocityCount, p->velocityWait, p->velocity, p->velocityDelta, 3);
    private_change(p->scaleCount, p->scaleWait, p->scale, p->scaleDelta, 3);
    private_change(p->rotationCount, p->rotationWait, p->rotation, p->rotationDelta, 3);
    p->duration -= 1.0f;
    return p->duration < 0.0f;
}

void displayParticle(void *data) {
    if (disableParticles) return;
    auto *p = (particleInfo *)data;
    // The matrix the stack would hold: camera, location, scale, then the
    // rotations about z, y and x.
    // Built directly for the usual case (no turn, or a turn about z only),
    // which is most of the cost of a frame of thousands of particles.
    float m[16] = {0};
    float c = 1.0f, s = 0.0f;
    if (p->rotation[2] != 0.0f) {
        float radians = (float)(p->rotation[2] * M_PI / 180.0);  // as the GL library turns
        c = cosf(radians), s = sinf(radians);
    }
    m[0] = p->scale[0] * c, m[1] = p->scale[1] * s;
    m[4] = -p->scale[0] * s, m[5] = p->scale[1] * c;
    m[10] = p->scale[2];
    m[12] = p->location[0] - getEnvironmentValue(kEnv_WorldOrigin_X);
    m[13] = p->location[1] - getEnvironmentValue(kEnv_WorldOrigin_Y);
    m[14] = p->location[2];
    m[15] = 1.0f;
    if (p->rotation[1] != 0.0f) matrix_rotate(m, p->rotation[1], 0.0f, 1.0f, 0.0f);
    if (p->rotation[0] != 0.0f) matrix_rotate(m, p->rotation[0], 1.0f, 0.0f, 0.0f);
    static const quadBatchKey kBlend = {0, 1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    glTexture_renderBatched(p->textureRef, 0, 0, p->flipped, m, &kBlend, p->color);
}

void destructParticle(void *data) {
    auto *p = (particleInfo *)data;
    if (p == lastParticle) lastParticle = nullptr;
    if (p->textureRef >= 0) glTexture_unloadTexture(p->textureRef);
    glFree(p, sizeof(particleInfo));
}

// ---- Script functions ----

static float private_float(lua_State *L, int index) { return (float)lua_tonumber(L, index); }

static float private_clamp01(float value) {
    if (value < 0.0f) return 0.0f;
    if (value > 1.0f) return 1.0f;
    return value;
}

// Reads n numbers from argument 1 on into `out`, clamped to 0..1 when asked.
static void private_read(lua_State *L, float *out, int n, int clamp) {
    for (int i = 0; i < n; i++) out[i] = clamp ? private_clamp01(private_float(L, i + 1)) : private_float(L, i + 1);
}

// A change toward `target` over `n` components: wait and duration are the
// arguments after the target. The delta is taken from the value now.
static void private_setChange(lua_State *L, const float *target, float *value, float *delta, float &count,
                              float &wait, int n) {
    count = private_float(L, n + 2) * kStepsPerSecond;
    wait = private_float(L, n + 1) * kStepsPerSecond;
    for (int i = 0; i < n; i++) delta[i] = (target[i] - value[i]) / count;
}

static int lua_addParticle(lua_State *L) {
    static const char usage[] =
        "usage: addParticle(<String texture name>, <Double x>, <Double y>, <Double z>, <Double duration>)";
    // The duration may also come as a numeric string.
    if (!glLuaArgs_hasCount(L, 5) || !glLuaArgs_isString(L, 1) || !glLuaArgs_isNumber(L, 2) ||
        !glLuaArgs_isNumber(L, 3) || !glLuaArgs_isNumber(L, 4) || !lua_isnumber(L, 5))
        return glLuaArgs_raiseUsage(L, usage);
    float location[3] = {private_float(L, 2), private_float(L, 3), private_float(L, 4)};
    particleInfo *p = addParticle(getSpriteManagerObjectManager(), lua_tostring(L, 1), location, private_float(L, 5));
    lua_pushnumber(L, p ? 1 : 0);
    return 1;
}

// Every setter does nothing, arguments unchecked, when there is no current particle.
#define PARTICLE_SETTER(name, signature, usage, body)     \
    static int lua_##name(lua_State *L) {                 \
        particleInfo *p = lastParticle;                   \
        if (!p) return 0;                                 \
        glLuaArgs_check(L, signature, "usage: " usage);   \
        body;                                             \
        return 0;                                         \
    }

PARTICLE_SETTER(setParticleGravity, "nnn", "setParticleGravity(<Double x>, <Double y>, <Double z>)",
                private_read(L, p->gravity, 3, 0))
PARTICLE_SETTER(setParticleVelocity, "nnn", "setParticleVelocity(<Double x>, <Double y>, <Double z>)",
                private_read(L, p->velocity, 3, 0))
PARTICLE_SETTER(setParticleScale, "nnn", "setParticleScale(<Double x>, <Double y>, <Double z>)",
                private_read(L, p->scale, 3, 0))
PARTICLE_SETTER(setParticleRotation, "nnn", "setParticleRotation(<Double x>, <Double y>, <Double z>)",
                private_read(L, p->rotation, 3, 0))
PARTICLE_SETTER(setParticleColor, "nnnn", "setParticleColor(<Double r>, <Double g>, <Double b>, <Double a>)",
                private_read(L, p->color, 4, 1))
PARTICLE_SETTER(setParticleVelocityChange, "nnnnn",
                "setParticleVelocityChange(<Double x>, <Double y>, <Double z>, <Double wait>, <Double duration>)",
                float t[3]; private_read(L, t, 3, 0);
                private_setChange(L, t, p->velocity, p->velocityDelta, p->velocityCount, p->velocityWait, 3))
PARTICLE_SETTER(setParticleScaleChange, "nnnnn",
                "setParticleScaleChange(<Double x>, <Double y>, <Double z>, <Double wait>, <Double duration>)",
                float t[3]; private_read(L, t, 3, 0);
                private_setChange(L, t, p->scale, p->scaleDelta, p->scaleCount, p->scaleWait, 3))
PARTICLE_SETTER(setParticleRotationChange, "nnnnn",
                "setParticleRotationChange(<Double x>, <Double y>, <Double z>, <Double wait>, <Double duration>)",
                float t[3]; private_read(L, t, 3, 0);
                private_setChange(L, t, p->rotation, p->rotationDelta, p->rotationCount, p->rotationWait, 3))
PARTICLE_SETTER(setParticleColorChange, "nnnnnn",
                "setParticleColorChange(<Double r>, <Double g>, <Double b>, <Double a>, <Double wait>, "
                "<Double duration>)",
                float t[4]; private_read(L, t, 4, 1);
                private_setChange(L, t, p->color, p->colorDelta, p->colorCount, p->colorWait, 4))
PARTICLE_SETTER(setParticleFlipHorizontal, "b", "setParticleFlipHorizontal(<Boolean is flipped>)",
                p->flipped = lua_toboolean(L, 1) ? (p->flipped | 1) : (p->flipped & ~1))
PARTICLE_SETTER(setParticleFlipVertical, "b", "setParticleFlipVertical(<Boolean is flipped>)",
                p->flipped = lua_toboolean(L, 1) ? (p->flipped | 2) : (p->flipped & ~2))

#undef PARTICLE_SETTER

static int lua_enableParticles(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: enableParticles(<Number on/off>)");
    setParticlesEnabled(glLuaArgs_toInt(L, 1) != 0);
    return 0;
}

static const luaL_Reg particleFunctions[] = {
    {"addParticle", lua_addParticle},
    {"setParticleGravity", lua_setParticleGravity},
    {"setParticleVelocity", lua_setParticleVelocity},
    {"setParticleVelocityChange", lua_setParticleVelocityChange},
    {"setParticleColor", lua_setParticleColor},
    {"setParticleColorChange", lua_setParticleColorChange},
    {"setParticleScale", lua_setParticleScale},
    {"setParticleScaleChange", lua_setParticleScaleChange},
    {"setParticleRotation", lua_setParticleRotation},
    {"setParticleRotationChange", lua_setParticleRotationChange},
    {"setParticleFlipHorizontal", lua_setParticleFlipHorizontal},
    {"setParticleFlipVertical", lua_setParticleFlipVertical},
    {"enableParticles", lua_enableParticles},
    {nullptr, nullptr},
};

void linkParticleFunctions(void) {
    lua_State *L = glLua_getLuaRef();
    if (!L) return;
    for (const luaL_Reg *entry = particleFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
