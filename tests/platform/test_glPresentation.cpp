// The scaled presentation: where the view lands, how window positions map back
// to the view, and a real frame scaled on a 1280 x 960 drawable read back and
// compared pixel for pixel with the 640 x 480 frame it came from.

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/glEnvironment.h"
#include "platform/glPresentation.h"

namespace {

TEST(Presentation, TheViewTakesTheLargestWholeScaleThatFitsCentred) {
    struct layoutCase {
        int drawableWidth, drawableHeight;
        presentationLayout expected;
    };
    const layoutCase cases[] = {
        {640, 480, {0, 0, 640, 480, 1}},       {1920, 1080, {320, 60, 1280, 960, 2}},
        {2560, 1440, {320, 0, 1920, 1440, 3}}, {1279, 2000, {319, 760, 640, 480, 1}},
        {640, 240, {160, 0, 320, 240, 0.5f}},
    };
    for (const layoutCase &c : cases) {
        presentationLayout at = glPresentation_layout(640, 480, c.drawableWidth, c.drawableHeight);
        std::string label = std::to_string(c.drawableWidth) + "x" + std::to_string(c.drawableHeight);
        EXPECT_EQ(at.x, c.expected.x) << label;
        EXPECT_EQ(at.y, c.expected.y) << label;
        EXPECT_EQ(at.width, c.expected.width) << label;
        EXPECT_EQ(at.height, c.expected.height) << label;
        EXPECT_FLOAT_EQ(at.scale, c.expected.scale) << label;
    }
}

TEST(Presentation, WindowPositionsMapBackToTheView) {
    struct mapCase {
        int windowWidth, windowHeight, drawableWidth, drawableHeight;
        int windowX, windowY, viewX, viewY;
    };
    const mapCase cases[] = {
        {640, 480, 640, 480, 0, 0, 0, 480},         // unscaled: only the flip
        {640, 480, 640, 480, 639, 479, 639, 1},
        {1280, 960, 1280, 960, 0, 0, 0, 480},       // doubled
        {1280, 960, 1280, 960, 1279, 959, 639, 1},
        {1280, 960, 1280, 960, 201, 101, 100, 430},
        {1920, 1080, 1920, 1080, 320, 60, 0, 480},  // bars left and right, above and below
        {1920, 1080, 1920, 1080, 520, 160, 100, 430},
        {1920, 1080, 1920, 1080, 100, 500, -110, 260},  // over the left bar: outside the view
        {1920, 1080, 1920, 1080, 960, 10, 320, 505},    // over the top bar: above the view
        {960, 540, 1920, 1080, 260, 80, 100, 430},      // a high-density display: points are 2 pixels
    };
    for (const mapCase &c : cases) {
        int x = 0, y = 0;
        glPresentation_windowToView(c.windowX, c.windowY, c.windowWidth, c.windowHeight, c.drawableWidth,
                                    c.drawableHeight, 640, 480, &x, &y);
        EXPECT_EQ(x, c.viewX) << c.windowWidth << "x" << c.windowHeight << " at " << c.windowX << "," << c.windowY;
        EXPECT_EQ(y, c.viewY) << c.windowWidth << "x" << c.windowHeight << " at " << c.windowX << "," << c.windowY;
        // And back: the window position found for a view position maps onto it again.
        int wx = 0, wy = 0;
        glPresentation_viewToWindow(c.viewX, c.viewY, c.windowWidth, c.windowHeight, c.drawableWidth,
                                    c.drawableHeight, 640, 480, &wx, &wy);
        glPresentation_windowToView(wx, wy, c.windowWidth, c.windowHeight, c.drawableWidth, c.drawableHeight, 640,
                                    480, &x, &y);
        EXPECT_EQ(x, c.viewX) << "back from " << wx << "," << wy;
        EXPECT_EQ(y, c.viewY) << "back from " << wx << "," << wy;
    }
}

std::vector<uint8_t> readPixels(int width, int height) {
    std::vector<uint8_t> pixels((size_t)width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// A real window of 1280 x 960: the game's 640 x 480 frame is drawn at its
// lower-left corner, then presented.
TEST(Presentation, AScaledFrameMatchesTheViewPixelForPixel) {
    glEnvironment_setNonInteractive(1);
    initFullscreen("Quillmere presentation test", 1280, 960, 0, 0, 1);
    ASSERT_EQ(getQuitFlag(), 0) << "no GL window";

    // A frame where every pixel differs from its neighbours.
    std::vector<uint8_t> frame(640 * 480 * 3);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            uint8_t *p = &frame[(y * 640 + x) * 3];
            p[0] = (uint8_t)(x * 7 + y), p[1] = (uint8_t)(y * 5 + x * 3), p[2] = (uint8_t)(x ^ y);
        }
    struct drawableCase {
        int width, height;
    };
    for (const drawableCase &d : {drawableCase{1280, 960}, drawableCase{1000, 800}}) {
        glViewport(0, 0, 640, 480);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 640, 0, 480, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRasterPos2i(0, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glDrawPixels(640, 480, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
        ASSERT_EQ(readPixels(640, 480), frame);

        glPresentation_present(640, 480, d.width, d.height);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], 640);  // ready for the next frame
        EXPECT_EQ(viewport[3], 480);

        presentationLayout at = glPresentation_layout(640, 480, d.width, d.height);
        int scale = (int)at.scale;
        std::vector<uint8_t> shown = readPixels(d.width, d.height);
        int wrong = 0, barsLit = 0;
        for (int y = 0; y < d.height; y++)
            for (int x = 0; x < d.width; x++) {
                const uint8_t *p = &shown[((size_t)y * d.width + x) * 3];
                int vx = x - at.x, vy = y - at.y;
                if (vx < 0 || vy < 0 || vx >= at.width || vy >= at.height) {
                    barsLit += p[0] || p[1] || p[2];
                    continue;
                }
                const uint8_t *q = &frame[((vy / scale) * 640 + vx / scale) * 3];
                wrong += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
            }
        EXPECT_EQ(wrong, 0) << d.width << "x" << d.height;
        EXPECT_EQ(barsLit, 0) << d.width << "x" << d.height;
    }
    deleteFullscreen();
}

int clickX = -1, clickY = -1;
void private_recordClick(int code, envMessage message) {
    if (code == kEnvEventMouseDown) getMouseFromEvent(message, &clickX, &clickY);
}

// The window environment maps the clicks of a window made larger by the user.
TEST(Presentation, ClicksInAResizedWindowArriveInViewCoordinates) {
    glEnvironment_setNonInteractive(1);
    initFullscreen("Quillmere presentation test", 640, 480, 0, 0, 1);
    ASSERT_EQ(getQuitFlag(), 0) << "no GL window";
    SDL_Window *window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    SDL_SetWindowSize(window, 1920, 1080);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    setGlobalFunctions(nullptr, nullptr, private_recordClick);
    glEnvironment_setFixedStep(1);

    SDL_Event event = {};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.x = 520;
    event.button.y = 160;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    for (int i = 0; i < 4 && clickX < 0; i++) doSingleLoop();
    EXPECT_EQ(clickX, 100);
    EXPECT_EQ(clickY, 430);
    EXPECT_EQ(getWindowWidth(), 640);  // the game's view keeps its size
    EXPECT_EQ(getWindowHeight(), 480);
    setGlobalFunctions(nullptr, nullptr, nullptr);
    deleteFullscreen();
}

}  // namespace
