// The input manager on its own: element strings and key names, bindings and
// their value slots, the poll with its handler, the rebinding mode, and
// recording and playback through real files.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "input/glInput.h"
#include "support/quillmereRun.h"

namespace {

std::vector<std::pair<std::string, long>> delivered;
void handler(char *name, long value) { delivered.emplace_back(name, value); }

class InputManager : public ::testing::Test {
  protected:
    void SetUp() override {
        glInput_initInputManager();
        glInput_beginGetAnyEvent();
        delivered.clear();
        folder = quillmere_makeFolder();
    }
    void TearDown() override { glInput_destructInputManager(); }
    // One update step as the application runs it: the poll, then the counter.
    void step(int count = 1) {
        char element[64];
        for (int i = 0; i < count; i++) {
            glInput_pollEvents(element, 1, handler);
            glInput_updateInputRecording();
        }
    }
    std::string write(const std::string &name, const std::string &text) {
        std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string folder;
};

using Events = std::vector<std::pair<std::string, long>>;

TEST(InputElements, KeyNamesAndFields) {
    struct {
        int value;
        const char *name;
    } cases[] = {
        {'q', "Q Key"},  {'Q', "Q Key"},        {'0', "0 KEY"},      {'9', "9 KEY"},       {',', ", KEY"},
        {'\'', "' KEY"}, {'`', "` KEY"},        {'\\', "\\ KEY"},    {32, "Spacebar"},     {37, "Left Arrow"},
        {38, "Up Arrow"}, {40, "Down Arrow"},   {6, "Right Arrow"},  {8, "BACKSPACE"},     {9, "TAB KEY"},
        {13, "ENTER KEY"}, {200, "Key Value 200"}, {0x171, "Q Key"}, {27, "Key Value 27"}, {0, "Key Value 0"},
    };
    for (const auto &c : cases) {
        char name[kInputTextLength] = "";
        EXPECT_EQ(glInput_getStringForKeyboardValue(c.value, name), 1);
        EXPECT_STREQ(name, c.name) << c.value;
    }
    const char *element = "Q Key:0xFFFFFFFF:113:1:1";
    EXPECT_STREQ(glInputElement_getString(element, 0), "Q Key");
    EXPECT_STREQ(glInputElement_getString(element, 4), "1");
    EXPECT_STREQ(glInputElement_getString(element, 5), "");
    EXPECT_EQ(glInputElement_getLong(element, 1), 0xFFFFFFFFl);
    EXPECT_EQ(glInputElement_getLong(element, 2), 113);
    EXPECT_EQ(glInputElement_getLong("x:zz", 1), 0);

    struct {
        const char *text;
        int valid;
    } forms[] = {
        {"Q Key:0xFFFFFFFF:113:1:1", 1}, {"Pad A:0x00000000:256:0:1", 1}, {"Q Key:0xFFFFFFFF:113:1", 0},
        {"Q Key:0xFFFFFFFF:113:1:1:1", 0}, {":0xFFFFFFFF:113:1:1", 0},     {"Q Key:FFFFFFFF:113:1:1", 0},
        {"Q Key:0xFFFFFFFG:113:1:1", 0}, {"Q Key:0xFFFFFFFF:abc:1:1", 0}, {"Q Key:0xFFFFFFFF:113::1", 0},
        {"garbage", 0}, {"", 0},
    };
    for (const auto &f : forms) EXPECT_EQ(glInputElement_isValid(f.text), f.valid) << f.text;
    EXPECT_EQ(glInputElement_isValid((std::string(130, 'K') + ":0xFFFFFFFF:1:1:1").c_str()), 0);

    char pad[kInputTextLength];
    EXPECT_EQ(glInput_getStringForPadElement(kInputPadButtonBase, pad), 1);
    EXPECT_STREQ(pad, "Pad A");
    EXPECT_EQ(glInput_getStringForPadElement(kInputPadAxisBase + 4, pad), 1);
    EXPECT_STREQ(pad, "Pad Left Stick Up");
    EXPECT_EQ(glInput_getStringForPadElement(kInputPadAxisBase + kInputPadElements, pad), 0);
}

TEST_F(InputManager, BoundKeysSetValuesAndReachTheHandlerInQueueOrder) {
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "jump", 1);
    glInput_addControlBinding("Pad A:0x00000000:256:1:1", "jump", 1);
    glInput_addControlBinding("X Key:0xFFFFFFFF:120:0:1", "fire", 1);
    glInput_postKeyDownEvent('q');
    glInput_postKeyDownEvent('z');  // unbound: dropped
    glInput_postKeyDownEvent('x');
    EXPECT_EQ(glInput_getEventValue("jump"), 0);  // nothing before the poll
    step();
    EXPECT_EQ(delivered, (Events{{"jump", 1}, {"fire", 1}}));
    EXPECT_EQ(glInput_getEventValue("jump"), 1);
    glInput_postKeyUpEvent('q');
    glInput_postPadEvent(kInputPadButtonBase, 1);
    step();
    EXPECT_EQ(delivered.back(), (std::pair<std::string, long>{"jump", 1}));
    EXPECT_EQ(glInput_getEventValue("jump"), 1);

