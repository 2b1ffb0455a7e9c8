// Feeds arbitrary bytes to the polygon collision file reader
// (loadCollisionPolygonFromPostscriptFile) as a file's text, once as it
// stands and once scaled and offset, then checks what it kept: every outline
// has at least three and at most 32767 vertex slots, every coordinate is
// finite and within a million units, the sphere is finite, and tracked memory
// returns to where it started once the outlines are freed. The reader logs a
// line for every refused file or outline; -close_fd_mask=2 keeps it quiet.
// Seeds: fuzz/corpus/fuzz_glLuaSpriteCollisionPolygonFile/ (the game's outlines and a few odd files):
//   cmake --build build-fuzz --target fuzz_glLuaSpriteCollisionPolygonFile
//   build-fuzz/fuzz/fuzz_glLuaSpriteCollisionPolygonFile -dict=fuzz/glLuaSpriteCollisionPolygonFile.dict
//       -max_total_time=600 -close_fd_mask=2 -artifact_prefix=build-fuzz/artifacts/
//       build-fuzz/corpus-polygons fuzz/corpus/fuzz_glLuaSpriteCollisionPolygonFile   (one command line)
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/glMemory.h"
#include "sprites/glLuaSpriteCollisions.h"

static void private_check(const uint8_t *data, size_t size, float scale, int xOff, int yOff) {
    uint32_t before = glAllocated();
    std::vector<char> text(data, data + size);
    text.push_back(0);
    collisionRec rec = {};
    rec.polygonList = createTree();
    int polygons = loadCollisionPolygonFromPostscriptFile(text.data(), scale, xOff, yOff, &rec, rec.origin, &rec.radius);
    if (polygons != numberOfChildren(rec.polygonList)) __builtin_trap();
    if (polygons && !std::isfinite(rec.radius)) __builtin_trap();
    for (_treeNode *node = getChild(rec.polygonList, 0); node; node = getSibling(node)) {
        polygonRec *polygon = (polygonRec *)getData(node);
        if (polygon->numVerts < 3 || !polygon->polygon || !polygon->edgeFlags) __builtin_trap();
        for (int i = 0; i < polygon->numVerts; i++)
            for (int k = 0; k < 3; k++) {
                float v = polygon->polygon[i].p[k];
                if (!std::isfinite(v) || fabsf(v) > 1.0e6f) __builtin_trap();
            }
        freeCollisionPolygon(polygon);
    }
    destructTree(rec.polygonList);
    if (glAllocated() != before) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    private_check(data, size, 1.0f, 0, 0);
    private_check(data, size, 0.5f, 17, -3);
    return 0;
}
