// The game that ships (the repository's Data/) run by the real binary, headless:
// the title screen, then, as if a key were pressed, the first level for more
// than 2,000 update steps (the title's iris closes, the level's opens). Any
// script error, any missing or unreadable asset fails the run; the final
// screenshots must show the game's art.
//
// The test runs the game through a start document of its own. It replaces
// Data/index.xml, which it keeps as Data/shipped-index.xml and includes
// unchanged; before that it makes every script error print to the log as well
// as to the console (errors reach the console through _ALERT; print writes to
// the log), and at exit it prints where the camera is (256 pixels left of
// Sprig, whom it follows) and where Sprig was. A headless run receives no
// input: the player's keys come from a recording played back with --replay
// (tests/game/data/start-walk-jump.rec): Space pressed on the title at update
// step 400, then, in the first level, Right held for 150 steps and a jump.
// The designer's workflow is played the same way, its mouse and keys from an
// input feed (--input).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/quillmereRun.h"

namespace fs = std::filesystem;

namespace {

const char *const kReportErrorsToLog =
    "<script language=\"Lua\">\n"
    "local reportToConsole = _ALERT\n"
    "_ALERT = function(message)\n"
    "\tprint(\"Script error: \" .. tostring(message))\n"
    "\treportToConsole(message)\n"
    "end\n"
    "</script>\n"
    "<include file=\"Data/shipped-index.xml\"/>\n";

// Watches Sprig without touching the game: the level's update function for him
// is wrapped as it is defined (a new global of the shared script state), so
// every one of his update steps notes where he is and how high he got. At exit
// the camera and those notes go to the log.
const char *const kSayWhereSprigIs =
    "<script language=\"Lua\">\n"
    "gTestHighest = -1000\n"
    "setmetatable(_G, { __newindex = function(globals, name, value)\n"
    "\tif name == \"onSprigUpdate\" and type(value) == \"function\" then\n"
    "\t\tlocal update = value\n"
    "\t\tvalue = function(ref)\n"
    "\t\t\tupdate(ref)\n"
    "\t\t\tgTestX, gTestY = getSpriteLocation(ref)\n"
    "\t\t\tgTestHighest = math.max(gTestHighest, gTestY)\n"
    "\t\tend\n"
    "\tend\n"
    "\trawset(globals, name, value)\n"
    "end })\n"
    "function atexit()\n"
    "\tprint(string.format(\"Test: camera at %.1f\", getEnvironmentGlobal(\"kEnv_WorldOrigin_X\")))\n"
    "\tif gTestX then\n"
    "\t\tprint(string.format(\"Test: Sprig at x=%.3f y=%.3f highest=%.3f\", gTestX, gTestY, gTestHighest))\n"
    "\tend\n"
    "end\n"
    "</script>\n";

// A copy of the shipped Data/ under a start document of the test's own.
std::string gameFolder() {
    std::string folder = quillmere_makeFolder();
    fs::copy(fs::path(QUILLMERE_SOURCE_DIR) / "Data", fs::path(folder) / "Data", fs::copy_options::recursive);
    fs::rename(fs::path(folder) / "Data/index.xml", fs::path(folder) / "Data/shipped-index.xml");
    std::ofstream start(fs::path(folder) / "Data/index.xml", std::ios::binary);
    start << "<?xml version=\"1.0\"?>\n" << kReportErrorsToLog << kSayWhereSprigIs;
    fs::copy_file(fs::path(QUILLMERE_TEST_DATA_DIR) / "game/data/start-walk-jump.rec", fs::path(folder) / "keys.rec");
    return folder;
}

// Log lines that say a script failed or an asset could not be used.
std::vector<std::string> problemLines(const std::string &log) {
    static const char *const kSigns[] = {"Script error", "Error", "Unable to", "Invalide", "Invalid",
                                         "Could not", "Too many pixels"};
    std::vector<std::string> found;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        for (const char *sign : kSigns)
            if (line.find(sign) != std::string::npos) {
                found.push_back(line);
                break;
            }
        start = end + 1;
    }
    return found;
}

struct rgb {
    int r, g, b;
};

// The engine's screenshot: 32-bit TGA, rows from the bottom, pixels B, G, R, A.
struct screenshot {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    rgb at(int x, int y) const {
        size_t i = 18 + ((size_t)y * (size_t)width + (size_t)x) * 4;
        return {pixels[i + 2], pixels[i + 1], pixels[i]};
    }
};

screenshot readScreenshot(const std::string &path) {
    screenshot shot;
    std::string bytes = quillmere_readFile(path);
    if (bytes.size() < 18 || bytes[2] != 2 || (uint8_t)bytes[16] != 32) return shot;
    shot.width = (uint8_t)bytes[12] | (uint8_t)bytes[13] << 8;
    shot.height = (uint8_t)bytes[14] | (uint8_t)bytes[15] << 8;
    if (bytes.size() < 18 + (size_t)shot.width * (size_t)shot.height * 4) shot.width = shot.height = 0;
    shot.pixels.assign(bytes.begin(), bytes.end());
    return shot;
}

