// The quad batch against a real GL context (offscreen driver): drawing order
// across state changes, the GL state a flush leaves, a frame of many quads,
// quads crossing the view's edge batched with quads inside it,
// and pixels compared with the same quads drawn in immediate mode through the
// GL matrix stack (which also checks the CPU matrices of glCamera).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <vector>

#include "core/glMemory.h"
#include "graphics/glCamera.h"
#include "graphics/glQuadBatch.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"
#include "support/windowTest.h"

namespace {

typedef std::vector<uint8_t> Bytes;

const float kWhite[4] = {1, 1, 1, 1};
const float kUnit[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// A w x h texture of one RGBA colour; its GL name.
uint32_t solidTexture(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    Bytes pixels((size_t)w * h * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) pixels[i] = r, pixels[i + 1] = g, pixels[i + 2] = b, pixels[i + 3] = a;
    uint8_t *block = (uint8_t *)glMallocWithBytes((uint32_t)pixels.size(), pixels.data());
    return glTexture_getTextureID(glTexture_loadTexture(block, w, h, GL_RGBA, 0));
}

// An axis-aligned box as corners for glQuadBatch_addQuad.
void box(float x0, float y0, float x1, float y1, float out[4][3]) {
    const float corners[4][3] = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 3; j++) out[i][j] = corners[i][j];
}

class QuadBatch : public WindowTest {
protected:
    template <typename F> Bytes frame(F draw) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        set2DView(640, 480);
        glDisable(GL_DEPTH_TEST);
        glColor4f(1, 1, 1, 1);
        draw();
        glQuadBatch_flush();
        end2DView();
        Bytes pixels(640 * 480 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    static const uint8_t *at(const Bytes &p, int x, int y) { return &p[((size_t)y * 640 + x) * 4]; }
};

TEST_F(QuadBatch, LaterQuadsStayOnTopAcrossTextureAndBlendChanges) {
    uint32_t red = solidTexture(8, 8, 255, 0, 0, 255), green = solidTexture(8, 8, 0, 255, 0, 255);
    const quadBatchKey opaqueRed = {red, 0, 0, 0};
    const quadBatchKey blendedGreen = {green, 1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    const quadBatchKey untextured = {0, 0, 0, 0};
    const float half[4] = {1, 1, 1, 0.5f};
    Bytes p = frame([&] {
        float c[4][3];
        box(100, 100, 200, 200, c);
        glQuadBatch_addQuad(&opaqueRed, c, kUnit, kWhite);
        box(150, 100, 250, 200, c);
        glQuadBatch_addQuad(&blendedGreen, c, kUnit, half);
        box(225, 100, 300, 200, c);  // same texture as the first, after the green one
        glQuadBatch_addQuad(&opaqueRed, c, kUnit, kWhite);
        box(50, 300, 60, 310, c);  // untextured: the colour alone
        const float blue[4] = {0, 0, 1, 1};
        glQuadBatch_addQuad(&untextured, c, kUnit, blue);
    });
    EXPECT_EQ(at(p, 120, 150)[0], 255);
    EXPECT_NEAR(at(p, 170, 150)[0], 128, 2);  // half green over red
    EXPECT_NEAR(at(p, 170, 150)[1], 128, 2);
    EXPECT_NEAR(at(p, 210, 150)[1], 128, 2);  // half green over black
    EXPECT_EQ(at(p, 210, 150)[0], 0);
    EXPECT_EQ(at(p, 240, 150)[0], 255);  // the last red quad covers the green one
    EXPECT_EQ(at(p, 240, 150)[1], 0);
    EXPECT_EQ(at(p, 55, 305)[2], 255);
    EXPECT_EQ(at(p, 55, 305)[0], 0);
}

TEST_F(QuadBatch, AFlushLeavesTheStateOfImmediateModeAndAnEmptyOneTouchesNothing) {
    uint32_t tex = solidTexture(4, 4, 255, 255, 255, 255);
    set2DView(640, 480);
    const quadBatchKey added = {tex, 1, GL_ONE, GL_ONE}, soft = {tex, 1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    const float color[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    float c[4][3], current[4];
    box(0, 0, 10, 10, c);
    // White soft quads (drawn with their own shortcuts), then coloured ones.
    glQuadBatch_addQuad(&soft, c, kUnit, kWhite);
    glQuadBatch_addQuad(&added, c, kUnit, kWhite);
    glQuadBatch_addQuad(&added, c, kUnit, color);
    EXPECT_EQ(glQuadBatch_pending(), 2);
    glQuadBatch_flush();
    EXPECT_EQ(glQuadBatch_pending(), 0);
    for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_ALPHA_TEST, GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    GLint src = 0, bound = 0, mode = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ((uint32_t)bound, tex);
    EXPECT_EQ(mode, GL_MODULATE);
    glGetFloatv(GL_CURRENT_COLOR, current);
    for (int i = 0; i < 4; i++) EXPECT_FLOAT_EQ(current[i], color[i]);

    // A colour set after the last quad is the one left; with nothing pending it is set at once.
    glQuadBatch_addQuad(&added, c, kUnit, kWhite);
    glQuadBatch_setColor(color);
    glQuadBatch_flush();
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_FLOAT_EQ(current[0], 0.25f);
    glQuadBatch_setColor(kWhite);
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_FLOAT_EQ(current[0], 1.0f);

    glEnable(GL_BLEND);
    glQuadBatch_flush();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glDisable(GL_BLEND);
    end2DView();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Soft texels blended over blue, one pixel each: red 255, green and alpha i
// for texel i (16 x 16, rows from the bottom). Every pixel must be what the
// blend equation gives (within one step): a change to how quads are blended
// or sampled shows here, and a texel of alpha 0 leaves the background as it was.
TEST_F(QuadBatch, BlendedTexelsFollowTheBlendEquation) {
    Bytes pixels(256 * 4);
    for (int i = 0; i < 256; i++) pixels[i * 4] = 255, pixels[i * 4 + 1] = (uint8_t)i, pixels[i * 4 + 3] = (uint8_t)i;
    uint8_t *block = (uint8_t *)glMallocWithBytes((uint32_t)pixels.size(), pixels.data());
    uint32_t ramp = glTexture_getTextureID(glTexture_loadTexture(block, 16, 16, GL_RGBA, 0));
    const quadBatchKey blue = {0, 0, 0, 0}, soft = {ramp, 1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    const float kBlue[4] = {0, 0, 1, 1};
    for (int grey : {0, 1}) {  // white (the texels alone) and a grey that modulates them
        const float color[4] = {1, grey ? 0.5f : 1.0f, 1, 1};
        Bytes p = frame([&] {
            float c[4][3];
            box(0, 10, 16, 26, c);
            glQuadBatch_addQuad(&blue, c, kUnit, kBlue);
            glQuadBatch_addQuad(&soft, c, kUnit, color);
        });
        for (int i = 0; i < 256; i++) {
            const uint8_t *pixel = at(p, i % 16, 10 + i / 16);
            double a = i / 255.0, g = i * (grey ? 0.5 : 1.0) / 255.0;
            EXPECT_NEAR(pixel[0], 255 * a, 1.01) << i;
            EXPECT_NEAR(pixel[1], 255 * g * a, 1.01) << i;
            EXPECT_NEAR(pixel[2], 255 * (1 - a), 1.01) << i;
        }
        EXPECT_EQ(at(p, 0, 10)[2], 255);
        EXPECT_EQ(at(p, 0, 10)[0], 0);
    }
}

TEST_F(QuadBatch, TwentyThousandQuadsInOneFrameAreAllDrawn) {
    // One pixel each on a 200 x 100 grid, textured then untextured half-way.
    uint32_t tex = solidTexture(4, 4, 255, 255, 255, 255);
    const quadBatchKey textured = {tex, 0, 0, 0}, plain = {0, 0, 0, 0};
    const float red[4] = {1, 0, 0, 1};
    Bytes p = frame([&] {
        for (int i = 0; i < 20000; i++) {
            float x = (float)(10 + i % 200), y = (float)(10 + i / 200), c[4][3];
            box(x, y, x + 1, y + 1, c);
            glQuadBatch_addQuad(i < 10000 ? &textured : &plain, c, kUnit, red);
        }
    });
    int lit = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) lit += at(p, x, y)[0] == 255;
    EXPECT_EQ(lit, 20000);
    EXPECT_EQ(at(p, 209, 109)[0], 255);
}

// Quads inside the view and quads crossing its left edge ('I' and 'X', in
// batch order) are drawn in separate runs, in-view stretches of fewer than 8
// joining the crossing quads around them. Every quad adds its own bit to one
// shared pixel (bits 0-6 of red, then green, then blue): a quad dropped or
// drawn twice changes the sum.
TEST_F(QuadBatch, QuadsCrossingTheViewsEdgeAreEachDrawnOnce) {
    const char *patterns[] = {
        "IIIIIIIIIIIIIIIIIIIII", "XXXXXXXXXXXXXXXXXXXXX", "XIIIIIIIIIIIIIIIIIIII", "IIIIIIIIIIIIIIIIIIIIX",
        "IIIIIIIXIIIIIIIIIIIII", "IIIIIIIIXIIIIIIIIXIII", "IXIXIXIXIXIXIXIXIXIXI", "XXIIIIIIIIXXIIIIIIIXX",
    };
    const quadBatchKey added = {0, 1, GL_ONE, GL_ONE};
    for (const char *pattern : patterns) {
        Bytes p = frame([&] {
            for (int i = 0; pattern[i]; i++) {
                float c[4][3], color[4] = {0, 0, 0, 1};
                box(pattern[i] == 'X' ? -10.0f : 1.0f, 100, 20, 110, c);
                color[i / 7] = (float)(1 << (i % 7)) / 255.0f;
                glQuadBatch_addQuad(&added, c, kUnit, color);
            }
        });
        for (int channel = 0; channel < 3; channel++) EXPECT_EQ(at(p, 5, 105)[channel], 127) << pattern;
    }
}

TEST_F(QuadBatch, MatchesImmediateModeThroughTheMatrixStack) {
    // Multi-tile textures (4-pixel tiles) in every mirror, turned, scaled and blended.
    glTexture_setTilingPreference(0);
    // Clear columns at the left, then barely visible ones, then half to fully opaque.
    Bytes image(60 * 44 * 4);
    for (size_t i = 0; i < image.size(); i += 4) {
        int x = (int)(i / 4 % 60);
        image[i] = (uint8_t)(i * 7), image[i + 1] = (uint8_t)(i / 13), image[i + 2] = (uint8_t)(i / 3);
        image[i + 3] = (uint8_t)(x < 12 ? 0 : x < 16 ? x - 11 : 128 + i % 128);
    }
    int ref = glTexture_loadTexture((uint8_t *)glMallocWithBytes((uint32_t)image.size(), image.data()), 60, 44, GL_RGBA, 0);
    ASSERT_GE(ref, 0);
    glTexture_setOrigin(ref, 7, 3);
    struct placement {
        float tx, ty, sx, sy, rz, ry, rx;
        int mirror;
        float color[4];
    };
    std::vector<placement> placements;
    srand(7);
    for (int i = 0; i < 24; i++) {
        auto r = [](float lo, float hi) { return lo + (hi - lo) * (float)rand() / (float)RAND_MAX; };
        placements.push_back({r(40, 600), r(40, 440), r(0.5f, 2.5f), r(0.5f, 2.5f), r(-180, 180), i % 3 ? 0.0f : r(-60, 60),
                              i % 4 ? 0.0f : r(-60, 60), i % 4, {r(0, 1), r(0, 1), r(0, 1), r(0.3f, 1)}});
        if (i % 2) placements.back().color[0] = placements.back().color[1] = placements.back().color[2] = placements.back().color[3] = 1;
    }
    const quadBatchKey blended = {0, 1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    Bytes batched = frame([&] {
        for (const placement &q : placements) {
            float m[16];
            matrix_identity(m);
            matrix_translate(m, q.tx, q.ty, 0);
            matrix_scale(m, q.sx, q.sy, 1);
            matrix_rotate(m, q.rz, 0, 0, 1);
            matrix_rotate(m, q.ry, 0, 1, 0);
            matrix_rotate(m, q.rx, 1, 0, 0);
            glTexture_renderBatched(ref, 0, 0, q.mirror, m, &blended, q.color);
        }
    });
    Bytes immediate = frame([&] {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        for (const placement &q : placements) {
            glPushMatrix();
            glTranslatef(q.tx, q.ty, 0);
            glScalef(q.sx, q.sy, 1);
            glRotatef(q.rz, 0, 0, 1);
            glRotatef(q.ry, 0, 1, 0);
            glRotatef(q.rx, 1, 0, 0);
            glColor4fv(q.color);
            glTexture_render(ref, 0, 0, q.mirror);
            glPopMatrix();
        }
        glDisable(GL_BLEND);
    });
    int lit = 0, differing = 0;
    for (size_t i = 0; i < batched.size(); i += 4) {
        lit += immediate[i] + immediate[i + 1] + immediate[i + 2] > 0;
        for (int c = 0; c < 3; c++)
            if (std::abs(batched[i + c] - immediate[i + c]) > 1) {
                differing++;
                break;
            }
    }
    EXPECT_GT(lit, 30000);
    // The GL multiplies the matrices in another order than the CPU does, so a
    // pixel centre lying on an edge may fall to the other side: a few at most.
    EXPECT_LE(differing, lit / 5000);
}

}  // namespace
