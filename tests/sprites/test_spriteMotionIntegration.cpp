// The real program at a fixed step: an animation wraps at the steps it
// should and draws the frame of the step, a sprite falls onto its floor, a
// projectile is drawn turned along its velocity, and --stats reports the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sprites/spriteTestHelpers.h"
#include "support/quillmereRun.h"

namespace {

std::string makeLevel() {
    std::string folder = quillmere_makeFolder("sprites/data/motion");
    spriteTest_writeQuadrants(folder + "/Data/quad.tga");
    // 32 x 32: the upper half white, the lower half red.
    spriteTest_writeTGA(folder + "/Data/arrow.tga", 32, 32,
                        [](int, int y) -> rgba { return y >= 16 ? rgba{255, 255, 255, 255} : rgba{255, 0, 0, 255}; });
    return folder;
}

TEST(SpriteMotionIntegration, AnimationsWrapOnTimeAndSpritesLandOnTheirFloor) {
    // Drawing once every 8 steps changes nothing of what the steps do.
    for (const char *stepsPerFrame : {"1", "8"}) {
        std::string folder = makeLevel();
        quillmereRun run = quillmere_run(
            folder, {"--headless", "--fixed-step", "--steps-per-frame", stepsPerFrame, "--steps", "100", "--stats"});
        EXPECT_EQ(run.exitCode, 0);
        std::string wraps;
        for (size_t at = run.log.find("wrap\t"); at != std::string::npos; at = run.log.find("wrap\t", at + 1))
            wraps += run.log.substr(at + 5, run.log.find('\n', at) - at - 5) + " ";
        EXPECT_EQ(wraps, "30 60 90 ");
        // After 54 updates 200 - 0.1 x (1 + ... + 54) = 51.5; the 55th lands it.
        EXPECT_NE(run.log.find("faller\t54\t51.5\n"), std::string::npos) << run.log;
        EXPECT_NE(run.log.find("faller\t99\t50.0\n"), std::string::npos) << run.log;
        // One line of statistics on standard output: 100 frames, or 13 (12 of 8 steps and one of 4).
        double update = -1, draw = -1, load = -1;
        char end = 0;
        std::string expected = std::string("stats steps=100 frames=") + (stepsPerFrame[0] == '1' ? "100" : "13") +
                               " update_seconds=%lf draw_seconds=%lf load_seconds=%lf%c";
        EXPECT_EQ(sscanf(run.out.c_str(), expected.c_str(), &update, &draw, &load, &end), 4) << run.out;
        EXPECT_GT(update, 0);
        EXPECT_GT(draw, 0);
        EXPECT_GT(load, 0);
        EXPECT_EQ(end, '\n');
        std::filesystem::remove_all(folder);
    }
}

TEST(SpriteMotionIntegration, TheFrameOfTheStepIsDrawnAndAProjectileFacesWhereItFlies) {
    std::string folder = makeLevel();
    quillmereRun early = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "5", "--screenshot", "early.tga"});
    quillmereRun late = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "25", "--screenshot", "late.tga"});
    EXPECT_EQ(early.exitCode, 0);
    EXPECT_EQ(late.exitCode, 0);
    EXPECT_EQ(late.out.find("stats"), std::string::npos);  // only when asked for
    spriteTestFrame a = spriteTest_readTGA(folder + "/early.tga"), b = spriteTest_readTGA(folder + "/late.tga");
    ASSERT_EQ(a.width, 640) << early.log;
    ASSERT_EQ(b.width, 640) << late.log;
    // Frame 0 (the red cell) at step 5, frame 2 (the blue cell) at step 25.
    EXPECT_TRUE(spriteTest_near(a.at(116, 116), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(b.at(116, 116), 0, 0, 255));
    // The arrow's centre is at its location + 16: at step 5 (305, 300) and at
    // step 25 (325, 300). Flying right, its white top points right.
    EXPECT_TRUE(spriteTest_near(a.at(329, 316), 255, 255, 255));
    EXPECT_TRUE(spriteTest_near(a.at(313, 316), 255, 0, 0));
    EXPECT_TRUE(spriteTest_near(b.at(349, 316), 255, 255, 255));
    EXPECT_TRUE(spriteTest_near(b.at(333, 316), 255, 0, 0));
    std::filesystem::remove_all(folder);
}

}  // namespace
