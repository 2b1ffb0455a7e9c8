// glCamera: quaternion helpers on the current OpenGL matrix. They turn a sprite
// along a direction (a projectile pointing where it flies) and tell where the
// current origin lies in eye coordinates. No camera state lives here; every
// operation works on whatever matrix is current.
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

// Multiplies the current matrix by the rotation turning vec onto base, without
// translation. Both are normalised in place.
void rotateToVector(float vec[3], float base[3]);
