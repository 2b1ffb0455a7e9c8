// Sprites drawn into the offscreen GL context by the object manager and read
// back pixel by pixel: placement transforms, mirrors, bands, parallax and the
// cull window, text, attachments, waits, the selection tint, the trail, frames,
// the collision overlay and the drawing order of many batched sprites.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "sprites/glLuaSprite.h"
#include "sprites/spriteTestHelpers.h"
#include "support/windowTest.h"

namespace {

class SpriteDrawing : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
        std::string dir = ::testing::TempDir() + "quillmere_spritedraw_";
        spriteTest_writeQuadrants(dir + "quad.tga");
        spriteTest_writeAlphabet(dir + "alphabet.tga");
        std::string level = dir + "level.xml";
        std::ofstream(level, std::ios::binary)
            << "<?xml version=\"1.0\"?>\n<level>\n<sprite type=\"img\"/>\n"
               "<sprite type=\"soft\"><blend src=\"GL_SRC_ALPHA\" dst=\"GL_ONE_MINUS_SRC_ALPHA\"/></sprite>\n"
               "<script language=\"Lua\">initSpriteManager(16) quad = loadTexture('"
            << dir << "quad.tga') alphabet = loadTexture('" << dir << "alphabet.tga')</script>\n</level>\n";
        glLua_loadXMLFile(level.c_str());
        ASSERT_TRUE(glLua_hasDocument());
    }
    void TearDown() override {
        setSelectedSprite(-1);
        setCollisionOverlayMode(0);
        glLua_shutdown();
    }

    void run(const std::string &chunk) {
        ASSERT_FALSE(luaL_loadstring(L, chunk.c_str()) || lua_pcall(L, 0, 0, 0)) << lua_tostring(L, -1);
    }
    // A textured sprite at (x, y); its reference.
    int image(float x, float y, const char *type = "img") {
        lua_getglobal(L, "addSprite");
        lua_pushstring(L, type);
        lua_pushnumber(L, 1);
        lua_call(L, 2, 1);
        int ref = (int)lua_tonumber(L, -1);
        lua_pop(L, 1);
        run("setSpriteTexture(" + std::to_string(ref) + ", quad) placeSprite(" + std::to_string(ref) + ", " +
            std::to_string(x) + ", " + std::to_string(y) + ", 0)");
        return ref;
    }
    luaSpriteInfoRec *rec(int ref) { return &getSprite(ref)->self; }
    spriteTestFrame draw() {
        return spriteTest_drawObjects(glLua_getObjectManager());
    }
    // Lit pixels (red channel) inside a box.
    static int ink(const spriteTestFrame &f, int x0, int y0, int x1, int y1) {
        int lit = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) lit += f.at(x, y).r > 128;
        return lit;
    }
    lua_State *L = nullptr;
};

TEST_F(SpriteDrawing, ImagesArePlacedByLocationOriginScaleRotationAndMirror) {
    int s = image(100, 100);
    std::string r = std::to_string(s);
    spriteTestFrame f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(110, 110), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(150, 110), 0, 255, 0));
    EXPECT_TRUE(spriteTest_near(f.at(110, 150), 0, 0, 255));
    EXPECT_TRUE(spriteTest_near(f.at(95, 110), 0, 0, 0));

    run("setSpriteFlipHorizontal(" + r + ", true)");
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(110, 110), 0, 255, 0));
    EXPECT_TRUE(spriteTest_near(f.at(150, 150), 0, 0, 255));

    // Scaled by 2 about the pivot (32, 32): the image spans 68..196.
    run("setSpriteFlipHorizontal(" + r + ", false) setSpriteOrigin(" + r + ", 32, 32, 0) setSpriteScale(" + r + ", 2, 2, 1)");
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(75, 75), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(190, 75), 0, 255, 0));
    EXPECT_TRUE(spriteTest_near(f.at(75, 190), 0, 0, 255));
    EXPECT_TRUE(spriteTest_near(f.at(64, 64), 0, 0, 0));

    // A quarter turn about the pivot: red moves to the lower right.
    run("setSpriteScale(" + r + ", 1, 1, 1) setSpriteRotation(" + r + ", 0, 0, 90)");
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(150, 110), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(150, 150), 0, 255, 0));
    EXPECT_TRUE(spriteTest_near(f.at(110, 110), 0, 0, 255));

    // A texture rectangle (the middle half: red and green below blue and white) mirrored top-bottom.
    run("setSpriteRotation(" + r + ", 0, 0, 0) setSpriteOrigin(" + r + ", 0, 0, 0) setSpriteTextureRect(" + r +
        ", '0, 16, 64, 32') setSpriteFlipVertical(" + r + ", true)");
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(110, 104), 0, 0, 255));
    EXPECT_TRUE(spriteTest_near(f.at(150, 104), 255, 255, 255));
    EXPECT_TRUE(spriteTest_near(f.at(110, 126), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(110, 140), 0, 0, 0));  // the quad is 32 high
}

