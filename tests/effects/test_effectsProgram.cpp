// The real program runs effects' completion scripts on the exact update step:
// a closing transition of 100 steps, a game timer of a quarter second and a
// demo timer of half a second, each printing to the log when it fires; and a
// level that uses every effect's functions runs without a script error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/quillmereRun.h"

namespace {

const char *const kDocument =
    "<?xml version=\"1.0\"?>\n<level><script language=\"Lua\">\n"
    "_ALERT = function(message) print('Script error: ' .. message) end\n"
    "initSpriteManager(8)\n"
    "startScreenTransition('Alpha mask zoom', nil, 'print(\"closed\")', 1, 100)\n"
    "addGameTimer(0.25, 10, 10, -1, 'print(\"time up\")')\n"
    "addDemoTimer(0.5, 320, 40, -1, 'print(\"demo\")')\n"
    "print('effects', addParticle('none.tga', 1, 2, 3, 1), type(addRope('none.tga', 3)))\n"
    "addSpeechBubbleAtLocation(1, 2, 3, 4, 'hello', -1) enableParticles(1) disableDemo() enableDemo()\n"
    "endScreenTransition('Alpha mask zoom')\n"
    "</script></level>\n";

TEST(EffectsProgram, CompletionScriptsRunOnTheirStep) {
    // steps run -> what the log holds
    struct {
        const char *steps;
        bool closed, timeUp, demo;
    } runs[] = {{"49", false, false, false}, {"50", false, true, false}, {"99", false, true, false},
                {"100", true, true, true}};
    for (const auto &r : runs) {
        std::string folder = quillmere_makeFolder();
        std::filesystem::create_directories(folder + "/Data");
        std::ofstream(folder + "/Data/index.xml", std::ios::binary) << kDocument;
        quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", r.steps});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.log.find("effects\t1\tuserdata"), std::string::npos) << run.log;
        EXPECT_EQ(run.log.find("Script error"), std::string::npos) << run.log;
        EXPECT_EQ(run.log.find("closed") != std::string::npos, r.closed) << r.steps;
        EXPECT_EQ(run.log.find("time up") != std::string::npos, r.timeUp) << r.steps;
        EXPECT_EQ(run.log.find("demo\n") != std::string::npos, r.demo) << r.steps;
    }
}

}  // namespace
