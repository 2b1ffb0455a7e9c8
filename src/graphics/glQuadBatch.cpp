// glQuadBatch: pending quads of one drawing state in a growing vertex buffer
// (kept between frames, so a warmed-up frame allocates nothing), drawn with
// one glDrawArrays per run of equal keys (split where quads cross the view's
// edge).

#include "graphics/glQuadBatch.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/glCamera.h"

// Interleaved: position, texture coordinate, colour.
struct quadBatchVertex {
    float x, y, z;
    float s, t;
    float r, g, b, a;
};

// A full buffer is drawn and started again: this bounds its memory and keeps
// the vertex count far inside a GLsizei.
static const int kMaxQuads = 16384;
static const int kFirstCapacity = 256;
// In-view stretches shorter than this are drawn together with the quads that
// cross the view's edge around them rather than on their own.
static const int kMinInViewRun = 8;

static quadBatchVertex *vertices = nullptr;
static int capacity = 0;  // quads the buffer holds
static int pending = 0;   // quads waiting
static quadBatchKey pendingKey = {0, 0, 0, 0};
static int pendingAllWhite = 1;  // every pending quad's colour is (1, 1, 1, 1)
static float currentColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
static float lastTexCoord[2] = {0.0f, 0.0f};

static int private_sameKey(const quadBatchKey *a, const quadBatchKey *b) {
    if (a->texName != b->texName || a->blend != b->blend) return 0;
    return !a->blend || (a->blendSrc == b->blendSrc && a->blendDst == b->blendDst);
}

// Room for one more quad; 0 when memory ran out (the quad is then dropped).
static int private_reserve(void) {
    if (pending >= kMaxQuads) glQuadBatch_flush();
    if (pending < capacity) return 1;
    int grown = capacity ? capacity * 2 : kFirstCapacity;
    if (grown > kMaxQuads) grown = kMaxQuads;
    void *bigger = realloc(vertices, (size_t)grown * 4 * sizeof(quadBatchVertex));
    if (!bigger) {
        fprintf(stderr, "glQuadBatch: out of memory growing to %d quads; quad not drawn\n", grown);
        return 0;
    }
    vertices = (quadBatchVertex *)bigger;
    capacity = grown;
    return 1;
}

// The slot for the next quad after the key check, or null.
static quadBatchVertex *private_nextQuad(const quadBatchKey *key, const float color[4]) {
    if (!key || !color) return nullptr;
    if (pending > 0 && !private_sameKey(key, &pendingKey)) glQuadBatch_flush();
    if (!private_reserve()) return nullptr;
    pendingKey = *key;
    memcpy(currentColor, color, sizeof currentColor);
    return &vertices[(size_t)pending * 4];
}

static void private_finishQuad(quadBatchVertex *quad, const float texCoords[4][2], const float color[4]) {
    if (color[0] != 1.0f || color[1] != 1.0f || color[2] != 1.0f || color[3] != 1.0f) pendingAllWhite = 0;
    for (int i = 0; i < 4; i++) {
        quad[i].s = texCoords[i][0];
        quad[i].t = texCoords[i][1];
        quad[i].r = color[0];
        quad[i].g = color[1];
        quad[i].b = color[2];
        quad[i].a = color[3];
    }
    lastTexCoord[0] = texCoords[3][0];
    lastTexCoord[1] = texCoords[3][1];
    pending++;
}

void glQuadBatch_addQuad(const quadBatchKey *key, const float corners[4][3], const float texCoords[4][2],
                         const float color[4]) {
    if (!corners || !texCoords) return;
    quadBatchVertex *quad = private_nextQuad(key, color);
    if (!quad) return;
    for (int i = 0; i < 4; i++) {
        quad[i].x = corners[i][0];
        quad[i].y = corners[i][1];
        quad[i].z = corners[i][2];
    }
    private_finishQuad(quad, texCoords, color);
}

