// The shipped game's menus, run by the real binary: the options screen rebinds
// a key with real key presses in a real X window (Xvfb, xdotool), the choice
// survives into the next run through the preference file, and a preference
// file with rubbish in it changes nothing but its good lines; the demo plays
// the meadow from its recording.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/quillmereRun.h"
#include "support/virtualDisplay.h"

namespace fs = std::filesystem;

namespace {

std::string shippedGameFolder() {
    std::string folder = quillmere_makeFolder();
    fs::copy(fs::path(QUILLMERE_SOURCE_DIR) / "Data", fs::path(folder) / "Data", fs::copy_options::recursive);
    fs::remove(fs::path(folder) / "Data/controls.txt");
    return folder;
}

std::string logOf(const std::string &folder) { return quillmere_readFile(folder + "/Log File.txt"); }

// Waits (at most 60 seconds) until the log holds `text`.
bool waitForLog(const std::string &folder, const std::string &text) {
    for (int i = 0; i < 600; i++) {
        if (logOf(folder).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int xdotool(const virtualDisplay &display, const std::string &folder, const std::vector<std::string> &arguments) {
    return quillmere_wait(quillmere_start(folder, arguments, {"DISPLAY=" + display.display}, "xdotool"), 30);
}

// Counts the log lines that say a script failed or an asset was missing.
int problemLines(const std::string &log) {
    int count = 0;
    for (const char *sign : {"Script error", "Error", "Unable to", "Could not", "could not"})
        for (size_t at = log.find(sign); at != std::string::npos; at = log.find(sign, at + 1)) count++;
    return count;
}

quillmereRun runHeadless(const std::string &folder, int steps) {
    int pid = quillmere_start(folder, {"--headless", "--steps-per-frame", "5", "--steps", std::to_string(steps)},
                              {"SDL_VIDEODRIVER=offscreen", "ALSOFT_DRIVERS=null"});
    quillmereRun run = {quillmere_wait(pid, 300), folder, "", "", ""};
    run.log = logOf(folder);
    return run;
}

}  // namespace

TEST(GameMenus, OptionsRebindAKeyThatTheNextRunKeeps) {
    virtualDisplay display = virtualDisplay_start();
    ASSERT_GT(display.pid, 0) << "Xvfb could not be started";
    std::string folder = shippedGameFolder(), tools = quillmere_makeFolder();

    int game = quillmere_start(folder, {}, {"DISPLAY=" + display.display, "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null"});
    ASSERT_GT(game, 0);
    ASSERT_EQ(xdotool(display, tools, {"search", "--sync", "--onlyvisible", "--name", "^Quillmere$"}), 0);
    std::string window = quillmere_readFile(tools + "/.stdout");
    window = window.substr(0, window.find('\n'));
    ASSERT_TRUE(waitForLog(folder, "Dewdrop Dell: title screen")) << logOf(folder);

    // O opens the options; 2 asks for a key for walking right; L is that key.
    // Escape goes back to the title, Escape there quits.
    EXPECT_EQ(xdotool(display, tools, {"key", "--window", window, "o"}), 0);
    ASSERT_TRUE(waitForLog(folder, "Dewdrop Dell: options")) << logOf(folder);
    EXPECT_EQ(xdotool(display, tools, {"key", "--window", window, "2"}), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(xdotool(display, tools, {"key", "--window", window, "l"}), 0);
    EXPECT_TRUE(waitForLog(folder, "Dewdrop Dell: right is now L Key")) << logOf(folder);
    EXPECT_EQ(xdotool(display, tools, {"key", "--window", window, "Escape"}), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(xdotool(display, tools, {"keydown", "--window", window, "Escape"}), 0);
    EXPECT_EQ(quillmere_wait(game, 60), 0);
    virtualDisplay_stop(&display);
    EXPECT_EQ(problemLines(logOf(folder)), 0) << logOf(folder);
    std::string saved = quillmere_readFile(folder + "/Data/controls.txt");
    EXPECT_EQ(saved, "right\tL Key:0xFFFFFFFF:108\n");

    // The next run binds L for walking right. Lines that are not a rebindable
    // action and a key are left out, whatever they hold.
    {
        std::ofstream prefs(folder + "/Data/controls.txt", std::ios::app | std::ios::binary);
        prefs << "jump X Key:0xFFFFFFFF:120\n"  // a space, not a tab
              << "start\tQ Key:0xFFFFFFFF:113\n"  // not an action the options rebind
              << "left\t" << std::string(100000, 'k') << "\n"
              << "left\tno key\n\n\t\n";
    }
    quillmereRun next = runHeadless(folder, 50);
    EXPECT_EQ(next.exitCode, 0);
    EXPECT_NE(next.log.find("controls left=Left Arrow, right=L Key, jump=Spacebar"), std::string::npos) << next.log;
    EXPECT_EQ(problemLines(next.log), 0) << next.log;
    fs::remove_all(folder);
    fs::remove_all(tools);
}

TEST(GameMenus, TheDemoPlaysTheMeadowFromItsRecording) {
    // As the title does after twenty idle seconds, without the wait: the demo's
    // recording (the meadow's play-through) gathers every drop and rings the
    // bell, and the demo goes back to the title.
    EXPECT_EQ(quillmere_readFile(std::string(QUILLMERE_SOURCE_DIR) + "/Data/demo.rec"),
              quillmere_readFile(std::string(QUILLMERE_TEST_DATA_DIR) + "/game/data/level1.rec"))
        << "the demo is the meadow's play-through: copy level1.rec again when it is tuned anew";
    std::string folder = shippedGameFolder();
    std::ofstream(folder + "/Data/index.xml")
        << "<?xml version=\"1.0\"?>\n<demo><script language=\"Lua\">if gDemoMode == nil then gDemoMode = true "
           "loadXMLFile(\"Data/level1.xml\") else print('Test: back to the title') end</script></demo>\n";
    quillmereRun run = runHeadless(folder, 2500);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(problemLines(run.log), 0) << run.log;
    size_t demo = run.log.find("Dewdrop Dell: Mossy Meadow, 12 dew drops");
    size_t done = run.log.find("Dewdrop Dell: Mossy Meadow done, 12 of 12 dew drops", demo);
    size_t back = run.log.find("Test: back to the title", demo);
    ASSERT_NE(demo, std::string::npos) << run.log;
    EXPECT_NE(done, std::string::npos) << run.log;
    EXPECT_NE(back, std::string::npos) << run.log;
    EXPECT_LT(done, back);
    fs::remove_all(folder);
}