    char out[kInputTextLength] = "untouched";
    glInput_getControlForEvent("jump", out);
    EXPECT_STREQ(out, "Q Key");
    glInput_getElementForEvent("fire", out);
    EXPECT_STREQ(out, "X Key:0xFFFFFFFF:120:1:1");
    strcpy(out, "untouched");
    glInput_getControlForEvent("nothing", out);
    EXPECT_STREQ(out, "untouched");

    // Queuing off: presses are dropped, not kept for later.
    glInput_endGetAnyEvent();
    glInput_postKeyDownEvent('x');
    glInput_beginGetAnyEvent();
    delivered.clear();
    step();
    EXPECT_TRUE(delivered.empty());
}

TEST_F(InputManager, ValueReferencesOutliveBindingChanges) {
    EXPECT_EQ(glInput_getEventValueReference("left"), nullptr);  // no binding yet
    glInput_addControlBinding("A Key:0xFFFFFFFF:97:1:1", "left", 1);
    long *left = glInput_getEventValueReference("left");
    ASSERT_NE(left, nullptr);
    glInput_postKeyDownEvent('a');
    step();
    EXPECT_EQ(*left, 1);
    glInput_removeControlBinding("left");
    EXPECT_EQ(*left, 0);  // no control: never on
    EXPECT_EQ(glInput_getEventValueReference("left"), nullptr);
    glInput_setEventValue("left", 1);  // unbound: nothing
    EXPECT_EQ(*left, 0);
    glInput_addControlBinding("J Key:0xFFFFFFFF:106:1:1", "left", 1);
    EXPECT_EQ(glInput_getEventValueReference("left"), left);  // the same slot again
    glInput_postKeyDownEvent('j');
    step();
    EXPECT_EQ(*left, 1);
    glInput_removeAllControlBindings();
    EXPECT_EQ(*left, 0);

    // Refused: malformed elements, over-long and empty names.
    glInput_addControlBinding("Q Key", "jump", 1);
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", std::string(1000, 'e').c_str(), 1);
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "", 1);
    glInput_postKeyDownEvent('q');
    delivered.clear();
    step();
    EXPECT_TRUE(delivered.empty());
}