// Pixels in a box (x0..x1, y0..y1 from the lower left) close to any of the colours.
int countNear(const screenshot &shot, int x0, int y0, int x1, int y1, std::initializer_list<rgb> colors,
              int tolerance = 8) {
    int count = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) {
            rgb p = shot.at(x, y);
            for (const rgb &c : colors)
                if (abs(p.r - c.r) <= tolerance && abs(p.g - c.g) <= tolerance && abs(p.b - c.b) <= tolerance) {
                    count++;
                    break;
                }
        }
    return count;
}

int distinctColors(const screenshot &shot) {
    std::set<int> colors;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            rgb p = shot.at(x, y);
            colors.insert(p.r << 16 | p.g << 8 | p.b);
        }
    return (int)colors.size();
}

// Runs the binary with a silent sound device of its own, so that every sound
// really loads (and a missing one is reported) whatever the calling environment.
quillmereRun runGame(const std::string &folder, const std::string &steps, const std::string &screenshotName,
                    bool replay, const std::vector<std::string> &more = {}) {
    quillmereRun run = {-1, folder, "", "", ""};
    std::vector<std::string> arguments = {"--headless", "--fixed-step", "--steps", steps, "--screenshot", screenshotName};
    if (replay) arguments.insert(arguments.end(), {"--replay", "keys.rec"});
    arguments.insert(arguments.end(), more.begin(), more.end());
    int pid = quillmere_start(folder, arguments, {"SDL_VIDEODRIVER=offscreen", "ALSOFT_DRIVERS=null", "QUILLMERE_NONINTERACTIVE=1"});
    run.exitCode = quillmere_wait(pid, 300);
    run.log = quillmere_readFile(folder + "/Log File.txt");
    return run;
}

void expectCleanLog(const quillmereRun &run) {
    EXPECT_EQ(run.exitCode, 0);
    for (const std::string &line : problemLines(run.log)) ADD_FAILURE() << "log: " << line;
    EXPECT_NE(run.log.find("Dewdrop Dell: title screen"), std::string::npos) << run.log;
}

}  // namespace

TEST(ShippedGame, TitleScreenShowsTheNameOverTheNightScene) {
    std::string folder = gameFolder();
    quillmereRun run = runGame(folder, "300", "title.tga", false);
    expectCleanLog(run);
    EXPECT_EQ(run.log.find("Mossy Meadow"), std::string::npos) << "no key was pressed, the title stays";

    screenshot shot = readScreenshot(folder + "/title.tga");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    EXPECT_GT(distinctColors(shot), 1000);
    // The name in warm gold letters across the middle of the screen.
    int gold = 0;
    for (int y = 290; y < 340; y++)
        for (int x = 120; x < 520; x++) {
            rgb p = shot.at(x, y);
            if (p.r > 200 && p.g > 170 && p.b < 170) gold++;
        }
    EXPECT_GT(gold, 1500);
    // Night sky at the top, Sprig's greens on the island.
    rgb sky = shot.at(320, 470);
    EXPECT_LT(sky.r + sky.g, 2 * sky.b + 40);
    EXPECT_LT(sky.r + sky.g + sky.b, 200);
    EXPECT_GT(countNear(shot, 290, 60, 380, 140, {{94, 171, 86}, {140, 200, 104}, {190, 224, 158}}, 30), 200);
}

