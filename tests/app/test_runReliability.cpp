// The real binary under what used to stop it: renders forced from update
// scripts that remove sprites, update steps too long to ever fall due, and
// being terminated or killed mid-run with its log still holding what it said.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "support/quillmereRun.h"

namespace {

// A folder whose Data/index.xml holds the given level body.
std::string folderWithLevel(const std::string &body) {
    std::string folder = quillmere_makeFolder();
    std::filesystem::create_directory(folder + "/Data");
    std::ofstream(folder + "/Data/index.xml") << "<?xml version=\"1.0\"?>\n<level>\n" << body << "\n</level>\n";
    return folder;
}

// Polls the log (bounded) until it holds `text`.
bool logShows(const std::string &folder, const std::string &text, double seconds) {
    for (int i = 0; i < seconds * 100; i++) {
        if (quillmere_readFile(folder + "/Log File.txt").find(text) != std::string::npos) return true;
        struct timespec tenMs = {0, 10 * 1000 * 1000};
        nanosleep(&tenMs, nullptr);
    }
    return false;
}

TEST(RunReliability, RendersForcedFromUpdateScriptsAfterRemovalsFreeNothingInUse) {
    std::string folder = folderWithLevel(R"(
  <sprite type="selfRemover">
    <update language="Lua" frequency="0.005">removeSprite(gCurrentSprite) forceRender()</update>
  </sprite>
  <sprite type="otherRemover">
    <update language="Lua" frequency="0.005">
      if victims[1] then removeSprite(table.remove(victims, 1)) end
      forceRender()
      forceRender()
    </update>
  </sprite>
  <sprite type="victim">
    <update language="Lua" frequency="0.005">victimSteps = (victimSteps or 0) + 1</update>
  </sprite>
  <sprite type="ticker">
    <update language="Lua" frequency="0.005">
      steps = (steps or 0) + 1
      if steps == 60 then print("still running", table.getn(victims)) end
    </update>
  </sprite>
  <script language="Lua">
    initSpriteManager(40)
    victims = {}
    for i = 1, 10 do table.insert(victims, addSprite("victim", 3)) end
    for i = 1, 5 do addSprite("selfRemover", 2) end
    addSprite("otherRemover", 1)
    addSprite("ticker", 0)
  </script>)");
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "200"});
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_NE(run.log.find("still running\t0\n"), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("Sanitizer"), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("rror"), std::string::npos) << run.log;
    std::filesystem::remove_all(folder);
}

TEST(RunReliability, AStepLongerThanTheBacklogLimitIsRefusedAndTheRunEnds) {
    std::string folder = folderWithLevel(R"(
  <script language="Lua">setMSPerFrame(100000) setMSPerFrame(20000)</script>)");
    // Without --fixed-step: the real clock, as a player would run it.
    int pid = quillmere_start(folder, {"--headless", "--steps", "40"});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(quillmere_wait(pid, 60), 0);
    std::string log = quillmere_readFile(folder + "/Log File.txt");
    EXPECT_NE(log.find("update step of 100000 milliseconds was refused"), std::string::npos) << log;
    EXPECT_NE(log.find("update step of 20000 milliseconds was refused"), std::string::npos) << log;
    std::filesystem::remove_all(folder);
}

// A terminated run quits in order; a killed one keeps every line it wrote.
TEST(RunReliability, TerminationEndsTheRunAndAKillKeepsTheLog) {
    std::string folder = folderWithLevel(R"(
  <sprite type="talker">
    <update language="Lua" frequency="0.005">
      steps = (steps or 0) + 1
      if steps == 10 then print("said before the end") io.stderr:write("a line of its own\n") end
    </update>
  </sprite>
  <script language="Lua">initSpriteManager(2) addSprite("talker", 0)</script>)");
    for (int sig : {SIGTERM, SIGKILL}) {
        int pid = quillmere_start(folder, {"--headless"});
        ASSERT_GT(pid, 0);
        EXPECT_TRUE(logShows(folder, "a line of its own\n", 60)) << sig;
        kill(pid, sig);
        int code = quillmere_wait(pid, 60);
        std::string log = quillmere_readFile(folder + "/Log File.txt");
        EXPECT_NE(log.find("said before the end\n"), std::string::npos) << log;
        if (sig == SIGTERM) {
            EXPECT_EQ(code, 0);
            EXPECT_NE(log.find("Video Card Information"), std::string::npos);
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