TEST_F(SpriteDrawing, BandsParallaxCullingAndText) {
    int band = image(300, 300);
    run("setSpriteGradientColors(" + std::to_string(band) + ", 0, 0, 1, 1, 1, 0, 0, 1) setSpriteGradientRect(" +
        std::to_string(band) + ", '0, 0, 640, 100')");
    int far = image(1000, 200);
    run("setSpriteParallax(" + std::to_string(far) + ", 0.5) setEnvironmentGlobal('kEnv_WorldOrigin_X', 2000)");
    spriteTestFrame f = draw();
    EXPECT_GT(f.at(320, 0).r, 240);
    EXPECT_LT(f.at(320, 0).b, 15);
    EXPECT_GT(f.at(320, 99).b, 240);
    EXPECT_TRUE(spriteTest_near(f.at(320, 101), 0, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(320, 310), 0, 0, 0));  // only the band, not the texture
    EXPECT_TRUE(spriteTest_near(f.at(5, 210), 255, 0, 0));  // 1000 - 2000 x 0.5 = 0

    // 1100 units left of the view: no image (its heading is not refreshed), but its text.
    run("setEnvironmentGlobal('kEnv_WorldOrigin_X', 0) setSpriteParallax(" + std::to_string(far) + ", 1)");
    int culled = image(-1100, 300), seen = image(500, 300);
    for (int ref : {culled, seen}) {
        rec(ref)->projectile = 1;
        rec(ref)->velocity[0] = 1;
    }
    run("c = " + std::to_string(culled) + " setSpriteOrigin(c, 1150, 0, 0) setSpriteDescription(c, 'AB') "
        "setSpriteAlphabet(c, alphabet) setSpriteScale(c, 16, 16, 1)");
    f = draw();
    EXPECT_EQ(rec(culled)->last_projectile_velocity[0], 0);
    EXPECT_EQ(rec(seen)->last_projectile_velocity[0], 1);
    EXPECT_GT(ink(f, 45, 295, 100, 325), 200);

    // A hidden sprite keeps its text; right and centre alignment end at / straddle the location.
    run("h = " + std::to_string(seen) + " setSpriteProjectile(h, false) setSpriteHidden(h, true) setSpriteDescription(h, 'AB') "
        "setSpriteAlphabet(h, alphabet) setSpriteScale(h, 16, 16, 1) setSpriteJustification(h, 'right')");
    rec(seen)->last_projectile_velocity[0] = 0;
    f = draw();
    EXPECT_GT(ink(f, 460, 300, 500, 316), 400);
    EXPECT_EQ(ink(f, 501, 300, 570, 364), 0);
    run("setSpriteJustification(h, 'center')");
    f = draw();
    EXPECT_GT(ink(f, 482, 302, 498, 314), 150);
    EXPECT_GT(ink(f, 502, 302, 518, 314), 150);
}

