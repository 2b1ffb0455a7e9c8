// The real binary in a real X window (Xvfb), driven by real key presses (xdotool).

#include <gtest/gtest.h>

#include <filesystem>

#include "support/quillmereRun.h"
#include "support/virtualDisplay.h"

namespace {

// Runs xdotool against the display (at most 30 seconds) and returns its exit
// code; what it printed is left in folder/.stdout.
int xdotool(const virtualDisplay &display, const std::string &folder, const std::vector<std::string> &arguments) {
    int pid = quillmere_start(folder, arguments, {"DISPLAY=" + display.display}, "xdotool");
    return quillmere_wait(pid, 30);
}

TEST(RealWindow, ControlQFromTheKeyboardEndsTheRun) {
    virtualDisplay display = virtualDisplay_start();
    ASSERT_GT(display.pid, 0) << "Xvfb could not be started";
    std::string folder = quillmere_makeFolder();
    std::string tools = quillmere_makeFolder();

    // No start document: the window is shown so it can be seen and closed.
    int game = quillmere_start(folder, {"--steps", "200000"},
                               {"DISPLAY=" + display.display, "SDL_VIDEODRIVER=x11", "QUILLMERE_NONINTERACTIVE=1"});
    ASSERT_GT(game, 0);
    // The window exists (hidden) before it is shown, and with no window manager
    // nothing gives it the focus: wait until it is mapped, then send the keys to
    // it by its id.
    ASSERT_EQ(xdotool(display, tools, {"search", "--sync", "--onlyvisible", "--name", "^Quillmere$"}), 0);
    std::string window = quillmere_readFile(tools + "/.stdout");
    window = window.substr(0, window.find('\n'));
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(xdotool(display, tools, {"key", "--window", window, "a", "shift+2"}), 0);
    // Only pressed: the releases would go to a window that Control+Q has closed.
    EXPECT_EQ(xdotool(display, tools, {"keydown", "--window", window, "ctrl+q"}), 0);

    // 200000 steps would take over 16 minutes: ending now means Control+Q did it.
    EXPECT_EQ(quillmere_wait(game, 60), 0);
    std::string log = quillmere_readFile(folder + "/Log File.txt");
    EXPECT_EQ(log.rfind("Tallowby Log File\n", 0), 0u);
    EXPECT_NE(log.find("Video Card Information"), std::string::npos);

    virtualDisplay_stop(&display);
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(tools);
}

}  // namespace
