// Quaternion helpers checked through what they do to the GL matrix: the
// rotation lands a direction on its target, keeps lengths, composes, and the
// centroid follows the matrix.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "graphics/glCamera.h"
#include "platform/glEnvironment.h"

namespace {

struct vec3 {
    float v[3];
};

vec3 apply(const GLfloat m[16], const float p[3]) {
    vec3 r;
    for (int i = 0; i < 3; i++) r.v[i] = m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i];
    return r;
}

float length(const float p[3]) { return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]); }

void expectNear(const float a[3], const float b[3], float tolerance) {
    for (int i = 0; i < 3; i++) EXPECT_NEAR(a[i], b[i], tolerance) << "component " << i;
}

// The model-view matrix after rotateToVector(a, b) from the identity.
void rotationFor(float a[3], float b[3], GLfloat m[16]) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    rotateToVector(a, b);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
}

class CameraTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        glEnvironment_setNonInteractive(1);
        initFullscreen("test", 640, 480, 0, 0, 1);
    }
    static void TearDownTestSuite() { deleteFullscreen(); }
    std::mt19937 random{12345};
    // A random vector, not too short to have a direction.
    vec3 any() {
        std::uniform_real_distribution<float> d(-5.0f, 5.0f);
        vec3 r;
        do r = {{d(random), d(random), d(random)}};
        while (length(r.v) < 0.01f);
        return r;
    }
};

TEST_F(CameraTest, RotationLandsDirectionOnTargetAlongTheShortestArc) {
    for (int trial = 0; trial < 200; trial++) {
        vec3 a = any(), b = any(), p = any(), qa = a, qb = b;
        quaternion q = quat_calculateArc(qa.v, qb.v);
        EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-4f);
        GLfloat m[16];
        rotationFor(a.v, b.v, m);
        // The caller's arrays come back as unit directions.
        EXPECT_NEAR(length(a.v), 1.0f, 1e-5f);
        EXPECT_NEAR(length(b.v), 1.0f, 1e-5f);
        expectNear(apply(m, a.v).v, b.v, 1e-4f);
        // A pure rotation: lengths kept, no translation.
        EXPECT_NEAR(length(apply(m, p.v).v), length(p.v), 1e-3f);
        EXPECT_EQ(m[12], 0.0f);
        // The shortest arc turns about a x b, which therefore stays put.
        float axis[3] = {a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
                         a.v[0] * b.v[1] - a.v[1] * b.v[0]};
        expectNear(apply(m, axis).v, axis, 1e-4f);
    }
}

TEST_F(CameraTest, RotationsComposeThroughTheMatrixStack) {
    for (int trial = 0; trial < 50; trial++) {
        vec3 a = any(), b = any(), c = any(), b2 = b;
        glLoadIdentity();
        rotateToVector(b.v, c.v);  // applied last to the vertices
        rotateToVector(a.v, b2.v);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        expectNear(apply(m, a.v).v, c.v, 2e-4f);
    }
}

TEST_F(CameraTest, EqualOppositeAndZeroDirections) {
    GLfloat m[16];
    float a[3] = {0, 2, 0}, same[3] = {0, 7, 0};
    rotationFor(a, same, m);
    for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;

    // Opposite directions turn half a circle instead of dividing by zero.
    for (int trial = 0; trial < 50; trial++) {
        vec3 d = trial == 0 ? vec3{{1, 0, 0}} : any(), p = any();
        vec3 back = {{-d.v[0], -d.v[1], -d.v[2]}};
        rotationFor(d.v, back.v, m);
        expectNear(apply(m, d.v).v, back.v, 1e-4f);
        EXPECT_NEAR(length(apply(m, p.v).v), length(p.v), 1e-3f);
    }

    float zero[3] = {0, 0, 0}, up[3] = {0, 0, 1};
    EXPECT_EQ(quat_calculateArc(zero, up).w, 1.0f);  // no direction, no turn
}

TEST_F(CameraTest, CentroidFollowsRotationThenTranslation) {
    glLoadIdentity();
    glTranslatef(10.0f, 20.0f, -3.0f);
    float v[3] = {1.0f, 0.0f, 0.0f}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    quat_loadRotation(v, quat_calculateArc(x, y));
    float cx, cy, cz;
    getCentroid(&cx, &cy, &cz);
    EXPECT_FLOAT_EQ(cx, 11.0f);
    EXPECT_FLOAT_EQ(cy, 20.0f);
    EXPECT_FLOAT_EQ(cz, -3.0f);
    // One unit along x under the turned matrix lies one unit up from there.
    glTranslatef(1.0f, 0.0f, 0.0f);
    getCentroid(nullptr, &cy, nullptr);
    EXPECT_NEAR(cy, 21.0f, 1e-5f);
    glLoadIdentity();
}

}  // namespace