TEST_F(InputManager, RebindingBindsEachUnboundControlToTheWaitingEvent) {
    glInput_addControlBinding("F Key:0xFFFFFFFF:102:1:1", "fire", 1);
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "jump", 1);
    long *fire = glInput_getEventValueReference("fire");
    glInput_setEventModification("fire", -1);
    glInput_postKeyDownEvent('q');  // bound to jump: no rebinding
    glInput_postKeyDownEvent('x');
    glInput_postKeyUpEvent('x');    // bound by now: an ordinary release
    step();
    EXPECT_EQ(delivered, (Events{{"jump", 1}, {"fire", 1}, {"fire", 0}}));
    char out[kInputTextLength];
    glInput_getElementForEvent("fire", out);
    EXPECT_STREQ(out, "X Key:0xFFFFFFFF:120:1:1");
    glInput_postKeyDownEvent('z');  // the mode stays on
    step();
    glInput_getControlForEvent("fire", out);
    EXPECT_STREQ(out, "Z Key");
    EXPECT_EQ(glInput_getEventValueReference("fire"), fire);
    EXPECT_EQ(*fire, 1);
    glInput_setEventModification("", -1);
    glInput_postKeyDownEvent('y');
    delivered.clear();
    step();
    EXPECT_TRUE(delivered.empty());
}

TEST_F(InputManager, RecordingWritesStepsAndLetsGoOfHeldEventsAtTheEnd) {
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "jump", 1);
    glInput_addControlBinding("D Key:0xFFFFFFFF:100:1:1", "right", 1);
    std::string path = folder + "/run.rec";
    glInput_startInputRecording(path.c_str());
    EXPECT_TRUE(glInput_isRecording());
    step(2);
    glInput_postKeyDownEvent('q');
    glInput_postKeyDownEvent('d');
    step();  // delivered in the poll of step 2
    glInput_postKeyUpEvent('q');
    glInput_postKeyDownEvent('z');  // unbound: not recorded
    step(4);
    glInput_endInputRecording();
    EXPECT_EQ(quillmere_readFile(path), "2 1 jump\n2 1 right\n3 0 jump\n7 0 right\n");
}

TEST_F(InputManager, PlaybackDeliversEachLineInTheStepItNames) {
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "jump", 1);
    glInput_addControlBinding("D Key:0xFFFFFFFF:100:1:1", "right", 1);
    // CR, CR LF and LF line ends; two lines for one step; a last line without an end.
    glInput_playInputRecording(write("a.rec", "0 1 right\r2 1 jump\r\n2 5 other\n4 0 jump").c_str());
    std::vector<Events> perStep;
    for (int i = 0; i < 6; i++) {
        delivered.clear();
        if (i == 2) glInput_postKeyDownEvent('d');  // live input follows the played lines
        step();
        perStep.push_back(delivered);
        if (i == 3) {
            EXPECT_EQ(glInput_getEventValue("right"), 1);
        }
    }
    EXPECT_EQ(perStep[0], (Events{{"right", 1}}));
    EXPECT_EQ(perStep[1], Events{});
    EXPECT_EQ(perStep[2], (Events{{"jump", 1}, {"other", 5}, {"right", 1}}));
    EXPECT_EQ(perStep[4], (Events{{"jump", 0}}));
    EXPECT_FALSE(glInput_isPlayingBack());  // the end of the file was reached with the last line
    EXPECT_EQ(glInput_getEventValue("right"), 0);
}

TEST_F(InputManager, BadRecordingLinesAreSkippedAndNamed) {
    glInput_addControlBinding("Q Key:0xFFFFFFFF:113:1:1", "jump", 1);
    std::string longLine = "1 1 " + std::string(200, 'j') + "\n";
    std::string text = "garbage\n" + longLine + "1 1\n1 x jump\n-3 1 jump\n 1 1 jump\n3 1 jump\n2 0 jump\n" +
                       std::string("4 1 ") + std::string(123, 'k') + "\n";
    glInput_playInputRecording(write("bad.rec", text).c_str());
    Events all;
    for (int i = 0; i < 6; i++) {
        delivered.clear();
        step();
        for (auto &e : delivered) all.push_back(e);
    }
    // The early line (2 after 3) is delivered at once; a 127-character line is whole.
    EXPECT_EQ(all, (Events{{"jump", 1}, {"jump", 0}, {std::string(123, 'k'), 1}}));
}

}  // namespace
