// glTexture, TGA decoding: turns the bytes of a TGA file into R,G,B(,A) pixels.
// Only true-colour images without image ID, colour map or origin offset are
// read, uncompressed or run-length encoded, 24 or 32 bits a pixel; rows stay in
// file order. Everything else is rejected with the reader's message. No OpenGL
// here, so the fuzz target can link this file alone (with tracked memory).
//
// A header may lie about the image size: pixel data is checked against the
// bytes actually present before anything that large is allocated, and no
// packet may write past the image.

#include <climits>
#include <cstdio>
#include <cstring>

#include "core/glMemory.h"
#include "graphics/glTexture.h"

// The first 12 header bytes accepted: no ID, no colour map, origin (0, 0);
// image type 2 (uncompressed) or 10 (run-length encoded) true colour.
static const uint8_t uTGAcompare[kTGAHeaderSize] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
static const uint8_t cTGAcompare[kTGAHeaderSize] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

enum { private_kNotTGA, private_kUncompressed, private_kRunLength };

struct private_tgaInfo {
    int32_t width, height;
    int32_t bytesPerPixel;
    uint64_t pixelCount;
    uint64_t imageSize;
};

static const size_t private_kPixelOffset = kTGAHeaderSize + kTGAInfoSize;

static int private_kind(const uint8_t *bytes, size_t size)
{
    if (size < kTGAHeaderSize) return private_kNotTGA;
    if (memcmp(bytes, uTGAcompare, kTGAHeaderSize) == 0) return private_kUncompressed;
    if (memcmp(bytes, cTGAcompare, kTGAHeaderSize) == 0) return private_kRunLength;
    return private_kNotTGA;
}

// Reads the 6 bytes after the compared header; 0 when the values are unusable.
static int private_readInfo(const uint8_t *bytes, private_tgaInfo *info)
{
    const uint8_t *header = bytes + kTGAHeaderSize;
    info->width = header[0] | (header[1] << 8);
    info->height = header[2] | (header[3] << 8);
    int bits = header[4];
    if (info->width == 0 || info->height == 0 || (bits != 24 && bits != 32)) return 0;
    info->bytesPerPixel = bits / 8;
    info->pixelCount = (uint64_t)info->width * (uint64_t)info->height;
    info->imageSize = info->pixelCount * (uint64_t)info->bytesPerPixel;
    return 1;
}

// Stored pixels are B,G,R(,A); memory holds R,G,B(,A).
static inline void private_storePixel(uint8_t *to, const uint8_t *from, int bytesPerPixel)
{
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    if (bytesPerPixel == 4) to[3] = from[3];
}

// Walks the packets of `size` bytes for `pixelCount` pixels. With a null
// `image` nothing is written, so a broken file can be judged before the image
// is allocated. Returns null when the data is complete, else the failure's
// message.
static const char *private_runLengthPackets(const uint8_t *data, size_t size, uint64_t pixelCount,
                                            int bytesPerPixel, uint8_t *image)
{
    size_t pos = 0;
    uint64_t done = 0;
    while (done < pixelCount) {
        if (pos >= size) return "Could not read RLE header for texture \"%s\"\n";
        uint8_t header = data[pos++];
        uint64_t count = header < 128 ? (uint64_t)header + 1 : (uint64_t)header - 127;
        if (count > pixelCount - done) return "Too many pixels for texture \"%s\"\n";
        if (header < 128) {
            if ((uint64_t)(size - pos) < count * (uint64_t)bytesPerPixel)
                return "Could not read image data for texture \"%s\"\n";
            for (uint64_t i = 0; i < count; i++, pos += bytesPerPixel, done++)
                if (image) private_storePixel(image + done * bytesPerPixel, data + pos, bytesPerPixel);
        } else {
            if (size - pos < (size_t)bytesPerPixel) return "Could not read from file \"%s\"\n";
            for (uint64_t i = 0; i < count; i++, done++)
                if (image) private_storePixel(image + done * bytesPerPixel, data + pos, bytesPerPixel);
            pos += bytesPerPixel;
        }
    }
    return nullptr;
}

uint64_t glTexture_TGABytesNeeded(const uint8_t *bytes, size_t size)
{
    int kind = bytes ? private_kind(bytes, size) : private_kNotTGA;
    private_tgaInfo info;
    if (kind == private_kNotTGA || size < private_kPixelOffset || !private_readInfo(bytes, &info) ||
        info.imageSize > INT32_MAX)
        return private_kPixelOffset;
    if (kind == private_kUncompressed) return private_kPixelOffset + info.imageSize;
    // Worst case of run-length data: every pixel in a packet of its own.
    return private_kPixelOffset + info.pixelCount * (uint64_t)(info.bytesPerPixel + 1);
}

int glTexture_decodeTGA(const uint8_t *bytes, size_t size, const char *name, tgaImage *image)
{
    if (!name) name = "";
    if (!bytes || size < kTGAHeaderSize) {
        fprintf(stderr, "Unable to read file header \"%s\"\n", name);
        return 0;
    }
    int kind = private_kind(bytes, size);
    if (kind == private_kNotTGA) {
        fprintf(stderr, "Invalide TGA file \"%s\"\n", name);
        return 0;
    }
    if (size < private_kPixelOffset) {
        if (kind == private_kUncompressed)
            fprintf(stderr, "Unable to read TGA info header \"%s\"\n", name);
        else
            fprintf(stderr, "Could not read info header \"%s\"\n", name);
        return 0;
    }
    private_tgaInfo info;
    if (!private_readInfo(bytes, &info)) {
        fprintf(stderr, "Invalid texture information \"%s\"\n", name);
        return 0;
    }
    // The byte count must fit the record's 32-bit size.
    if (info.imageSize > INT32_MAX) {
        fprintf(stderr, "Could not allocate memory for texture \"%s\"\n", name);
        return 0;
    }
    const uint8_t *data = bytes + private_kPixelOffset;
    size_t dataSize = size - private_kPixelOffset;
    if (kind == private_kUncompressed) {
        if ((uint64_t)dataSize < info.imageSize) {
            fprintf(stderr, "Unable to read the image data \"%s\"\n", name);
            return 0;
        }
    } else {
        const char *failure = private_runLengthPackets(data, dataSize, info.pixelCount, info.bytesPerPixel, nullptr);
        if (failure) {
            fprintf(stderr, failure, name);
            return 0;
        }
    }
    uint8_t *pixels = (uint8_t *)glMalloc((uint32_t)info.imageSize);
    if (!pixels) {
        fprintf(stderr, "Could not allocate memory for texture \"%s\"\n", name);
        return 0;
    }
    if (kind == private_kUncompressed) {
        for (uint64_t i = 0; i < info.imageSize; i += info.bytesPerPixel)
            private_storePixel(pixels + i, data + i, info.bytesPerPixel);
    } else {
        private_runLengthPackets(data, dataSize, info.pixelCount, info.bytesPerPixel, pixels);
    }
    image->imageData = pixels;
    image->imageSize = (int32_t)info.imageSize;
    image->width = info.width;
    image->height = info.height;
    image->format = info.bytesPerPixel == 4 ? GL_RGBA : GL_RGB;
    return 1;
}
