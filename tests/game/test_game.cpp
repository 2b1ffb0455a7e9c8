// The game that ships (the repository's Data/) run by the real binary, headless:
// the title screen, then, as if a key were pressed, the first level for more
// than 2,000 update steps (the title's iris closes, the level's opens); then
// each level played through from its first step by a recording, up to the
// next document; and a level whose sun comes up before the dew is gathered.
// Any script error, any missing or unreadable asset fails a run; the final
// screenshots must show the game's art.
//
// Each run goes through a start document of the test's own. It replaces
// Data/index.xml, which it keeps as Data/shipped-index.xml; it makes every
// script error print to the log as well as to the console (errors reach the
// console through _ALERT; print writes to the log), then either includes the
// title unchanged and at exit prints where the camera is (256 pixels left of
// Sprig, whom it follows) and where Sprig was, or opens a level at once (and
// the title when it is loaded again, on the way back). A headless run receives
// no input: the player's keys come from a recording played back with --replay.
// tests/game/data/start-walk-jump.rec: Space pressed on the title at update
// step 400, then, in the first level, Right held for 150 steps and a jump.
// The designer's workflow is played the same way, its mouse and keys from an
// input feed (--input).
// tests/game/data/level*.rec play each level to its dew-bell; they are made
// by tools/make_recording.py from the readable level*.keys beside them.

#include <gtest/gtest.h>

#include <algorithm>
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
    "if not gTestReporting then\n"
    "\tgTestReporting = true\n"
    "\tlocal reportToConsole = _ALERT\n"
    "\t_ALERT = function(message)\n"
    "\t\tprint(\"Script error: \" .. tostring(message))\n"
    "\t\treportToConsole(message)\n"
    "\tend\n"
    "end\n"
    "</script>\n";

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

const std::string kTitle = std::string("<include file=\"Data/shipped-index.xml\"/>\n") + kSayWhereSprigIs;

// Opens a document at once; loaded again (the way back to the title), the title.
std::string openAtOnce(const std::string &document) {
    return "<script language=\"Lua\">\nif gTestOpened then\n\tloadXMLFile(\"Data/shipped-index.xml\")\nelse\n"
           "\tgTestOpened = true\n\tloadXMLFile(\"" + document + "\")\nend\n</script>\n";
}

// A copy of the shipped Data/ under a start document of the test's own, with
// a recording from tests/game/data as keys.rec.
std::string gameFolder(const std::string &start = kTitle, const std::string &recording = "start-walk-jump.rec") {
    std::string folder = quillmere_makeFolder();
    fs::copy(fs::path(QUILLMERE_SOURCE_DIR) / "Data", fs::path(folder) / "Data", fs::copy_options::recursive);
    fs::rename(fs::path(folder) / "Data/index.xml", fs::path(folder) / "Data/shipped-index.xml");
    std::ofstream(fs::path(folder) / "Data/index.xml", std::ios::binary)
        << "<?xml version=\"1.0\"?>\n" << kReportErrorsToLog << start;
    fs::copy_file(fs::path(QUILLMERE_TEST_DATA_DIR) / "game/data" / recording, fs::path(folder) / "keys.rec");
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
}

// Each text in turn, each after the one before; where the last one ends, or
// npos (and a failure) when one is missing.
size_t expectInOrder(const std::string &log, const std::vector<std::string> &texts) {
    size_t at = 0;
    for (const std::string &text : texts) {
        size_t found = log.find(text, at);
        if (found == std::string::npos) {
            ADD_FAILURE() << "missing, or out of order: " << text << "\n" << log;
            return found;
        }
        at = found + text.size();
    }
    return at;
}

// The title's name in warm gold letters across the middle of the screen.
int goldLetters(const screenshot &shot) {
    int gold = 0;
    for (int y = 290; y < 340; y++)
        for (int x = 120; x < 520; x++) {
            rgb p = shot.at(x, y);
            if (p.r > 200 && p.g > 170 && p.b < 170) gold++;
        }
    return gold;
}

}  // namespace

