// OBJ models: groups and their local indexes, the corner forms, faces that
// would read outside the arrays, normals, real files from other projects, and
// a textured model drawn on a sprite, read back pixel by pixel.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glObject.h"
#include "platform/glEnvironment.h"
#include "sprites/scriptedLevelTest.h"
#include "sprites/spriteTestHelpers.h"

namespace {

// Each group as "name:positions/coordinates/[v,vt,vn,n corner...]".
std::string describe(const glObject &model) {
    std::string out;
    for (int i = 0; i < model.numberOfGroups(); i++) {
        const object *g = model.group(i);
        out += std::string(g->name) + ":" + std::to_string(g->vertexArraySize) + "/" +
               std::to_string(g->textureArraySize) + "/";
        for (int c = 0; c < g->indexArraySize; c++) {
            const indexRef &r = g->indexArray[c];
            out += (c ? " " : "") + std::to_string(r.v) + "," + std::to_string(r.vt) + "," + std::to_string(r.vn) +
                   "," + std::to_string(r.n);
        }
        out += ";";
    }
    return out;
}

const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

TEST(GlObject, ParsesGroupsCornersAndDropsFacesThatReadOutside) {
    std::string eightThenFour;
    for (int i = 0; i < 8; i++) eightThenFour += "v " + std::to_string(i) + " 0 0\n";
    eightThenFour += "f 1 2 3\ng second\n" + kSquare + "f 9 10 11 12\n";
    struct {
        const char *what;
        std::string text;
        std::string groups;
        int dropped;
    } cases[] = {
        {"text before the first g is a group with an empty name; global indexes become local",
         "g first\n" + eightThenFour, "first:8/0/0,0,0,3 1,0,0,3 2,0,0,3;second:4/0/0,0,0,4 1,0,0,4 2,0,0,4 3,0,0,4;", 0},
        {"corner forms: v, v/vt, v//vn, v/vt/vn; missing numbers count as 1",
         kSquare + "vt 0 0\nvt 1 0\nvt 1 1\nf 1 2 3\nf 1/2 2/3 3/1\nf 1//4 2//5 3//6\nf 1/3/2 2/1/3 3//\n",
         ":4/3/0,0,0,3 1,0,0,3 2,0,0,3 0,1,0,3 1,2,0,3 2,0,0,3 0,0,3,3 1,0,4,3 2,0,5,3 0,2,1,3 1,0,2,3 2,0,0,3;", 0},
        {"CR, CRLF and blank runs break lines; tabs and spaces trim; keywords are case-sensitive",
         "\r\n\tv 0 0 0\r\rv 1 0 0 \n  v 1 1 0\nV 9 9 9\nvn 0 0 1\nusemtl x\n# f 1 2 3\nf\t1 2\t3", ":3/0/0,0,0,3 1,0,0,3 2,0,0,3;",
         0},
        {"faces naming positions that do not exist, zero or negative indexes, or fewer than three corners",
         kSquare + "f 1 2 3\nf 1 2 5\nf 0 1 2\nf -1 -2 -3\nf 1 2\nf 4\nf 2 3 4\n",
         ":4/0/0,0,0,3 1,0,0,3 2,0,0,3 1,0,0,3 2,0,0,3 3,0,0,3;", 5},
        {"a texture coordinate the group does not have", kSquare + "vt 0 0\nf 1/1 2/1 3/1\nf 1/2 2/1 3/1\n",
         ":4/1/0,0,0,3 1,0,0,3 2,0,0,3;", 1},
        {"a group without faces is dropped and its positions are not counted",
         "g empty\n" + kSquare + "g real\n" + kSquare + "f 1 2 3\n", "real:4/0/0,0,0,3 1,0,0,3 2,0,0,3;", 0},
        {"indexes beyond 32 bits", kSquare + "f 1 2 99999999999999999999\nf 1 2 3\n", ":4/0/0,0,0,3 1,0,0,3 2,0,0,3;", 1},
        {"names keep 31 characters", "g " + std::string(40, 'n') + "\n" + kSquare + "f 1 2 3\n",
         std::string(31, 'n') + ":4/0/0,0,0,3 1,0,0,3 2,0,0,3;", 0},
        {"nothing at all", "", "", 0},
    };
    for (const auto &c : cases) {
        uint32_t before = glAllocated();
        {
            glObject model;
            EXPECT_EQ(model.createObjectFromData(c.text.c_str()), 1);
            EXPECT_EQ(model.isValid(), 1);
            EXPECT_EQ(describe(model), c.groups) << c.what;
        }
        EXPECT_EQ(glAllocated(), before) << c.what;
    }
}

TEST(GlObject, LongLinesAndHugeFacesAreReadUpToTheLineLimit) {
    std::string text;
    for (int i = 0; i < 1000; i++) text += "v " + std::to_string(i) + " " + std::to_string(i % 7) + " nan\n";
    text += "f";
    for (int i = 1; i <= 1000; i++) text += " " + std::to_string(i);
    text += "\n" + std::string(100000, 'x') + "\nf 1 2 3 " + std::string(300, ' ') + "4\n";
    glObject model;
    model.createObjectFromData(text.c_str());
    ASSERT_EQ(model.numberOfGroups(), 1);
    const object *g = model.group(0);
    // 255 characters of "f 1 2 ..." hold the corners 1 to 69 (the last cut to "6").
    ASSERT_GT(g->indexArraySize, 3);
    EXPECT_EQ(g->indexArray[0].n, g->indexArraySize - 3);
    EXPECT_EQ(g->indexArray[g->indexArraySize - 1].n, 3);  // the padded line lost its fourth corner
}

TEST(GlObject, NormalsAreFaceNormalsAveragedAndReversed) {
    glObject model;
    // A unit square (counter-clockwise seen from +z) and a triangle standing up along x.
    model.createObjectFromData((kSquare + "v 0 0 1\nf 1 2 3 4\nf 1 2 5\n").c_str());
    const object *g = model.group(0);
    ASSERT_EQ(g->normalArraySize, 5);
    ASSERT_EQ(g->colorArraySize, 5);
    // Corner 1 and 2 share both faces: (0,0,1) and (0,-1,0) averaged, reversed.
    EXPECT_FLOAT_EQ(g->normalArray[0].y, 0.5f);
    EXPECT_FLOAT_EQ(g->normalArray[0].z, -0.5f);
    EXPECT_FLOAT_EQ(g->normalArray[2].z, -1.0f);
    EXPECT_FLOAT_EQ(g->normalArray[4].y, 1.0f);
    EXPECT_FLOAT_EQ(g->colorArray[3].g, 1.0f);
}

TEST(GlObject, RealFilesLoadOrAreRefusedWithTheirMessage) {
    std::string folder = std::string(QUILLMERE_CONFORMANCE_DIR) + "/obj";
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".obj") continue;
        files++;
        uint32_t before = glAllocated();
        {
            glObject model;
            EXPECT_EQ(model.createObjectFromFile(entry.path().c_str()), 1) << entry.path();
            for (int i = 0; i < model.numberOfGroups(); i++) {
                const object *g = model.group(i);
                for (int c = 0; c < g->indexArraySize; c++) {
                    ASSERT_GE(g->indexArray[c].v, 0);
                    ASSERT_LT(g->indexArray[c].v, g->vertexArraySize) << entry.path();
                }
            }
        }
        EXPECT_EQ(glAllocated(), before) << entry.path();
    }
    EXPECT_GE(files, 10);

    testing::internal::CaptureStderr();
    glObject missing;
    EXPECT_EQ(missing.createObjectFromFile("no/such/model.obj"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot find Obj file \"no/such/model.obj\" to load\n");
    EXPECT_EQ(missing.isValid(), 0);
}

