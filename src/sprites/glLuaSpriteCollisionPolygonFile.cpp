// glLuaSpriteCollisionPolygonFile: the reader of polygon collision files, a
// small PostScript subset drawn in a vector editor: the first line begins
// "%!PS"; "x y m" starts an outline and "x y l" continues it; a line "n" ends
// it; a letter in front of a vertex flags the edge that starts there. Only
// memory and trees are used, so the reader can be fuzzed on its own.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/glMemory.h"
#include "sprites/glLuaSpriteCollisions.h"

// The most vertices one outline may have (the count is kept in 16 bits).
static const int kMaxPolygonVertices = 32767;
// Outlines with a coordinate beyond this are refused: no level is that large,
// and squares of such numbers would overflow the sphere tests.
static const float kMaxCoordinate = 1.0e6f;

// ---- Reading polygon files ----

static int private_isLineEnd(char c) { return c == '\r' || c == '\n'; }
static int private_isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A polygon-starting line holds exactly two spaces and ends in " m" or " l".
static int private_startsPolygon(const char *line, size_t length) {
    if (length < 2 || (line[length - 1] != 'm' && line[length - 1] != 'l') || line[length - 2] != ' ') return 0;
    int spaces = 0;
    for (size_t i = 0; i < length; i++) spaces += line[i] == ' ';
    return spaces == 2;
}

// 'm' and 'l' from `from` up to the first 'n' or 'N' anywhere after it.
static long private_countVertices(const char *from, const char *end) {
    long count = 0;
    for (const char *p = from; p < end && *p != 'n' && *p != 'N'; p++) count += *p == 'm' || *p == 'l';
    return count;
}

void freeCollisionPolygon(polygonRec *polygon) {
    if (polygon->polygon) glFree(polygon->polygon, (uint32_t)polygon->numVerts * (uint32_t)sizeof(vertex));
    if (polygon->edgeFlags) glFree(polygon->edgeFlags, (uint32_t)polygon->numVerts);
    polygon->polygon = nullptr;
    polygon->edgeFlags = nullptr;
}

// Splits the text into lines as it goes, writing NUL over each run of line ends.
struct lineReader {
    char *next, *end;
    // The next line (NUL-terminated) and its length; null at the end.
    char *read(size_t *length) {
        if (next >= end) return nullptr;
        char *line = next, *p = next;
        while (p < end && !private_isLineEnd(*p)) p++;
        *length = (size_t)(p - line);
        while (p < end && private_isLineEnd(*p)) *p++ = 0;
        next = p;
        return line;
    }
};

int loadCollisionPolygonFromPostscriptFile(char *data, float scale, int xOff, int yOff, collisionRec *colRec,
                                           float *origin, float *radius) {
    for (int i = 0; i < 3; i++) origin[i] = 0;
    *radius = 0;
    if (!data || !colRec) return 0;
    const char *name = colRec->name ? colRec->name : "(unnamed)";
    lineReader lines = {data, data + strlen(data)};
    size_t length = 0;
    char *line = lines.read(&length);
    if (!line || strncmp(line, "%!PS", 4) != 0) {
        fprintf(stderr, "Error: Polygonal collision file is not a postscript file\n");
        return 0;
    }
    double sumX = 0, sumY = 0;
    long total = 0;
    int appended = 0;
    while ((line = lines.read(&length))) {
        if (!private_startsPolygon(line, length)) continue;
        long count = private_countVertices(line, lines.end);
        if (count == 0) {
            fprintf(stderr, "Error: No vertices are defined in the postscipt file\n");
            break;
        }
        // Refused outlines are still read to their end so scanning resumes after them.
        int refused = count > kMaxPolygonVertices;
        if (refused) fprintf(stderr, "Error: Collision file %s has an outline of %ld vertices; it is left out\n", name, count);
        polygonRec polygon = {};
        if (!refused) {
            polygon.numVerts = (int16_t)count;
            polygon.polygon = (vertex *)glZeroMalloc((uint32_t)count * (uint32_t)sizeof(vertex));
            polygon.edgeFlags = (char *)glZeroMalloc((uint32_t)count);
        }
        double polySumX = 0, polySumY = 0;
        float bottom = 1.0e9f;
        int filled = 0, outOfRange = 0;
        for (; line; line = lines.read(&length)) {
            if (length == 1 && line[0] == 'n') break;
            if (refused || length == 0 || (line[length - 1] != 'm' && line[length - 1] != 'l')) continue;
            const char *numbers = line;
            char flag = 0;
            if (private_isLetter(line[0])) flag = *numbers++;
            float x = 0, y = 0;
            // A comment that happens to end in 'l' ("% fill") is no vertex.
            if (sscanf(numbers, "%f %f", &x, &y) != 2) continue;
            vertex v = {{(x - (float)xOff) * scale, (y - (float)yOff) * scale, 0}};
            if (!std::isfinite(v.p[0]) || !std::isfinite(v.p[1]) || fabsf(v.p[0]) > kMaxCoordinate ||
                fabsf(v.p[1]) > kMaxCoordinate) {
                outOfRange = 1;
                continue;
            }
            if (line[length - 1] == 'l') {
                polySumX += v.p[0];
                polySumY += v.p[1];
            }
            if (v.p[1] < bottom) bottom = v.p[1];
            if (filled < polygon.numVerts) {
                polygon.polygon[filled] = v;
                polygon.edgeFlags[filled] = flag;
                if (flag) polygon.hasEdgeFlags = 1;
                filled++;
            }
        }
        if (refused) continue;
        if (outOfRange || filled < 3) {
            fprintf(stderr, "Error: Collision file %s has an outline %s; it is left out\n", name,
                    outOfRange ? "with a coordinate that is not a number or beyond a million" : "of fewer than 3 vertices");
            freeCollisionPolygon(&polygon);
            continue;
        }
        sumX += polySumX;
        sumY += polySumY;
        colRec->bottom_center[1] = bottom;
        total += polygon.numVerts;
        addChild(colRec->polygonList, &polygon, (int32_t)sizeof(polygon));
        appended++;
    }
    if (appended == 0) return 0;
    // The first vertex of each closed outline is repeated at its end and summed once.
    origin[0] = (float)(sumX / (double)(total - 1));
    origin[1] = (float)(sumY / (double)(total - 1));
    colRec->bottom_center[0] = origin[0];
    float largest = 0;
    for (_treeNode *node = getChild(colRec->polygonList, 0); node; node = getSibling(node)) {
        const polygonRec *polygon = (const polygonRec *)getData(node);
        for (int i = 0; i < polygon->numVerts; i++) {
            float d = 0;
            for (int k = 0; k < 3; k++) d += (polygon->polygon[i].p[k] - origin[k]) * (polygon->polygon[i].p[k] - origin[k]);
            if (d > largest) largest = d;
        }
    }
    *radius = sqrtf(largest);
    return appended;
}
