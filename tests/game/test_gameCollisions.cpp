// The shipped first level's collisions, run by the real binary headless.
// Nobody presses keys here: a test sprite added to a copy of the level puts
// Sprig where the story needs him at fixed update steps, and prints where he
// is and what happened. He must land on the ground and stay there, land on a
// ledge he is dropped onto, jump up through a ledge and land on top of it,
// gather a dew drop by touching it, splash into a pool and climb out on the
// nearer bank, ring the dew-bell, and walk (the "right" event held) along the
// ground until a bank of higher ground stops him.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/quillmereRun.h"

namespace fs = std::filesystem;

namespace {

const char *const kStart =
    "<?xml version=\"1.0\"?>\n<level><script language=\"Lua\">\n"
    "_ALERT = function(message) print(\"Script error: \" .. tostring(message)) end\n"
    "loadXMLFile(\"Data/level1.xml\")\n</script></level>\n";

// Steps counted from the tester's first update; Sprig starts on the ground at x 136.
const char *const kStory =
    "<?xml version=\"1.0\"?>\n"
    "<sprite type=\"tester\"><update language=\"Lua\" frequency=\"0.005\">testStep()</update></sprite>\n"
    "<script language=\"Lua\">\n"
    "local step = 0\n"
    "local function report(what)\n"
    "  local x, y = getSpriteLocation(gPlayer)\n"
    "  print(string.format('Test: %s x=%.3f y=%.3f dew=%d', what, x, y, gDewCount))\n"
    "end\n"
    "function testStep()\n"
    "  step = step + 1\n"
    "  if step == 300 then report('ground') placeSprite(gPlayer, 710, 230, 0) end\n"
    "  if step == 600 then report('ledge') placeSprite(gPlayer, 1300, 60, 0) end\n"
    "  if step == 900 then report('before jump') setSpriteVelocity(gPlayer, 0, 5.5, 0) end\n"
    "  if step == 1300 then report('jumped') placeSprite(gPlayer, 992, 156, 0) end\n"
    "  if step == 1500 then report('after the drop') placeSprite(gPlayer, 1058, 100, 0) end\n"
    "  if step == 1900 then report('after the splash') placeSprite(gPlayer, 2250, 60, 0) end\n"
    "  if step == 2000 then report('at the bell') placeSprite(gPlayer, 1330, 60, 0) end\n"
    "  if step == 2100 then inputManager_setEventValue('right', 1) end\n"
    "  if step == 2250 then report('at the bank') inputManager_setEventValue('right', 0) end\n"
    "end\n"
    "setSpriteAlwaysUpdate(addSprite('tester', 19), true)\n"
    "</script>\n";

struct where {
    float x = -1, y = -1;
    int dew = -1;
};

where reported(const std::string &log, const std::string &what) {
    where w;
    size_t at = log.find("Test: " + what + " x=");
    if (at != std::string::npos)
        sscanf(log.c_str() + at + 6 + what.size(), " x=%f y=%f dew=%d", &w.x, &w.y, &w.dew);
    return w;
}

TEST(ShippedGameCollisions, SprigLandsJumpsThroughLedgesGathersDewSplashesAndRingsTheBell) {
    std::string folder = quillmere_makeFolder();
    fs::copy(fs::path(QUILLMERE_SOURCE_DIR) / "Data", fs::path(folder) / "Data", fs::copy_options::recursive);
    std::ofstream(fs::path(folder) / "Data/index.xml", std::ios::binary) << kStart;
    std::ofstream(fs::path(folder) / "Data/test_story.xml", std::ios::binary) << kStory;
    std::string level = quillmere_readFile(folder + "/Data/level1.xml");
    size_t end = level.rfind("</level>");
    ASSERT_NE(end, std::string::npos);
    level.insert(end, "<include file=\"Data/test_story.xml\"/>\n");
    std::ofstream(fs::path(folder) / "Data/level1.xml", std::ios::binary) << level;

    int pid = quillmere_start(folder, {"--headless", "--fixed-step", "--steps", "2300"},
                              {"SDL_VIDEODRIVER=offscreen", "ALSOFT_DRIVERS=null", "QUILLMERE_NONINTERACTIVE=1"});
    EXPECT_EQ(quillmere_wait(pid, 300), 0);
    std::string log = quillmere_readFile(folder + "/Log File.txt");
    EXPECT_EQ(log.find("Script error"), std::string::npos) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;

    // Resting on the outline's top (y 59; his feet are one pixel above his origin).
    where ground = reported(log, "ground");
    EXPECT_EQ(ground.x, 136);
    EXPECT_GE(ground.y, 58.0f);
    EXPECT_LE(ground.y, 58.1f);
    // Dropped over a ledge whose top is at 186.
    where ledge = reported(log, "ledge");
    EXPECT_GE(ledge.y, 185.0f);
    EXPECT_LE(ledge.y, 185.1f);
    // Under a ledge (top 154), he falls to the ground; the jump takes him up through it onto it.
    where before = reported(log, "before jump");
    EXPECT_GE(before.y, 58.0f);
    EXPECT_LE(before.y, 58.1f);
    where jumped = reported(log, "jumped");
    EXPECT_GE(jumped.y, 153.0f);
    EXPECT_LE(jumped.y, 153.1f);
    // Put on a dew drop over a ledge (top 154): gathered, and he lands on the ledge.
    where drop = reported(log, "after the drop");
    EXPECT_EQ(drop.dew, 1);
    EXPECT_NE(log.find("Dewdrop Dell: dew drop 1 of 12"), std::string::npos) << log;
    EXPECT_GE(drop.y, 153.0f);
    EXPECT_LE(drop.y, 153.1f);
    // Beside the ledge he falls into the pool: a splash, and out on the nearer (right) bank.
    where splash = reported(log, "after the splash");
    EXPECT_NE(log.find("Dewdrop Dell: splash! Sprig climbs out at x 1096"), std::string::npos) << log;
    EXPECT_EQ(splash.x, 1096);
    EXPECT_GE(splash.y, 58.0f);
    EXPECT_LE(splash.y, 58.1f);
    EXPECT_NE(log.find("Dewdrop Dell: the dew-bell rings, 1 of 12 dew drops"), std::string::npos) << log;
    // Walking right on the ground (150 steps could take him 232 pixels) until
    // the bank of higher ground at 1442 stops him: his outline's right side is
    // 25 pixels from his origin. Seen between his step and the contacts that
    // put him back, he is within one walking step (1.6) of the bank and one
    // step of gravity (0.1) of the ground's top.
    where bank = reported(log, "at the bank");
    EXPECT_GE(bank.x, 1442 - 25 - 1.6f);
    EXPECT_LE(bank.x, 1442 - 25 + 1.6f);
    EXPECT_GE(bank.y, 57.9f - 0.01f);
    EXPECT_LE(bank.y, 58.1f);
}

}  // namespace
