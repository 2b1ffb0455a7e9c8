// Collision geometry without sprites: polygon files that load (and those that
// do not, with their log lines), segments, points in polygons, polygons
// against polygons placed and mirrored, and the crossed edge's flag.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/glMemory.h"
#include "sprites/glLuaSpriteCollisions.h"

namespace {

struct loadedShape {
    collisionRec rec = {};
    int polygons = 0;
    std::string log;
    const polygonRec *polygon(int i) const { return (const polygonRec *)getData(getChild(rec.polygonList, i)); }
};

loadedShape loadShape(const std::string &text, float scale = 1, int xOff = 0, int yOff = 0) {
    loadedShape shape;
    shape.rec.polygonList = createTree();
    std::vector<char> data(text.begin(), text.end());
    data.push_back(0);
    ::testing::internal::CaptureStderr();
    shape.polygons = loadCollisionPolygonFromPostscriptFile(data.data(), scale, xOff, yOff, &shape.rec, shape.rec.origin,
                                                            &shape.rec.radius);
    shape.log = ::testing::internal::GetCapturedStderr();
    return shape;
}

void freeShape(loadedShape &shape) {
    for (_treeNode *node = getChild(shape.rec.polygonList, 0); node; node = getSibling(node)) {
        polygonRec *p = (polygonRec *)getData(node);
        glFree(p->polygon, (uint32_t)p->numVerts * sizeof(vertex));
        glFree(p->edgeFlags, (uint32_t)p->numVerts);
    }
    destructTree(shape.rec.polygonList);
}

const char *kSquare = "%!PS\n100 100 m\n200 100 l\n200 200 l\n100 200 l\n100 100 l\nn\n";

TEST(CollisionGeometry, PolygonFilesLoadOrSayWhyNot) {
    struct {
        const char *what, *text;
        int polygons, numVerts, hasFlags;
        float originX, originY, bottomY, radius;
        const char *log;
    } cases[] = {
        {"closed square", kSquare, 1, 5, 0, 150, 150, 100, 50 * sqrtf(2), ""},
        {"only the first four header characters count",
         "%!PS-Adobe-3.0 EPSF\r\n100 100 m\r\n200 100 l\r\n200 200 l\r\n100 200 l\r\n100 100 l\r\nn", 1, 5, 0, 150, 150, 100,
         50 * sqrtf(2), ""},
        {"a leading blank line is no header", "\n%!PS\n0 0 m\n1 0 l\n1 1 l\nn\n", 0, 0, 0, 0, 0, 0, 0,
         "Error: Polygonal collision file is not a postscript file\n"},
        {"empty file", "", 0, 0, 0, 0, 0, 0, 0, "Error: Polygonal collision file is not a postscript file\n"},
        {"flag letters", "%!PS\nF0 0 m\n10 0 l\nC 10 10 l\n0 0 l\nn\n", 1, 4, 1, 20.0f / 3, 10.0f / 3, 0, 0, ""},
        {"a comment with 'fill' adds two empty slots",
         "%!PS\n100 100 m\n% fill\n200 100 l\n200 200 l\n100 200 l\n100 100 l\nn\n", 1, 7, 0, 100, 100, 100, 0, ""},
        {"an 'n' before any vertex letter", "%!PS\nn 1 m\n", 0, 0, 0, 0, 0, 0, 0,
         "Error: No vertices are defined in the postscipt file\n"},
        {"two vertices are not an outline", "%!PS\n0 0 m\n5 5 l\nn\n", 0, 0, 0, 0, 0, 0, 0, "fewer than 3 vertices"},
        {"not a number", "%!PS\n0 0 m\n5 0 l\n5 5 l\n0 0 l\n-nan 0 l\nn\n", 0, 0, 0, 0, 0, 0, 0, "not a number"},
        {"overflowing", "%!PS\n0 0 m\n1e40 5 l\n5 5 l\n0 0 l\nn\n", 0, 0, 0, 0, 0, 0, 0, "not a number"},
        {"enormous", "%!PS\n0 0 m\n1e30 5 l\n5 5 l\n0 0 l\nn\n", 0, 0, 0, 0, 0, 0, 0, "beyond a million"},
        {"truncated before its end line", "%!PS\n0 0 m\n4 0 l\n4 4 l\n0 0", 1, 3, 0, 4, 2, 0, 0, ""},
        {"a bad outline does not stop the next", "%!PS\n0 0 m\n1 1 l\nn\n0 0 m\n4 0 l\n4 4 l\n0 0 l\nn\n", 1, 4, 0,
         8.0f / 3, 4.0f / 3, 0, 0, "fewer than 3 vertices"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        loadedShape shape = loadShape(c.text);
        EXPECT_EQ(shape.polygons, c.polygons);
        EXPECT_EQ(numberOfChildren(shape.rec.polygonList), c.polygons);
        if (*c.log == 0)
            EXPECT_EQ(shape.log, "");
        else
            EXPECT_NE(shape.log.find(c.log), std::string::npos) << shape.log;
        if (c.polygons) {
            EXPECT_EQ(shape.polygon(c.polygons - 1)->numVerts, c.numVerts);
            EXPECT_EQ(shape.polygon(0)->hasEdgeFlags, c.hasFlags);
            EXPECT_NEAR(shape.rec.origin[0], c.originX, 1e-4);
            EXPECT_NEAR(shape.rec.origin[1], c.originY, 1e-4);
            EXPECT_EQ(shape.rec.bottom_center[1], c.bottomY);
            EXPECT_EQ(shape.rec.bottom_center[0], shape.rec.origin[0]);
            if (c.radius > 0) {
                EXPECT_NEAR(shape.rec.radius, c.radius, 1e-3);
            }
        } else {
            EXPECT_EQ(shape.rec.radius, 0);
        }
        freeShape(shape);
    }
}

TEST(CollisionGeometry, VerticesAreOffsetScaledAndFlagged) {
    loadedShape shape = loadShape("%!PS\nF10 20 m\n30 20 l\nQ 30 40 l\n10 20 l\nn\n", 0.5f, 10, 20);
    ASSERT_EQ(shape.polygons, 1);
    const polygonRec *p = shape.polygon(0);
    EXPECT_EQ(p->polygon[1].p[0], 10);
    EXPECT_EQ(p->polygon[2].p[1], 10);
    EXPECT_EQ(std::string(p->edgeFlags, 4), std::string("F\0Q\0", 4));
    // The radius reaches the farthest vertex from the centroid of the summed vertices.
    EXPECT_NEAR(shape.rec.radius, sqrtf(powf(10 - 20.0f / 3, 2) + powf(10 - 10.0f / 3, 2)), 1e-4);
    freeShape(shape);
}

TEST(CollisionGeometry, SegmentIntersections) {
    struct {
        const char *what;
        float a[3], b[3], c[3], d[3];
        int result;
        float hit[2], distance2;
    } cases[] = {
        {"crossing, pulled back a hundredth", {0, 0, 0}, {10, 0, 0}, {5, -5, 0}, {5, 5, 0}, 1, {4.9f, 0}, 4.9f * 4.9f},
        {"touching at an end", {0, 0, 0}, {10, 0, 0}, {10, -5, 0}, {10, 5, 0}, 1, {9.9f, 0}, 9.9f * 9.9f},
        {"apart", {0, 0, 0}, {10, 0, 0}, {11, -5, 0}, {11, 5, 0}, 0, {0, 0}, -1},
        {"parallel overlapping: filled but no hit", {0, 0, 0}, {10, 0, 0}, {8, 0, 0}, {20, 0, 0}, 0, {8, 0}, 64},
        {"parallel vertical, nearer end d", {0, 0, 0}, {0, 10, 0}, {0, 12, 0}, {0, 5, 0}, 0, {0, 5}, 25},
        {"parallel apart", {0, 0, 0}, {10, 0, 0}, {0, 3, 0}, {10, 3, 0}, 0, {0, 0}, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        float hit[3] = {-1, -1, -1}, distance2 = -1;
        EXPECT_EQ(intersectLineSegments(c.a, c.b, c.c, c.d, hit, &distance2), c.result);
        EXPECT_NEAR(hit[0], c.hit[0], 1e-4);
        EXPECT_NEAR(hit[1], c.hit[1], 1e-4);
        EXPECT_NEAR(distance2, c.distance2, 1e-3);
    }
}

// A closed counter-clockwise 10 x 10 square at the origin.
const vertex kBox[5] = {{{0, 0, 0}}, {{10, 0, 0}}, {{10, 10, 0}}, {{0, 10, 0}}, {{0, 0, 0}}};
// A closed counter-clockwise right triangle with its right angle at the origin.
const vertex kWedge[4] = {{{0, 0, 0}}, {{10, 0, 0}}, {{0, 10, 0}}, {{0, 0, 0}}};

TEST(CollisionGeometry, PointsInPolygonsMirroredOrNot) {
    struct {
        const char *what;
        float flipW, flipH, x, y;
        int inside;
    } cases[] = {
        {"inside", 0, 0, 2, 2, 1},         {"outside the hypotenuse", 0, 0, 8, 8, 0},
        {"beyond", 0, 0, 12, 2, 0},        {"mirrored left-right", 10, 0, 8, 2, 1},
        {"mirrored away", 10, 0, 2, 8, 0}, {"mirrored top-bottom", 0, 10, 2, 8, 1},
        {"mirrored both", 10, 10, 8, 8, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        float point[3] = {c.x, c.y, 0};
        EXPECT_EQ(collidePolygonWithPoint(4, kWedge, c.flipW, c.flipH, point), c.inside);
    }
}

TEST(CollisionGeometry, PolygonsAgainstPolygons) {
    struct {
        const char *what;
        const vertex *a;
        int nA;
        float offsetA[3], flipAW, flipAH;
        const vertex *b;
        int nB;
        float offsetB[3], flipBW, flipBH;
        int touching;
    } cases[] = {
        {"overlapping squares", kBox, 5, {0, 0, 0}, 0, 0, kBox, 5, {5, 5, 0}, 0, 0, 1},
        {"sharing an edge", kBox, 5, {0, 0, 0}, 0, 0, kBox, 5, {10, 0, 0}, 0, 0, 1},
        {"one edge apart", kBox, 5, {0, 0, 0}, 0, 0, kBox, 5, {10.5f, 0, 0}, 0, 0, 0},
        {"past the hypotenuse", kWedge, 4, {0, 0, 0}, 0, 0, kBox, 5, {6, 6, 0}, 0, 0, 0},
        {"the wedge mirrored left-right reaches it", kWedge, 4, {0, 0, 0}, 10, 0, kBox, 5, {6, 6, 0}, 0, 0, 1},
        {"mirrored both ways, reversed twice", kWedge, 4, {0, 0, 0}, 10, 10, kBox, 5, {6, 6, 0}, 0, 0, 1},
        {"B mirrored left-right keeps its corner in A", kBox, 5, {0, 0, 0}, 0, 0, kWedge, 4, {6, 6, 0}, 10, 0, 1},
        {"B mirrored both ways turns its hypotenuse to A", kBox, 5, {0, 0, 0}, 0, 0, kWedge, 4, {6, 6, 0}, 10, 10, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(collidePolygons(c.nA, c.a, c.offsetA, c.flipAW, c.flipAH, c.nB, c.b, c.offsetB, c.flipBW, c.flipBH),
                  c.touching);
        // The test is symmetric.
        EXPECT_EQ(collidePolygons(c.nB, c.b, c.offsetB, c.flipBW, c.flipBH, c.nA, c.a, c.offsetA, c.flipAW, c.flipAH),
                  c.touching);
    }
}

TEST(CollisionGeometry, TheCrossedEdgeGivesItsFlag) {
    // Flags of the bottom, right, top and left edges (the last vertex has none).
    struct {
        const char *what, *flags;
        float s1[3], s2[3], flipW;
        char flag;
    } cases[] = {
        {"from above: the top", "CRFL", {5, 20, 0}, {5, 5, 0}, 0, 'F'},
        {"from the right: the right", "CRFL", {20, 5, 0}, {5, 5, 0}, 0, 'R'},
        {"from below: the bottom", "CRFL", {5, -10, 0}, {5, 5, 0}, 0, 'C'},
        {"the nearer of two crossed edges", "CRFL", {5, 20, 0}, {5, -20, 0}, 0, 'F'},
        {"nothing crossed: the first flag", "CRFL", {4, 4, 0}, {6, 6, 0}, 0, 'C'},
        {"nothing crossed: the first that is not Q", "QQFQ", {4, 4, 0}, {6, 6, 0}, 0, 'F'},
        {"only Q, nothing crossed", "QQQQ", {4, 4, 0}, {6, 6, 0}, 0, 0},
        {"only Q, crossed", "QQQQ", {5, 20, 0}, {5, 5, 0}, 0, 'Q'},
        {"mirrored, nothing crossed: the first flag walked backwards", "CRFL", {4, 4, 0}, {6, 6, 0}, 10, 'L'},
        {"mirrored: the top keeps its flag", "CRFL", {5, 20, 0}, {5, 5, 0}, 10, 'F'},
        {"mirrored: the right edge's flag is on the left", "CRFL", {-10, 5, 0}, {5, 5, 0}, 10, 'R'},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        char flags[5] = {c.flags[0], c.flags[1], c.flags[2], c.flags[3], 0};
        float offset[3] = {0, 0, 0};
        EXPECT_EQ(getSpriteCollisionEdgeFlag(c.s1, c.s2, 5, kBox, flags, offset, c.flipW, 0), c.flag);
    }
}

}  // namespace
