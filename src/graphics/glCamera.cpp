// glCamera: shortest-arc quaternions and the matrices they make, applied to the
// current OpenGL matrix. No state of its own.

#include "graphics/glCamera.h"

#include <GL/gl.h>

#include <cmath>

// Below this, a . b + 1 is too close to 0 for the half-way formula: the
// directions are opposite (or as good as) and the axis must be chosen.
static const float kOppositeLimit = 1e-6f;

static void private_normalise(float v[3]) {
    float length = sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0f && std::isfinite(length)) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

static void private_cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Half a turn about an axis at right angles to a (a is a unit vector): cross a
// with the coordinate axis it is least aligned with.
static quaternion private_halfTurn(const float a[3]) {
    float ax = fabsf(a[0]), ay = fabsf(a[1]), az = fabsf(a[2]);
    float other[3] = {0.0f, 0.0f, 0.0f};
    if (ax <= ay && ax <= az)
        other[0] = 1.0f;
    else if (ay <= az)
        other[1] = 1.0f;
    else
        other[2] = 1.0f;
    float axis[3];
    private_cross(a, other, axis);
    private_normalise(axis);
    return quaternion{axis[0], axis[1], axis[2], 0.0f};
}

void getCentroid(float *x, float *y, float *z) {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    if (x) *x = m[12];
    if (y) *y = m[13];
    if (z) *z = m[14];
}

quaternion quat_calculateArc(float a[3], float b[3]) {
    quaternion identity = {0.0f, 0.0f, 0.0f, 1.0f};
    if (!a || !b) return identity;
    private_normalise(a);
    private_normalise(b);
    bool aZero = a[0] == 0.0f && a[1] == 0.0f && a[2] == 0.0f;
    bool bZero = b[0] == 0.0f && b[1] == 0.0f && b[2] == 0.0f;
    if (aZero || bZero) return identity;  // no direction, no turn

    float dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    if (!(dot + 1.0f > kOppositeLimit)) return private_halfTurn(a);  // also catches NaN
    float s = sqrtf((dot + 1.0f) * 2.0f);
    float axis[3];
    private_cross(a, b, axis);
    return quaternion{axis[0] / s, axis[1] / s, axis[2] / s, s * 0.5f};
}

void quat_loadRotation(float v[3], quaternion q) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    GLfloat m[16] = {
        1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + w * z), 2.0f * (x * z - w * y), 0.0f,
        2.0f * (x * y - w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + w * x), 0.0f,
        2.0f * (x * z + w * y), 2.0f * (y * z - w * x), 1.0f - 2.0f * (x * x + y * y), 0.0f,
        v ? v[0] : 0.0f, v ? v[1] : 0.0f, v ? v[2] : 0.0f, 1.0f,
    };
    glMultMatrixf(m);
}

void rotateToVector(float vec[3], float base[3]) {
    float none[3] = {0.0f, 0.0f, 0.0f};
    quat_loadRotation(none, quat_calculateArc(vec, base));
}
