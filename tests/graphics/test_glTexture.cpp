// The texture registry against a real GL context (offscreen driver): images
// drawn and read back pixel by pixel (origins, mirrors, tiles under both
// preferences, nine-region frames), reference counting, unload and delete,
// the texts and statistics, screenshots read back, and the real TGA files
// under the conformance folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/windowTest.h"
#include "core/glMemory.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"

namespace fs = std::filesystem;
typedef std::vector<uint8_t> Bytes;

namespace {

// RGBA pixels that tell where they came from: R = x mod 256, G = y, B = 40 x (x / 256) + 7.
Bytes coordinateImage(int width, int height)
{
    Bytes pixels((size_t)width * height * 4);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t *p = &pixels[((size_t)y * width + x) * 4];
            p[0] = (uint8_t)x, p[1] = (uint8_t)y, p[2] = (uint8_t)(40 * (x / 256) + 7), p[3] = 255;
        }
    return pixels;
}

// A texture made from RGBA bytes (the registry takes a tracked copy).
int bytesTexture(const Bytes &pixels, int width, int height)
{
    uint8_t *block = (uint8_t *)glMallocWithBytes((uint32_t)pixels.size(), pixels.data());
    return glTexture_loadTexture(block, width, height, GL_RGBA, 0);
}

// An uncompressed 32-bit TGA file of RGBA pixels.
void writeTGA(const std::string &path, const Bytes &rgba, int width, int height)
{
    Bytes file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)width, (uint8_t)(width >> 8),
                  (uint8_t)height, (uint8_t)(height >> 8), 32, 0};
    for (size_t i = 0; i < rgba.size(); i += 4) file.insert(file.end(), {rgba[i + 2], rgba[i + 1], rgba[i], rgba[i + 3]});
    FILE *out = fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fwrite(file.data(), 1, file.size(), out);
    fclose(out);
}

Bytes readScreen(int x, int y, int width, int height)
{
    Bytes pixels((size_t)width * height * 4);
    glFinish();
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<int> rgb(const Bytes &p, size_t pixel) { return {p[pixel * 4], p[pixel * 4 + 1], p[pixel * 4 + 2]}; }

int tileCount(int ref) { return numberOfChildren(glTexture_getTextureRecord(ref)->texList); }

// The number written after `label` in a statistics text.
long statistic(const char *label)
{
    char text[1024] = "";
    glTexture_textureInfo(text, sizeof text);
    const char *at = strstr(text, label);
    return at ? strtol(at + strlen(label), nullptr, 10) : -1;
}

class Textures : public WindowTest {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("quillmere-texture-" + std::to_string(getpid()));
        fs::create_directories(dir);
        glTexture_setTilingPreference(0);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Clears to black and draws with `draw` in a 640 x 480 view.
    template <typename F> void frame(F draw)
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        set2DView(640, 480);
        glColor4f(1, 1, 1, 1);
        draw();
        end2DView();
    }
    std::string path(const char *name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(Textures, ATGADrawnAtAnOriginLandsWhereItShould)
{
    // 3 x 2: bottom row red, green, blue; top row white, yellow, cyan.
    Bytes image = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 0, 255, 0, 255, 255, 255};
    writeTGA(path("small.tga"), image, 3, 2);
    int ref = glTexture_loadTexture(path("small.tga").c_str(), 0);
    ASSERT_GE(ref, 0);
    glTexture_setOrigin(ref, 1, 1);
    frame([&] { glTexture_render(ref, 100, 50, 0); });
    Bytes screen = readScreen(98, 48, 5, 4);  // one pixel of border around the box
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 5; x++) {
            bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
            std::vector<int> expected = inside ? rgb(image, (y - 1) * 3 + (x - 1)) : std::vector<int>{0, 0, 0};
            EXPECT_EQ(rgb(screen, y * 5 + x), expected) << "pixel " << x << ", " << y;
        }
    glTexture_centerOrigin(ref);
    int ox = -1, oy = -1;
    glTexture_getOrigin(ref, &ox, &oy);
    EXPECT_EQ(ox * 10 + oy, 11) << "halves are whole pixels";
}