TEST(ShippedGame, RecordedKeysStartTheFirstLevelAndMoveSprig) {
    std::string folder = gameFolder();
    quillmereRun run = runGame(folder, "2600", "level.tga", true);
    expectCleanLog(run);
    size_t title = run.log.find("Dewdrop Dell: title screen");
    size_t press = run.log.find("Dewdrop Dell: starting");
    size_t level = run.log.find("Dewdrop Dell: Mossy Meadow, 12 dew drops");
    ASSERT_NE(press, std::string::npos) << run.log;
    ASSERT_NE(level, std::string::npos) << run.log;
    EXPECT_LT(title, press);
    EXPECT_LT(press, level);
    // Right held for 150 steps (at most 1.6 pixels a step, reached after 20)
    // from x 136 on the ground; then a jump straight up that takes him well
    // above the ground and back down onto its outline (top 59, his feet a
    // pixel above his origin).
    float x = -1, y = -1, highest = -1, camera = -1;
    size_t at = run.log.find("Test: Sprig at x=");
    ASSERT_NE(at, std::string::npos) << run.log;
    ASSERT_EQ(sscanf(run.log.c_str() + at, "Test: Sprig at x=%f y=%f highest=%f", &x, &y, &highest), 3);
    at = run.log.find("Test: camera at ");
    ASSERT_NE(at, std::string::npos) << run.log;
    ASSERT_EQ(sscanf(run.log.c_str() + at, "Test: camera at %f", &camera), 1);
    EXPECT_GT(x, 136 + 130 * 1.6f);
    EXPECT_LE(x, 136 + 150 * 1.6f);
    EXPECT_GT(highest, 58 + 60) << "the jump lifts him";
    EXPECT_GE(y, 58.0f);
    EXPECT_LE(y, 58.1f);
    // The camera keeps him 256 pixels from the view's left edge.
    EXPECT_NEAR(camera, x - 256, 0.1f);

    screenshot shot = readScreenshot(folder + "/level.tga");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    EXPECT_GT(distinctColors(shot), 1000);
    // A morning sky, grass and earth along the bottom (the first pool begins at
    // 343), and Sprig where he walked to, back on the ground after his jump.
    rgb sky = shot.at(320, 300);
    EXPECT_GT(sky.b, sky.r + 40);
    EXPECT_GT(countNear(shot, 0, 50, 340, 62, {{190, 238, 112}, {146, 214, 86}, {104, 188, 70}}), 1500);
    EXPECT_GT(countNear(shot, 0, 0, 440, 30, {{154, 100, 66}, {122, 76, 56}, {182, 124, 80}}), 8000);
    EXPECT_GT(countNear(shot, 256, 57, 288, 89, {{104, 186, 86}, {156, 218, 104}, {58, 128, 74}}), 100);
    // The iris has opened again, and the level's countdown stands under the hint in sand letters.
    EXPECT_GT(sky.r + sky.g + sky.b, 400);
    int sand = 0;
    for (int y = 420; y < 442; y++)
        for (int x = 478; x < 636; x++) {
            rgb p = shot.at(x, y);
            if (p.r > 200 && p.g > 150 && p.b < 215 && p.r > p.b + 30) sand++;
        }
    EXPECT_GT(sand, 150);
}

// Space on the title; in the first level Tab switches the placement editor on,
// the first ledge is dragged 10 pixels right and 20 up, the vine's top piece
// 20 up (Control+O before and after), and Control+P writes the level dump.
// Saved as the level's placement file, the dump lays the level out: the ledge
// stands where it was dropped, and the level's own dump is the same again.
TEST(ShippedGame, ALedgeDraggedInTheEditorStaysWhereTheDumpLaysTheLevelOut) {
    const char *const kEdit =
        "10 key space\n"
        "590 move 460 115\n600 key Tab\n610 press\n612 move 470 135\n614 release\n"
        "620 move 524 94\n622 key ctrl+o\n624 press\n626 move 524 114\n628 release\n630 key ctrl+o\n"
        "640 key ctrl+p\n";
    std::string folder = gameFolder();
    std::ofstream(folder + "/edit.txt") << kEdit;
    quillmereRun run = runGame(folder, "700", "edited.tga", false, {"--input", "edit.txt"});
    expectCleanLog(run);
    EXPECT_NE(run.log.find("Dewdrop Dell: placement editor on"), std::string::npos) << run.log;
    std::string dump = quillmere_readFile(folder + "/level_dump.txt");
    EXPECT_NE(dump.find("addSprite(\"ledge_left\", 7, 458, 116)\n"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("addSprite(\"ledge_left\", 7, 448, 96)"), std::string::npos) << dump;
    EXPECT_NE(dump.find("addSprite(\"sprig\", 10, 136, 58)\n"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("\"text\""), std::string::npos) << "text sprites have no outline";

    // The vine's top piece went 20 up (its first y offset from the last piece);
    // the rest of the vine stood still.
    std::string before = quillmere_readFile(folder + "/rope_dump.txt");
    std::string after = quillmere_readFile(folder + "/rope_dump 2.txt");
    std::smatch b, a;
    const std::regex yList("(local armPosition_state0_y = \\{) (-?\\d+),");
    ASSERT_TRUE(std::regex_search(before, b, yList)) << before;
    ASSERT_TRUE(std::regex_search(after, a, yList)) << after;
    EXPECT_EQ(std::stoi(a[2]), std::stoi(b[2]) + 20);
    EXPECT_EQ(a.prefix().str() + a.suffix().str(), b.prefix().str() + b.suffix().str());

    // The dump as the first level's placement file.
    std::string again = gameFolder();
    std::ofstream(again + "/Data/level1_placement.txt", std::ios::binary) << dump;
    std::ofstream(again + "/look.txt") << "10 key space\n590 move 320 240\n600 key Tab\n640 key ctrl+p\n";
    run = runGame(again, "700", "placed.tga", false, {"--input", "look.txt"});
    expectCleanLog(run);
    EXPECT_NE(run.log.find("the level is laid out by Data/level1_placement.txt"), std::string::npos) << run.log;
    std::string redump = quillmere_readFile(again + "/level_dump.txt");
    // Line for line the same, but for the dew drops: they bob, so where they
    // stood depends on the moment the editor stopped them.
    const std::regex dewDrop("addSprite\\(\"dewdrop\", 9, \\d+, \\d+\\)");
    EXPECT_EQ(std::regex_replace(redump, dewDrop, "dew"), std::regex_replace(dump, dewDrop, "dew"));
    fs::remove_all(folder);
    fs::remove_all(again);
}