class SpriteModels : public ScriptedLevelTest {};

// The model of a definition's text, and of a file, with the sprite's texture
// given to it; "no texture" from a missing texture reference is no texture.
TEST_F(SpriteModels, ATexturedModelIsDrawnWhereItsSpriteIs) {
    spriteTest_writeQuadrants(dir + "quad.tga");
    const std::string square = "v 0 0 0\nv 64 0 0\nv 64 64 0\nv 0 64 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4\n";
    std::ofstream(dir + "square.obj") << square;
    load("<level><sprite type=\"boxed\"><model name=\"square\">\n" + square +
         "</model></sprite>\n<script language=\"Lua\">initSpriteManager(8) quad = loadTexture('" + dir +
         "quad.tga')</script></level>");
    EXPECT_EQ(call("a = addSprite('boxed', 1) setSpriteModel(a, 'square') setSpriteModelTexture(a, quad) "
                   "placeSprite(a, 100, 100, 0)"),
              "");
    EXPECT_EQ(call("b = addSprite('boxed', 1) setSpriteModel(b, '" + dir + "square.obj') placeSprite(b, 300, 100, 0) "
                   "setSpriteModelTexture(b, 999) setSpriteColor(b, 0, 1, 1, 1)"),
              "");
    EXPECT_EQ(call("setSpriteModel(a)"), "error: usage: setSpriteModel(<Integer spriteRefNum>, <String xml_tag_name>)");
    EXPECT_EQ(call("setSpriteModel(77, 'square') setSpriteModelTexture(77, quad)"), "");  // no such sprite: nothing

    spriteTestFrame f = spriteTest_drawObjects(glLua_getObjectManager());
    EXPECT_TRUE(spriteTest_near(f.at(110, 110), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(150, 110), 0, 255, 0));
    EXPECT_TRUE(spriteTest_near(f.at(110, 150), 0, 0, 255));
    EXPECT_TRUE(spriteTest_near(f.at(150, 150), 255, 255, 255));
    EXPECT_TRUE(spriteTest_near(f.at(95, 110), 0, 0, 0));
    // Untextured: the sprite's own colour, flat.
    EXPECT_TRUE(spriteTest_near(f.at(310, 110), 0, 255, 255));
    EXPECT_TRUE(spriteTest_near(f.at(360, 160), 0, 255, 255));
    EXPECT_TRUE(spriteTest_near(f.at(370, 110), 0, 0, 0));
}

}  // namespace