// A 4 x 4 image, left half red and right half blue, drawn 32 times its size:
// nearest filtering keeps the edge between two pixels, linear blends across it.
TEST_F(Textures, FilteringIsLinearUnlessTheTextureOrTheDefaultAsksForNearest)
{
    Bytes image(4 * 4 * 4);
    for (size_t i = 0; i < 16; i++) {
        bool left = i % 4 < 2;
        image[i * 4] = left ? 255 : 0, image[i * 4 + 2] = left ? 0 : 255, image[i * 4 + 3] = 255;
    }
    writeTGA(path("halves.tga"), image, 4, 4);
    struct Case { int flags, defaultFilter; bool fromFile, nearest; };
    const Case cases[] = {
        {0, kLinear, false, false},       {0, kLinear, true, false},   {kNearest, kLinear, false, true},
        {kNearest, kLinear, true, true},  {0, kNearest, false, true},  {0, kNearest, true, true},
        {kLinear, kNearest, true, false}, {kLinear | kNearest, kLinear, false, true},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(glTexture_setDefaultFilter(c.defaultFilter), 1);
        uint8_t *block = (uint8_t *)glMallocWithBytes((uint32_t)image.size(), image.data());
        int ref = c.fromFile ? glTexture_loadTexture(path("halves.tga").c_str(), c.flags)
                             : glTexture_loadTexture(block, 4, 4, GL_RGBA, c.flags);
        if (c.fromFile) glFree(block, (uint32_t)image.size());
        ASSERT_GE(ref, 0);
        frame([&] {
            glPushMatrix();
            glTranslatef(100, 100, 0);
            glScalef(32, 32, 1);
            glTexture_render(ref, 0, 0, 0);
            glPopMatrix();
        });
        Bytes row = readScreen(100, 160, 128, 1);
        int blended = 0;
        for (size_t x = 0; x < 128; x++) blended += row[x * 4] > 8 && row[x * 4 + 2] > 8;
        if (c.nearest) {
            EXPECT_EQ(blended, 0) << "flags " << c.flags << ", default " << c.defaultFilter;
            EXPECT_EQ(rgb(row, 63), (std::vector<int>{255, 0, 0}));
            EXPECT_EQ(rgb(row, 64), (std::vector<int>{0, 0, 255}));
        } else {
            EXPECT_GE(blended, 20) << "flags " << c.flags << ", default " << c.defaultFilter;
        }
        EXPECT_EQ((glTexture_getTextureRecord(ref)->flags & kNearest) != 0, c.nearest);
        glTexture_unloadTexture(ref);
        glTexture_deleteTexture(ref);
    }
    EXPECT_EQ(glTexture_setDefaultFilter(kSClamp), 0);  // not a filter: refused, nothing changes
    EXPECT_EQ(glTexture_getDefaultFilter(), kLinear);
}