void glQuadBatch_addQuadThrough(const float m[16], const quadBatchKey *key, const float corners[4][2],
                                const float texCoords[4][2], const float color[4]) {
    if (!m || !corners || !texCoords) return;
    quadBatchVertex *quad = private_nextQuad(key, color);
    if (!quad) return;
    // Points with z = 0 and w = 1; the matrices used here keep w at 1.
    for (int i = 0; i < 4; i++) {
        float x = corners[i][0], y = corners[i][1];
        quad[i].x = m[0] * x + m[4] * y + m[12];
        quad[i].y = m[1] * x + m[5] * y + m[13];
        quad[i].z = m[2] * x + m[6] * y + m[14];
    }
    private_finishQuad(quad, texCoords, color);
}

void glQuadBatch_setColor(const float color[4]) {
    if (!color) return;
    memcpy(currentColor, color, sizeof currentColor);
    // With nothing pending no flush will come to set it.
    if (pending == 0) glColor4fv(currentColor);
}

// Whether every corner of pending quad `q` lies inside the clip volume of
// `clip` (projection times model-view). NaN corners count as outside.
static int private_quadInView(const float clip[16], int q) {
    const quadBatchVertex *quad = &vertices[(size_t)q * 4];
    for (int i = 0; i < 4; i++) {
        float x = quad[i].x, y = quad[i].y, z = quad[i].z;
        float w = clip[3] * x + clip[7] * y + clip[11] * z + clip[15];
        for (int row = 0; row < 3; row++) {
            float c = clip[row] * x + clip[row + 4] * y + clip[row + 8] * z + clip[row + 12];
            if (!(std::fabs(c) <= w)) return 0;
        }
    }
    return 1;
}

// Draws the pending quads, in order, as runs of quads wholly inside the view
// and runs holding quads that cross its edge. The software renderer takes a
// whole draw call onto its slower clipping path as soon as one primitive in it
// needs clipping: one sprite half out of the view would otherwise slow every
// quad batched with it (5,000 particles with 2.5% of them crossing the edge
// drew about 40% slower). The order stays the same, and a quad inside the view
// now comes out as it does in a batch with nothing crossing the edge (the two
// paths may differ by one step in a colour channel).
static void private_drawInRuns(void) {
    float clip[16], modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, clip);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    matrix_multiply(clip, modelView);
    int start = 0;  // first quad not yet drawn
    int q = 0;
    while (q < pending) {
        if (!private_quadInView(clip, q)) {
            q++;
            continue;
        }
        int end = q + 1;
        while (end < pending && private_quadInView(clip, end)) end++;
        if (end - q >= kMinInViewRun) {
            if (q > start) glDrawArrays(GL_QUADS, start * 4, (q - start) * 4);
            glDrawArrays(GL_QUADS, q * 4, (end - q) * 4);
            start = end;
        }
        q = end;
    }
    if (start < pending) glDrawArrays(GL_QUADS, start * 4, (pending - start) * 4);
}

void glQuadBatch_flush(void) {
    if (pending <= 0) return;
    const GLsizei stride = (GLsizei)sizeof(quadBatchVertex);
    // Texels times white are the texels: replacing instead of modulating
    // gives the same pixels and spares the colour its per-pixel work. No
    // per-fragment test either (an alpha test would drop only fragments that
    // change nothing): with neither, the software renderer draws the quads
    // on its fast path for textured rectangles.
    int replace = pendingKey.texName && pendingAllWhite;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, stride, &vertices[0].s);
    if (!replace) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, stride, &vertices[0].r);
    }
    if (pendingKey.texName) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, pendingKey.texName);
        if (replace) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    if (pendingKey.blend) {
        glEnable(GL_BLEND);
        glBlendFunc((GLenum)pendingKey.blendSrc, (GLenum)pendingKey.blendDst);
    } else {
        glDisable(GL_BLEND);
    }
    private_drawInRuns();
    if (replace) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (pendingKey.texName) glDisable(GL_TEXTURE_2D);
    if (pendingKey.blend) glDisable(GL_BLEND);
    if (!replace) glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // Drawing from arrays leaves the current colour and texture coordinate
    // undefined; later immediate-mode drawing may rely on them.
    glColor4fv(currentColor);
    glTexCoord2fv(lastTexCoord);
    pending = 0;
    pendingAllWhite = 1;
}

int glQuadBatch_pending(void) { return pending; }
