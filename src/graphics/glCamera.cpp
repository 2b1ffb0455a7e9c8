// glCamera: shortest-arc quaternions and the matrices they make, applied to the
// current OpenGL matrix or to a CPU matrix; the CPU matrix operations follow
// OpenGL's translate, scale and rotate. No state of its own.

#include "graphics/glCamera.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

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

void quat_rotationMatrix(float v[3], quaternion q, float m[16]) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    const float r[16] = {
        1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + w * z), 2.0f * (x * z - w * y), 0.0f,
        2.0f * (x * y - w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + w * x), 0.0f,
        2.0f * (x * z + w * y), 2.0f * (y * z - w * x), 1.0f - 2.0f * (x * x + y * y), 0.0f,
        v ? v[0] : 0.0f, v ? v[1] : 0.0f, v ? v[2] : 0.0f, 1.0f,
    };
    memcpy(m, r, sizeof r);
}

void quat_loadRotation(float v[3], quaternion q) {
    GLfloat m[16];
    quat_rotationMatrix(v, q, m);
    glMultMatrixf(m);
}

void rotateToVectorMatrix(float vec[3], float base[3], float m[16]) {
    float none[3] = {0.0f, 0.0f, 0.0f};
    quat_rotationMatrix(none, quat_calculateArc(vec, base), m);
}

void rotateToVector(float vec[3], float base[3]) {
    GLfloat m[16];
    rotateToVectorMatrix(vec, base, m);
    glMultMatrixf(m);
}

// ---- CPU matrices ----

void matrix_identity(float m[16]) {
    for (int i = 0; i < 16; i++) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void matrix_multiply(float m[16], const float b[16]) {
    float a[16];
    memcpy(a, m, sizeof a);
    for (int row = 0; row < 4; row++) {
        float a0 = a[row], a1 = a[4 + row], a2 = a[8 + row], a3 = a[12 + row];
        for (int col = 0; col < 4; col++)
            m[col * 4 + row] = a0 * b[col * 4] + a1 * b[col * 4 + 1] + a2 * b[col * 4 + 2] + a3 * b[col * 4 + 3];
    }
}

void matrix_translate(float m[16], float x, float y, float z) {
    for (int row = 0; row < 4; row++) m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

void matrix_scale(float m[16], float x, float y, float z) {
    for (int row = 0; row < 4; row++) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
}

void matrix_rotate(float m[16], float angle, float x, float y, float z) {
    if (angle == 0.0f) return;
    // The angle goes to radians in double, as the GL library does.
    float s = sinf((float)(angle * M_PI / 180.0)), c = cosf((float)(angle * M_PI / 180.0));
    float r[16];
    matrix_identity(r);
    if (x == 0.0f && y == 0.0f && z != 0.0f) {  // about z: the 2-D turn, exact elsewhere
        r[0] = c, r[5] = c;
        r[1] = z < 0.0f ? -s : s;
        r[4] = -r[1];
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        r[0] = c, r[10] = c;
        r[8] = y < 0.0f ? -s : s;
        r[2] = -r[8];
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        r[5] = c, r[10] = c;
        r[6] = x < 0.0f ? -s : s;
        r[9] = -r[6];
    } else {
        float length = sqrtf(x * x + y * y + z * z);
        if (!(length > 0.0f) || !std::isfinite(length)) return;  // no axis: GL leaves the matrix too
        x /= length, y /= length, z /= length;
        float one_c = 1.0f - c;
        r[0] = one_c * x * x + c, r[4] = one_c * x * y - z * s, r[8] = one_c * z * x + y * s;
        r[1] = one_c * x * y + z * s, r[5] = one_c * y * y + c, r[9] = one_c * y * z - x * s;
        r[2] = one_c * z * x - y * s, r[6] = one_c * y * z + x * s, r[10] = one_c * z * z + c;
    }
    matrix_multiply(m, r);
}