TEST_F(Textures, TilesUnderBothPreferencesAreLaidOutSeamlesslyInEveryMirror)
{
    const int w = 300, h = 200;
    Bytes image = coordinateImage(w, h);
    const struct {
        int preference, side, tiles, tilesWide;
    } layouts[] = {{0, 4, 3750, 75}, {1, 256, 2, 2}};
    for (const auto &layout : layouts) {
        glTexture_setTilingPreference(layout.preference);
        int ref = bytesTexture(image, w, h);
        ASSERT_GE(ref, 0);
        glTexture *texture = glTexture_getTextureRecord(ref);
        EXPECT_EQ(texture->tileWidth, layout.side);
        EXPECT_EQ(texture->tilesWide, layout.tilesWide);
        EXPECT_EQ(tileCount(ref), layout.tiles);
        for (int mirror = 0; mirror < 4; mirror++) {
            frame([&] { glTexture_render(ref, 10, 20, mirror); });
            Bytes screen = readScreen(10, 20, w, h);
            int wrong = 0;
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) {
                    int sx = (mirror & 1) ? w - 1 - x : x, sy = (mirror & 2) ? h - 1 - y : y;
                    if (rgb(screen, (size_t)y * w + x) != rgb(image, (size_t)sy * w + sx)) wrong++;
                }
            EXPECT_EQ(wrong, 0) << "preference " << layout.preference << ", mirror " << mirror;
        }
        frame([&] { glTexture_render(ref, 10, 20, 4); });
        EXPECT_EQ(rgb(readScreen(160, 120, 1, 1), 0), (std::vector<int>{0, 0, 0})) << "4 draws nothing";
        frame([&] { glTexture_render(ref, 10, 20, 7); });
        EXPECT_EQ(rgb(readScreen(10, 20, 1, 1), 0), rgb(image, (size_t)(h - 1) * w + w - 1)) << "7 is both mirrors";
    }
}

TEST_F(Textures, TileSideFollowsThePreference)
{
    const struct {
        int width, height, preference, side, tiles;
    } cases[] = {{100, 100, 0, 4, 625}, {100, 100, 1, 256, 1}, {640, 480, 0, 32, 300}, {640, 480, 1, 32, 300},
                 {256, 256, 0, 256, 1}, {256, 256, 1, 256, 1}, {512, 256, 0, 256, 2}, {512, 256, 1, 256, 2}};
    for (const auto &c : cases) {
        glTexture_setTilingPreference(c.preference);
        int ref = bytesTexture(Bytes((size_t)c.width * c.height * 4, 0), c.width, c.height);
        EXPECT_EQ(glTexture_getTextureRecord(ref)->tileWidth, c.side) << c.width << " x " << c.height;
        EXPECT_EQ(tileCount(ref), c.tiles) << c.width << " x " << c.height;
        if (c.width == 100 && c.preference) {
            EXPECT_EQ(((textureTile *)glTexture_getTextureRecord(ref)->texList->child->data)->x2, 0.390625f);
        }
        glTexture_deleteTexture(ref);
    }
}

TEST_F(Textures, ReferencesCountLoadsAndRecordsAreRevivedUnderTheirNumber)
{
    std::string file = path("counted.tga");
    writeTGA(file, coordinateImage(40, 30), 40, 30);
    long vram = statistic("Texture VRAM Used: "), memory = statistic("Texture Memory Used: ");

    int ref = glTexture_loadTexture(file.c_str(), kSRepeat | kSClamp | kTRepeat);
    ASSERT_GE(ref, 0);
    EXPECT_EQ(glTexture_loadTexture(file.c_str(), 0), ref);
    glTexture *texture = glTexture_getTextureRecord(ref);
    EXPECT_EQ(texture->references, 2);
    EXPECT_EQ(glTexture_getReference(file.c_str()), ref);
    EXPECT_EQ(statistic("Texture VRAM Used: "), vram + 40 * 30 * 4);
    EXPECT_EQ(statistic("Texture Memory Used: "), memory + 40 * 30 * 4);

    GLint wrapS = 0, wrapT = 0;
    auto readWrap = [&] {
        glBindTexture(GL_TEXTURE_2D, glTexture_getTextureID(ref));
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    };
    readWrap();
    EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE) << "clamp wins over repeat";
    EXPECT_EQ(wrapT, GL_REPEAT);

    EXPECT_EQ(glTexture_unloadTexture(ref), 1);
    EXPECT_EQ(texture->valid, 1) << "one reference is left";
    EXPECT_EQ(glTexture_unloadTexture(file.c_str()), 1);
    EXPECT_EQ(texture->valid, 0);
    EXPECT_EQ(texture->texList, nullptr);
    EXPECT_EQ(glTexture_getTextureID(ref), 0xFFFFFFFFu);
    EXPECT_EQ(glTexture_unloadTexture(ref), 0);
    EXPECT_EQ(statistic("Texture VRAM Used: "), vram);

    // Unloaded: uploaded again from the kept bytes (the file is gone), first flags kept.
    fs::remove(file);
    EXPECT_EQ(glTexture_loadTexture(file.c_str(), kTClamp), ref);
    EXPECT_EQ(texture->references, 1);
    readWrap();
    EXPECT_EQ(wrapT, GL_REPEAT);

    // Deleted while loaded: a warning, and then only the file can bring it back.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(glTexture_deleteTexture(file.c_str()), 1);
    EXPECT_EQ(glTexture_loadTexture(file.c_str(), 0), ref) << "the revived number, still deleted";
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "Error: glTexture_deleteTexture() called on a texture which is still being referenced.  "
                   "Proceeding anyways...\nUnable to open the texture file \"" + file + "\"\n");
    EXPECT_EQ(texture->imageData, nullptr);
    EXPECT_EQ(texture->valid, 0);
    EXPECT_EQ(statistic("Texture Memory Used: "), memory + 40 * 30 * 4) << "a delete does not lower it";

    writeTGA(file, coordinateImage(40, 30), 40, 30);
    EXPECT_EQ(glTexture_loadTexture(file.c_str(), 0), ref);
    EXPECT_EQ(texture->valid, 1);
    EXPECT_EQ(glTexture_getTextureRecord(ref + 1), nullptr) << "the registry did not grow";
    EXPECT_EQ(glTexture_deleteTexture(ref + 1), 0);
    EXPECT_EQ(glTexture_getTextureRecord(-1), nullptr);
}

