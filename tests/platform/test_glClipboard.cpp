// Scissor stack against a real GL context (offscreen driver), and URL launch.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "support/windowTest.h"
#include "platform/glClipboard.h"
#include "platform/glEnvironment.h"

namespace {

typedef std::array<GLint, 4> Box;  // x, y, width, height

Box appliedBox() {
    Box box = {-1, -1, -1, -1};
    glGetIntegerv(GL_SCISSOR_BOX, box.data());
    return box;
}

ssRect rect(float x, float y, float w, float h) { return ssRect{{w, h}, {x, y}}; }

class ScissorStack : public WindowTest {
protected:
    static void SetUpTestSuite() {
        WindowTest::SetUpTestSuite();
        setGlobalFunctions([] {}, nullptr, nullptr);
        forceRender();  // refreshes the environment bounds
    }
    void TearDown() override {
        while (glScissorDepth() > 0) glPopScissor();
        glClipboard_destroy();
    }
    Box windowBox() const {
        const ssRect *b = getEnvironmentBoundsReference();
        return {(GLint)b->point.x, (GLint)b->point.y, (GLint)b->size.width, (GLint)b->size.height};
    }
};

TEST_F(ScissorStack, SetClipsToTheWindow) {
    glPushScissor();
    ssRect inside = rect(10.9f, 20.5f, 100.7f, 50.2f);
    glSetScissorRect(&inside);
    EXPECT_EQ(appliedBox(), (Box{10, 20, 100, 50})) << "values are truncated";

    const struct {
        ssRect given;
        Box applied;
    } cases[] = {
        {rect(600, 450, 200, 100), {600, 450, 40, 30}},
        {rect(-50, -20, 100, 100), {0, 0, 50, 80}},
        {rect(700, 10, 100, 100), {0, 0, 0, 0}},
        {rect(10, -300, 100, 100), {0, 0, 0, 0}},
        {rect(-1e30f, -1e30f, 2e30f, 2e30f), {0, 0, 640, 480}},
        {rect(NAN, 0, 10, 10), {0, 0, 0, 0}},
    };
    ::testing::internal::CaptureStderr();
    for (const auto &c : cases) {
        glSetScissorRect(&c.given);
        EXPECT_EQ(appliedBox(), c.applied) << "x " << c.given.point.x << " y " << c.given.point.y;
    }
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(glScissorDepth(), 1) << "set replaces the top, it does not push";
}

TEST_F(ScissorStack, NestedBoxesClipToTheEnclosingOneAndPopRestores) {
    glScissor(5, 6, 7, 8);
    glPushScissor();
    EXPECT_EQ(appliedBox(), windowBox());
    EXPECT_EQ(windowBox(), (Box{0, 0, 640, 480}));
    ssRect outer = rect(100, 100, 200, 200);
    glSetScissorRect(&outer);
    glPushScissor();
    EXPECT_EQ(appliedBox(), windowBox());
    ssRect inner = rect(250, 50, 100, 100);
    glSetScissorRect(&inner);
    EXPECT_EQ(appliedBox(), (Box{250, 100, 50, 50}));

    glPopScissor();
    EXPECT_EQ(appliedBox(), (Box{100, 100, 200, 200}));
    glPopScissor();
    EXPECT_EQ(glScissorDepth(), 0);
    EXPECT_EQ(appliedBox(), windowBox());
}

TEST_F(ScissorStack, EmptyStackIgnoresSetAndPop) {
    glScissor(1, 2, 3, 4);
    glPopScissor();
    ssRect r = rect(10, 10, 10, 10);
    glSetScissorRect(&r);
    glSetScissorRect(nullptr);
    EXPECT_EQ(appliedBox(), (Box{1, 2, 3, 4}));
    EXPECT_EQ(glScissorDepth(), 0);
}

TEST(LaunchURL, NonInteractiveRunOnlyLogs) {
    glEnvironment_setNonInteractive(1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(launchURL("https://example.org/?a=1;b=$(x)"), 0);
    EXPECT_EQ(launchURL(nullptr), 0);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("https://example.org/?a=1;b=$(x)"), std::string::npos) << log;
    glEnvironment_setNonInteractive(0);
}

}  // namespace
