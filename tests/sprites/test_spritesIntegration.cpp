// The real program draws a small level of sprites; its final screenshot is
// read back pixel by pixel.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "sprites/spriteTestHelpers.h"
#include "support/quillmereRun.h"

namespace {

bool inked(const spriteTestFrame &f, int x0, int y0, int x1, int y1, int atLeast) {
    int lit = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) lit += f.at(x, y).r > 128;
    return lit >= atLeast;
}

TEST(SpritesIntegration, SceneLandsWhereItsScriptsPutIt) {
    std::string folder = quillmere_makeFolder("sprites/data/scene");
    spriteTest_writeQuadrants(folder + "/Data/quad.tga");
    spriteTest_writeAlphabet(folder + "/Data/alphabet.tga");
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "3", "--screenshot", "shot.tga"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.log.find("scene\t1\t2\t3\t4\n"), std::string::npos) << run.log;
    spriteTestFrame f = spriteTest_readTGA(folder + "/shot.tga");
    ASSERT_EQ(f.width, 640) << run.log;
    ASSERT_EQ(f.height, 480);

    // Gradient band: bottom colour at its bottom edge, top colour at its top edge.
    EXPECT_GT(f.at(320, 0).r, 240);
    EXPECT_GT(f.at(320, 39).b, 240);
    EXPECT_TRUE(spriteTest_near(f.at(320, 41), 0, 0, 0));
    // The turned, doubled, mirrored image: quadrant centres around the pivot.
    EXPECT_TRUE(spriteTest_near(f.at(200, 200), 255, 255, 255));
    EXPECT_TRUE(spriteTest_near(f.at(264, 200), 0, 255, 0));
    EXPECT_TRUE(spriteTest_near(f.at(264, 264), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(200, 264), 0, 0, 255));
    EXPECT_TRUE(spriteTest_near(f.at(160, 230), 0, 0, 0));
    // Parallax 0.5 with the camera at 2000: x 1000 is the left edge.
    EXPECT_TRUE(spriteTest_near(f.at(10, 310), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(f.at(50, 350), 255, 255, 255));
    // Texts of the culled and of the hidden sprite; the hidden image is absent.
    EXPECT_TRUE(inked(f, 45, 95, 100, 125, 300));
    EXPECT_TRUE(inked(f, 395, 415, 450, 445, 300));
    EXPECT_TRUE(spriteTest_near(f.at(450, 460), 0, 0, 0));
    std::filesystem::remove_all(folder);
}

}  // namespace
