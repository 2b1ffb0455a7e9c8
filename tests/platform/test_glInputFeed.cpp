// Input files: what a line means, and a file with bad lines (each named in the
// log, the rest played in step order). Playing them through the run loop is
// tested with the editor (tests/sprites/test_glLuaSpriteEditor.cpp).

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/glInputFeed.h"
#include "support/quillmereRun.h"

namespace {

TEST(InputFeed, LinesAreInputsCommentsOrRefusedAndPlayInStepOrder) {
    struct lineCase {
        const char *text;
        int status;
        inputFeedLine line;  // step, action, x, y, button, scancode, modifiers
    };
    const lineCase cases[] = {
        {"12 move 320 -4", 1, {12, kFeedMove, 320, -4, 0, 0, 0}},
        {"3\trelease right\r", 1, {3, kFeedRelease, 0, 0, SDL_BUTTON_RIGHT, 0, 0}},
        {"0 press", 1, {0, kFeedPress, 0, 0, SDL_BUTTON_LEFT, 0, 0}},
        {"7 key ctrl+shift+p", 1, {7, kFeedKey, 0, 0, 0, SDL_SCANCODE_P, KMOD_LCTRL | KMOD_LSHIFT}},
        {"9 keyup ALT+F2", 1, {9, kFeedKeyUp, 0, 0, 0, SDL_SCANCODE_F2, KMOD_LALT}},
        {"8 keydown space", 1, {8, kFeedKeyDown, 0, 0, 0, SDL_SCANCODE_SPACE, 0}},
        {"  # 4 key Tab", 0, {}}, {"", 0, {}}, {"-1 press", -1, {}}, {"4", -1, {}}, {"4 jump", -1, {}},
        {"4 move 1", -1, {}}, {"4 move 1 2 3", -1, {}}, {"4 move 1 99999", -1, {}}, {"4 press middle", -1, {}},
        {"4 key NoSuchKey", -1, {}}, {"4 key ctrl+", -1, {}}, {"99999999999999999999999 key Tab", -1, {}},
    };
    for (const lineCase &c : cases) {
        inputFeedLine line = {};
        ASSERT_EQ(glInputFeed_parseLine(c.text, &line), c.status) << c.text;
        if (c.status != 1) continue;
        const inputFeedLine &e = c.line;
        EXPECT_TRUE(line.step == e.step && line.action == e.action && line.x == e.x && line.y == e.y &&
                    line.button == e.button && line.scancode == e.scancode && line.modifiers == e.modifiers)
            << c.text;
    }

    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0);
    std::string folder = quillmere_makeFolder();
    std::ofstream(folder + "/feed.txt") << "5 key Tab\n2 key Up\nnonsense\n";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(glInputFeed_open((folder + "/none.txt").c_str()), 0);
    EXPECT_EQ(glInputFeed_open((folder + "/feed.txt").c_str()), 2);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("cannot read \"" + folder + "/none.txt\""), std::string::npos) << log;
    EXPECT_NE(log.find("feed.txt\" line 3: not an input (\"nonsense\"); skipped"), std::string::npos) << log;
    std::string keys;
    SDL_Event event;
    for (int step = 0; step <= 5; step++, glInputFeed_stepDone())
        while (SDL_PollEvent(&event))
            if (event.type == SDL_KEYDOWN) keys += std::to_string(step) + SDL_GetScancodeName(event.key.keysym.scancode) + " ";
    EXPECT_EQ(keys, "2Up 5Tab ");
    EXPECT_EQ(glInputFeed_pending(), 0);
    glInputFeed_close();
    SDL_Quit();
}

}  // namespace
