// Fuzz target for the TGA reader: arbitrary bytes are decoded as a whole file.
// A decoded image must have the size its header states, and decoding only the
// bytes the file loader would read (glTexture_TGABytesNeeded) must give the
// same answer and the same pixels. Tracked memory must return to its start.
// The reader logs a line for every rejected input; run with -close_fd_mask=2
// to keep it quiet (sanitizer reports still reach the terminal). Seeds (small
// files of tests/conformance/tga, the game's cursor and two made here):
// fuzz/corpus/fuzz_glTextureTGA; how to run it: fuzz/README.md.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/glMemory.h"
#include "graphics/glTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint32_t start = glAllocated();
    tgaImage image = {};
    int ok = glTexture_decodeTGA(data, size, "fuzz.tga", &image);

    uint64_t needed = glTexture_TGABytesNeeded(data, size);
    size_t prefix = needed < size ? (size_t)needed : size;
    tgaImage again = {};
    int okAgain = glTexture_decodeTGA(data, prefix, "fuzz.tga", &again);
    if (ok != okAgain) abort();

    if (ok) {
        int bytesPerPixel = image.format == GL_RGBA ? 4 : 3;
        if (image.width <= 0 || image.height <= 0 ||
            (int64_t)image.width * image.height * bytesPerPixel != image.imageSize)
            abort();
        if (again.imageSize != image.imageSize || memcmp(again.imageData, image.imageData, image.imageSize) != 0)
            abort();
        glFree(image.imageData, image.imageSize);
        glFree(again.imageData, again.imageSize);
    }
    if (glAllocated() != start) {
        fprintf(stderr, "tracked memory leaked: %u bytes\n", (unsigned)(glAllocated() - start));
        abort();
    }
    return 0;
}
