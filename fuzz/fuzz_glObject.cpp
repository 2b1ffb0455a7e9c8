// Fuzz target for the OBJ model reader: arbitrary bytes are parsed as model
// text (up to the first zero byte, as a file would be read). Every corner the
// reader keeps must name a position of its group (and a texture coordinate,
// when the group has any), every face must have at least three corners, and
// tracked memory must return to its start once the model is gone. Parsing
// needs no GL context (display lists are only made when a model is drawn).
//   cmake --build build-fuzz --target fuzz_glObject
//   build-fuzz/fuzz/fuzz_glObject -dict=fuzz/glObject.dict -max_total_time=600 -close_fd_mask=2
//       -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus-obj fuzz/corpus/fuzz_glObject
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/glMemory.h"
#include "graphics/glObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint32_t start = glAllocated();
    {
        std::string text((const char *)data, size);
        glObject model;
        model.createObjectFromData(text.c_str(), "fuzz.obj");
        if (!model.isValid()) abort();
        for (int i = 0; i < model.numberOfGroups(); i++) {
            const object *g = model.group(i);
            if (g->normalArraySize != g->vertexArraySize || g->colorArraySize != g->vertexArraySize) abort();
            for (int c = 0; c < g->indexArraySize;) {
                int n = g->indexArray[c].n;
                if (n < 3 || n > g->indexArraySize - c) abort();
                for (int k = 0; k < n; k++) {
                    const indexRef &corner = g->indexArray[c + k];
                    if (corner.n != n || corner.v < 0 || corner.v >= g->vertexArraySize) abort();
                    if (g->textureArraySize > 0 && (corner.vt < 0 || corner.vt >= g->textureArraySize)) abort();
                }
                c += n;
            }
        }
    }
    if (glAllocated() != start) {
        fprintf(stderr, "tracked memory leaked: %u bytes\n", (unsigned)(glAllocated() - start));
        abort();
    }
    return 0;
}
