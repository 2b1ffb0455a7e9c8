// glQuadBatch: collects textured, coloured quads and draws runs of them that
// share their drawing state (texture, blending) with one glDrawArrays over
// client-side arrays (OpenGL 1.1, fixed function), or a few where some of
// them cross the view's edge. Sprites are drawn through
// it so that a frame of thousands of sprites of one image costs a handful of
// draws and state changes instead of a few per sprite.
//
// Corners arrive already transformed (into the coordinates of the model-view
// matrix that will be in force at the flush); the batch keeps no matrix and
// knows nothing about sprites or the texture registry. Whoever draws anything
// else must flush first, so that what was batched before it stays below it.
// Main thread only, with the OpenGL context current (adding may draw).
#pragma once

#include <cstdint>

// The drawing state of a quad. Quads with equal keys go into one draw.
struct quadBatchKey {
    uint32_t texName;            // OpenGL texture object; 0: untextured (texturing off)
    int32_t blend;               // non-zero: blending on with the factors below
    int32_t blendSrc, blendDst;  // GLenum factors; ignored when blend is 0
};

// Adds one quad: corners (x, y, z) counter-clockwise from the lower left,
// the texture coordinates (s, t) of each corner, and one RGBA colour. A key
// different from that of the pending quads draws those first.
void glQuadBatch_addQuad(const quadBatchKey *key, const float corners[4][3], const float texCoords[4][2],
                         const float color[4]);

// Adds one quad given in object coordinates (x, y) of `matrix`, a column-major
// 4 x 4 transform (as OpenGL stores them) applied on the CPU.
void glQuadBatch_addQuadThrough(const float matrix[16], const quadBatchKey *key, const float corners[4][2],
                                const float texCoords[4][2], const float color[4]);

// Makes `color` current as glColor would, without adding a quad: at once when
// nothing is pending, else at the next flush. For something that sets its
// colour but then draws nothing (a hidden sprite).
void glQuadBatch_setColor(const float color[4]);

// Draws the pending quads. Afterwards texturing, blending, the alpha test and
// the client arrays are off, the texture environment modulates, and the
// current colour is the last quad's (or the colour set since), as if the
// quads had been drawn one by one in immediate mode. Does nothing, and
// touches no OpenGL state, when nothing is pending.
void glQuadBatch_flush(void);

// Quads waiting for the next flush.
int glQuadBatch_pending(void);