TEST(ShippedGame, TitleScreenShowsTheNameOverTheNightScene) {
    std::string folder = gameFolder();
    quillmereRun run = runGame(folder, "300", "title.tga", false);
    expectCleanLog(run);
    EXPECT_NE(run.log.find("Dewdrop Dell: title screen"), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("Mossy Meadow"), std::string::npos) << "no key was pressed, the title stays";

    screenshot shot = readScreenshot(folder + "/title.tga");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    EXPECT_GT(distinctColors(shot), 1000);
    EXPECT_GT(goldLetters(shot), 1500);
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
namespace {

// A level played through by its recording, and the document it leads to.
struct playThrough {
    const char *name, *level, *recording;
    int steps, dew, vines;             // update steps run; dew drops in the level; vines caught
    std::vector<std::string> then;     // lines after the level's end, in order ("%s": its seconds)
    bool (*sky)(rgb);                  // the final screenshot's sky, high in the middle
    std::vector<rgb> ground;           // colours along its ground's top, lower left
};

const playThrough kPlayThroughs[] = {
    {"Mossy Meadow", "Data/level1.xml", "level1.rec", 2500, 12, 0,
     {"Dewdrop Dell: Willow Pond, 16 dew drops"},
     // the pond's teal, not the meadow's blue
     [](rgb p) { return p.b > p.r + 40 && p.g > p.r + 30 && p.b < p.g + 45; },
     {{176, 232, 170}, {126, 206, 146}, {80, 170, 124}}},
    {"Willow Pond", "Data/level2.xml", "level2.rec", 4450, 16, 3,
     {"Dewdrop Dell: Sunrise Hills, 20 dew drops"},
     // the sunrise's violet
     [](rgb p) { return p.b > p.r + 20 && p.r > p.g + 15; },
     {{244, 226, 136}, {214, 196, 96}, {166, 164, 78}}},
    {"Sunrise Hills", "Data/level3.xml", "level3.rec", 5700, 20, 3,
     {"Dewdrop Dell: Sunrise Hills, 20 of 20 dew drops in %s seconds, 1 try",
      "Dewdrop Dell: the end, 20 of 20 dew drops in %s seconds", "Dewdrop Dell: title screen"},
     // the title's night
     [](rgb p) { return p.r + p.g + p.b < 200 && p.b > p.r; },
     {}},
};

void PrintTo(const playThrough &level, std::ostream *out) { *out << level.name; }

class ShippedLevel : public ::testing::TestWithParam<playThrough> {};

TEST_P(ShippedLevel, RecordingGathersAllTheDewRingsTheBellAndOpensTheNextDocument) {
    const playThrough &level = GetParam();
    std::string folder = gameFolder(openAtOnce(level.level), level.recording);
    // Drawn once every 5 steps: the steps are the same, the run far shorter.
    quillmereRun run = runGame(folder, std::to_string(level.steps), "end.tga", true, {"--steps-per-frame", "5"});
    expectCleanLog(run);
    std::string dew = std::to_string(level.dew);
    std::vector<std::string> story = {"Dewdrop Dell: " + std::string(level.name) + ", " + dew + " dew drops"};
    for (int i = 1; i <= level.dew; i++) story.push_back("Dewdrop Dell: dew drop " + std::to_string(i) + " of " + dew);
    story.push_back("Dewdrop Dell: the dew-bell rings, " + dew + " of " + dew + " dew drops");
    story.push_back("Dewdrop Dell: " + std::string(level.name) + " done, " + dew + " of " + dew + " dew drops in ");
    size_t done = expectInOrder(run.log, story);
    ASSERT_NE(done, std::string::npos);
    // The time is the level's own (its update steps from its first), well inside its sun.
    std::string seconds = run.log.substr(done, run.log.find(' ', done) - done);
    EXPECT_GT(std::stod(seconds), 5.0);
    EXPECT_LT(std::stod(seconds), 60.0);
    std::vector<std::string> then;
    for (std::string line : level.then) {
        size_t mark = line.find("%s");
        if (mark != std::string::npos) line.replace(mark, 2, seconds);
        then.push_back(line);
    }
    std::string after = run.log.substr(done);
    expectInOrder(after, then);
    EXPECT_EQ(run.log.find("the sun is up"), std::string::npos);
    int caught = 0;
    for (size_t at = run.log.find("Sprig catches a vine"); at != std::string::npos;
         at = run.log.find("Sprig catches a vine", at + 1))
        caught++;
    EXPECT_EQ(caught, level.vines);

    screenshot shot = readScreenshot(folder + "/end.tga");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    rgb sky = shot.at(320, 470);
    EXPECT_TRUE(level.sky(sky)) << sky.r << " " << sky.g << " " << sky.b;
    // The next level's own grass along its first bank, or the title's name.
    if (!level.ground.empty())
        EXPECT_GT(countNear(shot, 0, 30, 300, 64, {level.ground[0], level.ground[1], level.ground[2]}), 400);
    else
        EXPECT_GT(goldLetters(shot), 1500);
}

INSTANTIATE_TEST_SUITE_P(PlayedThrough, ShippedLevel, ::testing::ValuesIn(kPlayThroughs),
                         [](const ::testing::TestParamInfo<playThrough> &info) {
                             std::string name = info.param.name;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

// With the sun cut to two seconds and no key pressed, the sun comes up over
// the pond before any dew is gathered, and the pond starts again.
TEST(ShippedGame, TheSunUpStartsTheLevelAgain) {
    std::string cut = "<script language=\"Lua\">\nlocal add = addGameTimer\n"
                      "addGameTimer = function(seconds, ...) return add(2, ...) end\n</script>\n";
    std::string folder = gameFolder(cut + openAtOnce("Data/level2.xml"));
    quillmereRun run = runGame(folder, "1400", "again.tga", false, {"--steps-per-frame", "5"});
    expectCleanLog(run);
    expectInOrder(run.log, {"Dewdrop Dell: Willow Pond, 16 dew drops",
                            "Dewdrop Dell: the sun is up over Willow Pond, 0 of 16 dew drops; trying again",
                            "Dewdrop Dell: Willow Pond, 16 dew drops"});
}

}  // namespace
