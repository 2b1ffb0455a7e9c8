// The game that ships (the repository's Data/) run by the real binary, headless:
// the title screen, then, as if a key were pressed, the first level for more
// than 2,000 update steps (the title's iris closes, the level's opens). Any
// script error, any missing or unreadable asset
// fails the run; the final screenshots must show the game's art.
//
// A headless run receives no input, so the test starts the game through a start
// document of its own. It replaces Data/index.xml, which it keeps as
// Data/shipped-index.xml and includes unchanged; before that it makes every
// script error print to the log as well as to the console (errors reach the
// console through _ALERT; print writes to the log). To press "a key" it counts
// the host's forced garbage collections, one every 50 update steps, with a
// finalizer that re-arms itself; at the eighth (update step 401 at the latest)
// it runs titleStart(), the script the title's interaction hook runs on a key
// press or a click.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
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

const char *const kPressAKeyLater =
    "<script language=\"Lua\">\n"
    "gTestCollections = 0\n"
    "local function armClock()\n"
    "\tlocal token = newproxy(true)\n"
    "\tgetmetatable(token).__gc = function()\n"
    "\t\tlocal ok, message = pcall(function()\n"
    "\t\t\tgTestCollections = gTestCollections + 1\n"
    "\t\t\tif gTestCollections == 8 then\n"
    "\t\t\t\tprint(\"Test: a key press\")\n"
    "\t\t\t\ttitleStart()\n"
    "\t\t\telse\n"
    "\t\t\t\tarmClock()\n"
    "\t\t\tend\n"
    "\t\tend)\n"
    "\t\tif not ok then _ALERT(message) end\n"
    "\tend\n"
    "end\n"
    "armClock()\n"
    "</script>\n";

// A copy of the shipped Data/ under a start document of the test's own.
std::string gameFolder(bool pressAKey) {
    std::string folder = quillmere_makeFolder();
    fs::copy(fs::path(QUILLMERE_SOURCE_DIR) / "Data", fs::path(folder) / "Data", fs::copy_options::recursive);
    fs::rename(fs::path(folder) / "Data/index.xml", fs::path(folder) / "Data/shipped-index.xml");
    std::ofstream start(fs::path(folder) / "Data/index.xml", std::ios::binary);
    start << "<?xml version=\"1.0\"?>\n" << kReportErrorsToLog << (pressAKey ? kPressAKeyLater : "");
    return folder;
}

// Log lines that say a script failed or an asset could not be used.
std::vector<std::string> problemLines(const std::string &log) {
    static const char *const kSigns[] = {"Script error", "Error", "Unable to", "Invalide", "Invalid",
                                         "Could not", "Too many pixels", "not available"};
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
quillmereRun runGame(const std::string &folder, const std::string &steps, const std::string &screenshotName) {
    quillmereRun run = {-1, folder, "", "", ""};
    int pid = quillmere_start(folder, {"--headless", "--fixed-step", "--steps", steps, "--screenshot", screenshotName},
                              {"SDL_VIDEODRIVER=offscreen", "ALSOFT_DRIVERS=null", "QUILLMERE_NONINTERACTIVE=1"});
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
    std::string folder = gameFolder(false);
    quillmereRun run = runGame(folder, "300", "title.tga");
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

TEST(ShippedGame, KeyPressOnTheTitleLeadsIntoTheFirstLevel) {
    std::string folder = gameFolder(true);
    quillmereRun run = runGame(folder, "2600", "level.tga");
    expectCleanLog(run);
    size_t title = run.log.find("Dewdrop Dell: title screen");
    size_t press = run.log.find("Test: a key press");
    size_t level = run.log.find("Dewdrop Dell: Mossy Meadow, 12 dew drops");
    ASSERT_NE(press, std::string::npos) << run.log;
    ASSERT_NE(level, std::string::npos) << run.log;
    EXPECT_LT(title, press);
    EXPECT_LT(press, level);

    screenshot shot = readScreenshot(folder + "/level.tga");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    EXPECT_GT(distinctColors(shot), 1000);
    // A morning sky, grass and earth along the bottom, Sprig where the level puts him.
    rgb sky = shot.at(320, 300);
    EXPECT_GT(sky.b, sky.r + 40);
    EXPECT_GT(countNear(shot, 0, 50, 440, 62, {{190, 238, 112}, {146, 214, 86}, {104, 188, 70}}), 2000);
    EXPECT_GT(countNear(shot, 0, 0, 440, 30, {{154, 100, 66}, {122, 76, 56}, {182, 124, 80}}), 8000);
    EXPECT_GT(countNear(shot, 136, 57, 168, 89, {{104, 186, 86}, {156, 218, 104}, {58, 128, 74}}), 100);
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
