// Helpers shared by the sprite tests: images written at run time and frames read back.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "platform/glEnvironment.h"
#include "graphics/glTexture.h"
#include "support/quillmereRun.h"

struct rgba {
    uint8_t r, g, b, a;
};

// A w x h 32-bit TGA; pixel(x, y) gives the colour, y counted from the bottom.
inline void spriteTest_writeTGA(const std::string &path, int w, int h, const std::function<rgba(int, int)> &pixel) {
    std::ofstream out(path, std::ios::binary);
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (unsigned char)w, (unsigned char)(w >> 8),
                                      (unsigned char)h, (unsigned char)(h >> 8), 32, 0};
    out.write((const char *)header, sizeof(header));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            rgba c = pixel(x, y);
            out << c.b << c.g << c.r << c.a;
        }
}

// 64 x 64 in four quadrants: lower left red, lower right green, upper left blue, upper right white.
inline void spriteTest_writeQuadrants(const std::string &path) {
    spriteTest_writeTGA(path, 64, 64, [](int x, int y) -> rgba {
        if (y < 32) return x < 32 ? rgba{255, 0, 0, 255} : rgba{0, 255, 0, 255};
        return x < 32 ? rgba{0, 0, 255, 255} : rgba{255, 255, 255, 255};
    });
}

// A 256 x 256 alphabet: every cell solid white, each character 16 pixels wide
// (the width bytes fill the first 64 pixels of the top row).
inline void spriteTest_writeAlphabet(const std::string &path) {
    spriteTest_writeTGA(path, 256, 256, [](int x, int y) -> rgba {
        if (y == 255 && x < 64) return rgba{16, 16, 16, 16};
        return rgba{255, 255, 255, 255};
    });
}

// A frame read back: RGBA rows from the bottom.
struct spriteTestFrame {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    rgba at(int x, int y) const {
        const uint8_t *p = &pixels[((size_t)y * width + x) * 4];
        return rgba{p[0], p[1], p[2], p[3]};
    }
};

// A screenshot written by the program, decoded with the texture module's reader.
inline spriteTestFrame spriteTest_readTGA(const std::string &path) {
    spriteTestFrame frame;
    std::string bytes = quillmere_readFile(path);
    tgaImage image = {};
    if (!glTexture_decodeTGA((const uint8_t *)bytes.data(), bytes.size(), path.c_str(), &image)) return frame;
    frame.width = image.width;
    frame.height = image.height;
    int channels = image.format == GL_RGBA ? 4 : 3;
    for (int i = 0; i < image.width * image.height; i++) {
        const uint8_t *p = image.imageData + (size_t)i * channels;
        frame.pixels.insert(frame.pixels.end(), {p[0], p[1], p[2], channels == 4 ? p[3] : (uint8_t)255});
    }
    glFree(image.imageData, (uint32_t)image.imageSize);
    return frame;
}

// Colour comparison with room for filtering at edges.
inline bool spriteTest_near(rgba c, int r, int g, int b, int tolerance = 40) {
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance && std::abs(c.b - b) <= tolerance;
}

// One frame of the objects of `objects` drawn over a background colour in the
// 640 x 480 view, read back.
inline spriteTestFrame spriteTest_drawObjects(_treeNode *objects, float r = 0, float g = 0, float b = 0) {
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    set2DView(640, 480);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_DEPTH_TEST);
    drawObjectManager(objects);
    end2DView();
    spriteTestFrame frame;
    frame.width = 640, frame.height = 480;
    frame.pixels.resize(640 * 480 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.pixels.data());
    return frame;
}