TEST_F(SpriteDrawing, AttachmentsWaitsSelectionTrailFramesAndOverlay) {
    int parent = image(100, 100), child = image(200, 0);
    run("setSpriteRelativeToSprite(" + std::to_string(child) + ", " + std::to_string(parent) + ") placeSprite(" +
        std::to_string(parent) + ", 100, 200, 0)");
    spriteTestFrame f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(310, 210), 255, 0, 0));  // follows the parent
    run("removeSprite(" + std::to_string(parent) + ")");
    updateObjectManager(glLua_getObjectManager());
    draw();
    updateObjectManager(glLua_getObjectManager());
    EXPECT_EQ(getSprite(child), nullptr);  // died with its parent

    int s = image(100, 100);
    std::string r = std::to_string(s);
    run("setSpriteWait(" + r + ", 1)");
    EXPECT_TRUE(spriteTest_near(draw().at(110, 110), 0, 0, 0));
    run("setSpritePause(" + r + ", 1)");
    EXPECT_TRUE(spriteTest_near(draw().at(110, 110), 255, 0, 0));
    setSelectedSprite(s);
    EXPECT_TRUE(spriteTest_near(draw().at(150, 150), 255, 0, 0));  // white tinted red
    setSelectedSprite(-1);

    // Frames: a whole-texture rectangle mirrored top-bottom, replaced by the target rule.
    animationInfo *frame = newLuaSpriteFrames(1);
    frame->textureRef = rec(s)->textureRef;
    frame->u2 = frame->t2 = 1;
    frame->width = frame->height = 64;
    frame->cellAnimation = 1;
    frame->flipped = 2;
    rec(s)->animationArray = frame;
    rec(s)->numberOfAnimations = 1;
    EXPECT_TRUE(spriteTest_near(draw().at(110, 110), 0, 0, 255));
    rec(s)->targetSprite = (int16_t)image(600, 600);
    rec(s)->flipWhenGoingLeft = 1;
    rec(s)->velocity[0] = 1;
    EXPECT_TRUE(spriteTest_near(draw().at(110, 110), 255, 0, 0));
    rec(s)->velocity[0] = -1;
    EXPECT_TRUE(spriteTest_near(draw().at(110, 110), 0, 255, 0));

    // The trail: copies at most 30 % opaque, the sprite on top.
    int t = image(300, 300, "soft");
    luaSpriteInfo *blurred = getSprite(t);
    blurred->trail = (luaSpriteTrail *)glMalloc(sizeof(luaSpriteTrail));
    blurred->trail->copies[0] = (luaSpriteInfoRec *)glMallocWithBytes(sizeof(luaSpriteInfoRec), &blurred->self);
    shareLuaSpriteFrames(blurred->self.animationArray);
    blurred->trail->copies[0]->location[0] = 400;
    blurred->trail->wait[0] = 50;
    blurred->motionBlurWaitTime = 100;
    f = draw();
    EXPECT_NEAR(f.at(410, 310).r, 77, 12);
    EXPECT_GT(f.at(310, 310).r, 240);

    // The collision overlay: flagged edges in their colours, a white star at the centre.
    vertex corners[5] = {{{0, 0, 0}}, {{100, 0, 0}}, {{100, 50, 0}}, {{0, 50, 0}}, {{0, 0, 0}}};
    char flags[5] = {'F', 'R', 'L', 'Q', 0};
    collisionRec shape = {};
    shape.polygonList = createTree();
    polygonRec polygon = {5, 1, corners, flags};
    addChild(shape.polygonList, &polygon, sizeof polygon);
    shape.origin[0] = 50, shape.origin[1] = 25, shape.radius = 20;
    int outline = image(400.5f, 40.5f);
    rec(outline)->textureRef = -1;  // shapes show even without an image
    rec(outline)->colRec = &shape;
    setCollisionOverlayMode(1);
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(450, 40), 255, 0, 0, 60));
    EXPECT_TRUE(spriteTest_near(f.at(500, 65), 0, 255, 0, 60));
    EXPECT_TRUE(spriteTest_near(f.at(450, 75), 255, 255, 255, 60));
    rec(outline)->colRec = nullptr;
    destructTree(shape.polygonList);
}

// Sprites of one image batch into few draws; the order of layers (and of
// insertion within a layer) must survive that when another image comes between.
TEST_F(SpriteDrawing, ManySpritesOfOneImageAndAFewOfAnotherDrawInLayerOrder) {
    std::string yellowPath = ::testing::TempDir() + "quillmere_spritedraw_yellow.tga";
    spriteTest_writeTGA(yellowPath, 32, 32, [](int, int) { return rgba{255, 255, 0, 255}; });
    run("initSpriteManager(100) yellow = loadTexture('" + yellowPath + "')\n"
        "function put(layer, texture, x, y) local s = addSprite('img', layer) setSpriteTexture(s, texture) "
        "placeSprite(s, x, y, 0) end\n"
        // Layer 1: a 10 x 6 grid of quadrant images; 2: one yellow square over a corner of
        // the grid; 3: a quadrant image over that square; 4: quadrant, yellow, quadrant.
        "for j = 0, 5 do for i = 0, 9 do put(1, quad, 64 * i, 64 * j) end end\n"
        "put(3, quad, 60, 60) put(2, yellow, 40, 40)\n"
        "put(4, quad, 400, 400) put(4, yellow, 420, 420) put(4, quad, 440, 440)");
    spriteTestFrame f = draw();
    for (int j = 0; j < 6; j++)
        for (int i = 0; i < 10; i++) {
            EXPECT_TRUE(spriteTest_near(f.at(64 * i + 10, 64 * j + 10), 255, 0, 0)) << i << ", " << j;
            EXPECT_TRUE(spriteTest_near(f.at(64 * i + 42, 64 * j + 10), 0, 255, 0)) << i << ", " << j;
        }
    EXPECT_TRUE(spriteTest_near(f.at(50, 50), 255, 255, 0));   // yellow over layer 1's white
    EXPECT_TRUE(spriteTest_near(f.at(66, 66), 255, 0, 0));     // layer 3's red over yellow
    EXPECT_TRUE(spriteTest_near(f.at(430, 430), 255, 255, 0)); // inserted later in its layer
    EXPECT_TRUE(spriteTest_near(f.at(445, 445), 255, 0, 0));
}

}  // namespace