TEST_F(Textures, AlphabetsGetWidthsFromTheirTopRow)
{
    Bytes rgba = coordinateImage(256, 256);
    for (int i = 0; i < 1024; i++) rgba[255 * 1024 + i] = (uint8_t)(i * 7);
    writeTGA(path("alphabet.tga"), rgba, 256, 256);
    int alphabet = glTexture_loadTexture(path("alphabet.tga").c_str(), 0);
    float *widths = glTexture_getAlphabetWidthArray(alphabet);
    ASSERT_NE(widths, nullptr);
    EXPECT_EQ(widths[0], 0.5f);
    EXPECT_EQ(widths[65], (uint8_t)(65 * 7) + 0.5f);
    EXPECT_EQ(widths[255], (uint8_t)(255 * 7) + 0.5f);

    uint8_t *rgbBytes = (uint8_t *)glMalloc(256 * 256 * 3);
    EXPECT_EQ(glTexture_getAlphabetWidthArray(glTexture_loadTexture(rgbBytes, 256, 256, GL_RGB, 0)), nullptr);
    EXPECT_NE(glTexture_getAlphabetWidthArray(bytesTexture(rgba, 256, 256)), nullptr);
}

TEST_F(Textures, DescribeListAndInfoTexts)
{
    glTexture_setTilingPreference(1);
    int ref = bytesTexture(coordinateImage(300, 200), 300, 200);
    glTexture_setOrigin(ref, 5, -6);
    char text[1024] = "> ";
    glTexture_describeTexture(ref, text, sizeof text);
    std::string expected = "> " + std::string("  Texture Name: (") + std::to_string(ref) + ") Texture Screenshot\n" +
                           "        Format: RGBA\n    Dimensions: 300 x 200\n        Origin: (5, -6)\n"
                           "  Num Of Tiles: 2 (2 x 1)\n     Tile Size: 256 x 256\n    References: 1\n \n";
    EXPECT_EQ(std::string(text), expected);
    glTexture_describeTexture(ref + 1, text, sizeof text);
    EXPECT_STREQ(text, "No such texture exists\n");

    text[0] = '\0';
    glTexture_listTextures(text, sizeof text);
    EXPECT_NE(strstr(text, ("(" + std::to_string(ref) + ", 1) Texture Screenshot\n \n").c_str()), nullptr) << text;

    long vram = statistic("  Texture VRAM Used: "), memory = statistic("Texture Memory Used: ");
    char info[256];
    snprintf(info, sizeof info, "   Textures In VRAM: %ld\n  Texture VRAM Used: %ld\n Textures In Memory: %ld\n"
             "Texture Memory Used: %ld\n        Wasted VRAM: %0.2f%%\n \n", statistic("Textures In VRAM: "), vram,
             statistic("Textures In Memory: "), memory, (vram - memory) * 100.0 / vram);
    text[0] = '\0';
    glTexture_textureInfo(text, sizeof text);
    EXPECT_STREQ(text, info);
    EXPECT_EQ(vram, glTexture_VRAMUsed());
    EXPECT_GE(statistic("Textures In VRAM: "), 2);

    // A short buffer is filled and cut, never overrun.
    char small[24];
    memset(small, 'x', sizeof small);
    small[0] = '\0';
    glTexture_describeTexture(ref, small, 16);
    EXPECT_EQ(strlen(small), 15u);
    EXPECT_EQ(small[16], 'x');
}

