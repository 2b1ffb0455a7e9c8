// Recording and replaying through the real binary. A run in a real X window
// (Xvfb) gets real key presses (xdotool) at whatever update steps they happen
// to arrive, records them with --record, and ends after a fixed number of
// steps with a screenshot. Replaying that recording with --replay in the same
// display, with no keys pressed, must give the same log and the same final
// screenshot, byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/quillmereRun.h"
#include "support/virtualDisplay.h"

namespace {

int runIn(const virtualDisplay &display, const std::string &folder, const std::vector<std::string> &arguments,
          const std::string &program = "") {
    return quillmere_start(folder, arguments,
                           {"DISPLAY=" + display.display, "SDL_VIDEODRIVER=x11", "QUILLMERE_NONINTERACTIVE=1",
                            "ALSOFT_DRIVERS=null"},
                           program);
}

TEST(RecordReplay, AReplayedRunGivesTheSameLogAndScreenshot) {
    virtualDisplay display = virtualDisplay_start();
    ASSERT_GT(display.pid, 0) << "Xvfb could not be started";
    std::string recorded = quillmere_makeFolder("input/data/replay");
    std::string replayed = quillmere_makeFolder("input/data/replay");
    std::string tools = quillmere_makeFolder();
    // Enough steps for the keys to arrive first even on a slow, busy machine.
    const std::vector<std::string> common = {"--fixed-step", "--steps", "6000", "--screenshot", "end.tga"};

    std::vector<std::string> record = common;
    record.insert(record.end(), {"--record", "keys.rec"});
    int game = runIn(display, recorded, record);
    ASSERT_GT(game, 0);
    // No window manager runs under Xvfb to give the window the focus: wait
    // until it is mapped, then send the keys to it by its id.
    ASSERT_EQ(quillmere_wait(runIn(display, tools, {"search", "--sync", "--onlyvisible", "--name", "^Quillmere$"}, "xdotool"), 60), 0);
    std::string window = quillmere_readFile(tools + "/.stdout");
    window = window.substr(0, window.find('\n'));
    ASSERT_FALSE(window.empty());
    int keys = runIn(display, tools,
                     {"keydown", "--window", window, "d", "sleep", "0.1", "keyup", "--window", window, "d", "key", "--window",
                      window, "space", "keydown", "--window", window, "a", "sleep", "0.05", "keyup", "--window", window, "a"},
                     "xdotool");
    EXPECT_EQ(quillmere_wait(keys, 60), 0);
    ASSERT_EQ(quillmere_wait(game, 300), 0);
    std::string recording = quillmere_readFile(recorded + "/keys.rec");
    // Every press and release, in order, at non-decreasing steps.
    size_t at = 0;
    int lastStep = 0;
    for (const char *event : {"1 right", "0 right", "1 jump", "0 jump", "1 left", "0 left"}) {
        size_t found = recording.find(std::string(" ") + event + "\n", at);
        ASSERT_NE(found, std::string::npos) << event << " missing from:\n" << recording;
        size_t lineStart = recording.rfind('\n', found);
        int step = std::stoi(recording.substr(lineStart == std::string::npos ? 0 : lineStart + 1));
        EXPECT_GE(step, lastStep);
        lastStep = step;
        at = found + 1;
    }
    EXPECT_LT(lastStep, 6000);

    std::filesystem::copy_file(recorded + "/keys.rec", replayed + "/keys.rec");
    std::vector<std::string> replay = common;
    replay.insert(replay.end(), {"--replay", "keys.rec"});
    ASSERT_EQ(quillmere_wait(runIn(display, replayed, replay), 300), 0);

    std::string log = quillmere_readFile(recorded + "/Log File.txt");
    EXPECT_NE(log.find("\nlater "), std::string::npos) << log;  // the scheduled event
    EXPECT_EQ(quillmere_readFile(replayed + "/Log File.txt"), log);
    std::string shot = quillmere_readFile(recorded + "/end.tga");
    EXPECT_EQ(shot.size(), 18u + 640u * 480u * 4u);
    EXPECT_TRUE(quillmere_readFile(replayed + "/end.tga") == shot) << "the final screenshots differ";

    virtualDisplay_stop(&display);
    for (const std::string &folder : {recorded, replayed, tools}) std::filesystem::remove_all(folder);
}

}  // namespace
