// TGA decoding without OpenGL: pixel order and byte swapping of both readers,
// and every kind of broken file rejected with its message, nothing allocated
// left behind and nothing read past the bytes given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/glMemory.h"
#include "graphics/glTexture.h"

typedef std::vector<uint8_t> Bytes;

// A file with the accepted header bytes for `type` (2 or 10) and `data` after it.
static Bytes tgaFile(uint8_t type, int width, int height, int bits, const Bytes &data)
{
    Bytes file = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)width, (uint8_t)(width >> 8),
                  (uint8_t)height, (uint8_t)(height >> 8), (uint8_t)bits, 0};
    for (uint8_t byte : data) file.push_back(byte);
    return file;
}

static Bytes decoded(const Bytes &file, tgaImage *image)
{
    if (!glTexture_decodeTGA(file.data(), file.size(), "t.tga", image)) return {};
    Bytes pixels(image->imageData, image->imageData + image->imageSize);
    glFree(image->imageData, image->imageSize);
    return pixels;
}

TEST(TGADecoding, BothReadersSwapToRGBAndKeepFileOrder)
{
    uint32_t base = glAllocated();
    tgaImage image;
    // Uncompressed, 24 bits: B,G,R in the file.
    Bytes pixels = decoded(tgaFile(2, 2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), &image);
    EXPECT_EQ(pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(image.format, GL_RGB);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);

    // Run-length, 32 bits: a run of 4, then a raw packet of 2; trailing bytes are ignored.
    Bytes packets = {0x83, 10, 20, 30, 40, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 99, 99};
    pixels = decoded(tgaFile(10, 3, 2, 32, packets), &image);
    Bytes run = {30, 20, 10, 40};
    Bytes expected;
    for (int i = 0; i < 4; i++) expected.insert(expected.end(), run.begin(), run.end());
    expected.insert(expected.end(), {3, 2, 1, 4, 7, 6, 5, 8});
    EXPECT_EQ(pixels, expected);
    EXPECT_EQ(image.format, GL_RGBA);
    EXPECT_EQ(image.imageSize, 24);
    EXPECT_EQ(glAllocated(), base);

    // What the file loader reads: the headers and the most data the image could need.
    Bytes raw = tgaFile(2, 300, 200, 24, {}), rle = tgaFile(10, 300, 200, 32, {}), bad = tgaFile(2, 300, 200, 16, {});
    EXPECT_EQ(glTexture_TGABytesNeeded(raw.data(), raw.size()), 18u + 300 * 200 * 3);
    EXPECT_EQ(glTexture_TGABytesNeeded(rle.data(), rle.size()), 18u + 300 * 200 * 5);
    EXPECT_EQ(glTexture_TGABytesNeeded(bad.data(), bad.size()), 18u);
}

TEST(TGADecoding, BrokenFilesAreRejectedWithTheirMessage)
{
    Bytes header2 = tgaFile(2, 2, 1, 24, {});
    Bytes header10 = tgaFile(10, 2, 1, 24, {});
    Bytes withId = header2, withMap = header2, withOrigin = header2, grey = header2;
    withId[0] = 1;
    withMap[1] = 1;
    withOrigin[10] = 1;
    grey[2] = 3;
    const struct {
        const char *what;
        Bytes file;
        std::string message;
    } cases[] = {
        {"short header", Bytes(11, 0), "Unable to read file header"},
        {"image ID", withId, "Invalide TGA file"},
        {"colour map", withMap, "Invalide TGA file"},
        {"origin", withOrigin, "Invalide TGA file"},
        {"grey image", grey, "Invalide TGA file"},
        {"uncompressed, short info", Bytes(header2.begin(), header2.begin() + 15), "Unable to read TGA info header"},
        {"RLE, short info", Bytes(header10.begin(), header10.begin() + 17), "Could not read info header"},
        {"16 bits", tgaFile(2, 2, 1, 16, {0, 0, 0, 0}), "Invalid texture information"},
        {"zero width", tgaFile(10, 0, 5, 32, {0x80, 0, 0, 0, 0}), "Invalid texture information"},
        {"zero height", tgaFile(2, 5, 0, 24, {}), "Invalid texture information"},
        {"short pixel data", tgaFile(2, 2, 2, 24, Bytes(11, 7)), "Unable to read the image data"},
        {"past 2 GB", tgaFile(2, 65535, 65535, 32, Bytes(64, 0)), "Could not allocate memory for texture"},
        {"lying size", tgaFile(2, 20000, 20000, 32, Bytes(64, 0)), "Unable to read the image data"},
        {"RLE past 2 GB", tgaFile(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4}), "Could not allocate memory for texture"},
        {"RLE lying size", tgaFile(10, 20000, 20000, 32, {0xFF, 1, 2, 3, 4}), "Could not read RLE header for texture"},
        {"run past the end", tgaFile(10, 2, 1, 24, {0x82, 1, 2, 3}), "Too many pixels for texture"},
        {"raw past the end", tgaFile(10, 2, 1, 24, {0x00, 1, 2, 3, 0x01, 1, 2, 3}), "Too many pixels for texture"},
        {"no packet header", tgaFile(10, 2, 1, 24, {0x00, 1, 2, 3}), "Could not read RLE header for texture"},
        {"raw packet cut", tgaFile(10, 2, 1, 24, {0x01, 1, 2, 3, 4}), "Could not read image data for texture"},
        {"run packet cut", tgaFile(10, 2, 1, 32, {0x81, 1, 2, 3}), "Could not read from file"},
    };
    uint32_t base = glAllocated();
    for (const auto &c : cases) {
        const Bytes &file = c.file;
        std::string expected = c.message + " \"t.tga\"\n";
        // The exact size on the heap lets the sanitizers catch any read past it.
        uint8_t *bytes = new uint8_t[file.size() ? file.size() : 1];
        std::copy(file.begin(), file.end(), bytes);
        tgaImage image = {};
        ::testing::internal::CaptureStderr();
        int ok = glTexture_decodeTGA(bytes, file.size(), "t.tga", &image);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected) << c.what;
        EXPECT_EQ(ok, 0) << c.what;
        EXPECT_EQ(image.imageData, nullptr) << c.what;
        EXPECT_EQ(glAllocated(), base) << c.what;
        delete[] bytes;
    }
}