TEST_F(Textures, NineRegionFrameKeepsCornersAndStretchesTheRest)
{
    // 64 x 64: 16-pixel corners and edges in distinct colours around a grey centre.
    auto colourAt = [](int x, int y) -> std::vector<int> {
        int column = x < 16 ? 0 : x < 48 ? 1 : 2, row = y < 16 ? 0 : y < 48 ? 1 : 2;
        static const int colours[3][3][3] = {{{255, 255, 0}, {255, 0, 255}, {0, 0, 255}},
                                             {{255, 255, 255}, {90, 90, 90}, {255, 128, 0}},
                                             {{255, 0, 0}, {0, 255, 255}, {0, 255, 0}}};
        const int *c = colours[row][column];
        return {c[0], c[1], c[2]};
    };
    Bytes image(64 * 64 * 4, 255);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            for (int k = 0; k < 3; k++) image[(y * 64 + x) * 4 + k] = (uint8_t)colourAt(x, y)[k];
    int ref = bytesTexture(image, 64, 64);
    ssSize corner = {16, 16};
    frame([&] { glTexture_render(ref, ssRect{{200, 120}, {100, 100}}, corner, corner, corner, corner); });
    // Screen point -> the image region it must show.
    const struct {
        int x, y, imageX, imageY;
    } probes[] = {{108, 212, 8, 56}, {292, 212, 56, 56}, {292, 108, 56, 8}, {108, 108, 8, 8},
                  {200, 212, 32, 56}, {292, 160, 56, 32}, {200, 108, 32, 8}, {108, 160, 8, 32}, {200, 160, 32, 32}};
    for (const auto &p : probes)
        EXPECT_EQ(rgb(readScreen(p.x, p.y, 1, 1), 0), colourAt(p.imageX, p.imageY)) << p.x << ", " << p.y;
    EXPECT_EQ(rgb(readScreen(99, 160, 1, 1), 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(readScreen(300, 221, 1, 1), 0), (std::vector<int>{0, 0, 0}));
}

TEST_F(Textures, AScreenshotReadsBackToTheSamePixels)
{
    glTexture_setTilingPreference(1);
    int ref = bytesTexture(coordinateImage(300, 200), 300, 200);
    frame([&] { glTexture_render(ref, 30, 40, 1); });
    Bytes screen = readScreen(0, 0, 640, 480);

    std::string file = path("Screenshot.tga");
    FILE *out = fopen(file.c_str(), "wb");
    EXPECT_EQ(glTexture_saveCurrentScreenToFile(0, 0, 640, 480, out), 1);
    fclose(out);
    EXPECT_EQ(glTexture_saveCurrentScreenToFile(0, 0, 640, 480, nullptr), 0);
    EXPECT_EQ(fs::file_size(file), 18u + 640 * 480 * 4);

    int shot = glTexture_loadTexture(file.c_str(), 0);
    ASSERT_GE(shot, 0);
    glTexture *texture = glTexture_getTextureRecord(shot);
    EXPECT_EQ(texture->format, GL_RGBA);
    ASSERT_EQ(texture->imageSize, (int32_t)screen.size());
    EXPECT_TRUE(std::equal(screen.begin(), screen.end(), texture->imageData));
    EXPECT_EQ(rgb(screen, 40 * 640 + 30), rgb(coordinateImage(300, 200), 299)) << "the frame was really drawn";
}

TEST_F(Textures, ConformanceFilesAreReadOrRejectedWithTheirMessage)
{
    const std::string folder = std::string(QUILLMERE_CONFORMANCE_DIR) + "/tga/";
    // Files the readers accept, with what their pixels must be (x, y in file order -> R,G,B,A).
    struct Probe {
        int x, y;
        std::vector<int> rgba;
    };
    const std::map<std::string, std::vector<Probe>> accepted = {
        {"200x32_rgb_bl_raw.tga", {{0, 0, {0x08, 0x31, 0x03}}, {199, 31, {0x5f, 0x9a, 0x14}}}},
        {"200x32_rgba_bl_rle.tga", {}},  // the same picture as the raw file, with alpha
        {"rgb32rle_bottom_right.tga",
         {{10, 190, {255, 0, 0, 0}}, {190, 190, {0, 255, 0, 0}}, {10, 10, {0, 0, 255, 0}}}},
        {"top_right.tga", {{0, 0, {255, 255, 255, 0}}, {74, 69, {0x4c, 0x99, 0xbe, 255}}}},
    };
    const std::map<std::string, std::string> badValues = {{"b5-attrib.tga", "Invalid texture information"},
                                                          {"rgba16.tga", "Invalid texture information"}};
    int read = 0, rejected = 0;
    const uint8_t *rawPixels = nullptr;
    std::vector<fs::path> files{fs::directory_iterator(folder), fs::directory_iterator()};
    std::sort(files.begin(), files.end());
    for (const fs::path &file : files) {
        if (file.extension() != ".tga") continue;
        std::string name = file.filename().string(), full = file.string();
        ::testing::internal::CaptureStderr();
        int ref = glTexture_loadTexture(full.c_str(), 0);
        std::string log = ::testing::internal::GetCapturedStderr();
        auto found = accepted.find(name);
        if (found == accepted.end()) {
            auto bad = badValues.find(name);
            std::string message = bad == badValues.end() ? "Invalide TGA file" : bad->second;
            EXPECT_EQ(log, message + " \"" + full + "\"\n") << name;
            EXPECT_EQ(ref, -1) << name;
            EXPECT_EQ(glTexture_getReference(full.c_str()), -1) << name;
            rejected++;
            continue;
        }
        ASSERT_GE(ref, 0) << name << ": " << log;
        read++;
        glTexture *texture = glTexture_getTextureRecord(ref);
        int bpp = texture->format == GL_RGBA ? 4 : 3;
        for (const Probe &probe : found->second)
            for (size_t k = 0; k < probe.rgba.size(); k++)
                EXPECT_EQ(texture->imageData[(probe.y * texture->width + probe.x) * bpp + k], probe.rgba[k])
                    << name << " at " << probe.x << ", " << probe.y;
        if (name == "200x32_rgb_bl_raw.tga") rawPixels = texture->imageData;
        if (name == "200x32_rgba_bl_rle.tga") {
            ASSERT_NE(rawPixels, nullptr);
            int different = 0;
            for (int i = 0; i < 200 * 32; i++)
                different += memcmp(texture->imageData + i * 4, rawPixels + i * 3, 3) != 0;
            EXPECT_EQ(different, 0);
        }
    }
    EXPECT_EQ(read, 4);
    EXPECT_GE(rejected, 30);
}

}  // namespace
