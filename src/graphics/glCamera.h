// glCamera: quaternion helpers on the current OpenGL matrix. They turn a sprite
// along a direction (a projectile pointing where it flies) and tell where the
// current origin lies in eye coordinates. The same transforms also work on a
// CPU matrix (column-major float[16], as OpenGL stores them), computed the
// way OpenGL composes its own, so batched drawing places things as the matrix
// stack would. No camera state lives here; every GL operation works on
// whatever matrix is current.
#pragma once

// (x, y, z) is the vector part, w the scalar part.
struct quaternion {
    float x, y, z, w;
};

// The translation column of the current model-view matrix (elements 12, 13,
// 14): where the current origin lies in eye coordinates. Any out may be null.
void getCentroid(float *x, float *y, float *z);

// The unit quaternion turning direction a onto direction b along the shortest
// arc. Both are normalised in place (a zero vector stays zero and gives no
// turn). Opposite directions turn half a circle about an axis at right angles
// to a.
quaternion quat_calculateArc(float a[3], float b[3]);

// Multiplies the current matrix by the rotation of q followed by the
// translation v.
void quat_loadRotation(float v[3], quaternion q);

// Fills m with the rotation of q followed by the translation v (null: none).
void quat_rotationMatrix(float v[3], quaternion q, float m[16]);

// Multiplies the current matrix by the rotation turning vec onto base, without
// translation. Both are normalised in place.
void rotateToVector(float vec[3], float base[3]);
// Fills m with that rotation instead.
void rotateToVectorMatrix(float vec[3], float base[3], float m[16]);

// ---- CPU matrices: each multiplies m on the right, as its GL call does ----

void matrix_identity(float m[16]);
// m = m x b (m may be b).
void matrix_multiply(float m[16], const float b[16]);
void matrix_translate(float m[16], float x, float y, float z);
void matrix_scale(float m[16], float x, float y, float z);
// angle in degrees about the axis (x, y, z); a zero angle changes nothing.
void matrix_rotate(float m[16], float angle, float x, float y, float z);
