// The save dialog: numbered automatic names in QUILLMERE_SAVE_DIR when nobody
// can answer, the open mode, the default-extension rule, and the desktop dialog
// driven through a stand-in "zenity" on the PATH.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/glEnvironment.h"
#include "platform/glFileDialog.h"

namespace {

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeAndClose(FILE *file, const char *text) {
    ASSERT_NE(file, nullptr);
    fputs(text, file);
    fclose(file);
}

class SaveDialog : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        glEnvironment_setNonInteractive(1);
        char pattern[] = "/tmp/quillmere-save-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        setenv("QUILLMERE_SAVE_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QUILLMERE_SAVE_DIR");
        std::filesystem::remove_all(dir);
    }
};

TEST_F(SaveDialog, AutomaticNamesAreNumberedAndLogged) {
    ::testing::internal::CaptureStderr();
    writeAndClose(getSaveFile("Screenshot", "tga", "wb"), "first");
    writeAndClose(getSaveFile("Screenshot", ".tga", "wb"), "second");
    writeAndClose(getSaveFile("level.txt", "lua", "wb"), "third");
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readAll(dir + "/Screenshot.tga"), "first");
    EXPECT_EQ(readAll(dir + "/Screenshot 2.tga"), "second");
    EXPECT_EQ(readAll(dir + "/level.txt"), "third");
    EXPECT_NE(log.find(dir + "/Screenshot 2.tga"), std::string::npos) << log;
}

TEST_F(SaveDialog, UsesTheGivenModeAndTheWorkingDirectoryByDefault) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(getSaveFile("Screenshot", "tga", "rb"), nullptr) << "a fresh name cannot be read";
    EXPECT_EQ(getSaveFile("Screenshot", "tga", nullptr), nullptr);
    ::testing::internal::GetCapturedStderr();

    unsetenv("QUILLMERE_SAVE_DIR");
    std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    FILE *file = getSaveFile(nullptr, "txt", "wb");
    std::filesystem::current_path(previous);
    writeAndClose(file, "xyz");
    EXPECT_EQ(readAll(dir + "/Untitled.txt"), "xyz");
}

TEST(DefaultExtension, OnlyBareNamesGetItAndNothingOverflows) {
    const char *cases[][3] = {
        {"Screenshot", "tga", "Screenshot.tga"}, {"Screenshot", ".tga", "Screenshot.tga"},
        {"shot.png", "tga", "shot.png"},         {"/home/a.b/shot", "tga", "/home/a.b/shot.tga"},
        {".hidden", "tga", ".hidden.tga"},       {"Screenshot", "", "Screenshot"},
    };
    for (auto &c : cases) {
        char path[64];
        snprintf(path, sizeof(path), "%s", c[0]);
        glFileDialog_addDefaultExtension(path, sizeof(path), c[1]);
        EXPECT_STREQ(path, c[2]) << c[0] << " + " << c[1];
    }
    char path[16] = "abcdefghijk";  // ".tga" and the terminator need 16 bytes
    EXPECT_EQ(glFileDialog_addDefaultExtension(path, 15, "tga"), -1);
    EXPECT_STREQ(path, "abcdefghijk");
    EXPECT_EQ(glFileDialog_addDefaultExtension(path, 16, "tga"), 1);
    EXPECT_STREQ(path, "abcdefghijk.tga");
}

// A stand-in dialog: logs its arguments, answers questions with $FAKE_CONFIRM
// and prints $FAKE_CHOICE with exit status $FAKE_STATUS.
class DesktopDialog : public SaveDialog {
protected:
    static constexpr const char *kSaved[] = {"PATH", "DISPLAY", "QUILLMERE_NONINTERACTIVE", "SDL_VIDEODRIVER"};
    std::string saved[4];
    bool wasSet[4] = {};
    void SetUp() override {
        for (int i = 0; i < 4; i++)
            if ((wasSet[i] = getenv(kSaved[i]) != nullptr)) saved[i] = getenv(kSaved[i]);
        SaveDialog::SetUp();
        glEnvironment_setNonInteractive(0);
        unsetenv("QUILLMERE_NONINTERACTIVE");
        unsetenv("SDL_VIDEODRIVER");
        setenv("DISPLAY", ":77", 1);
        setenv("PATH", dir.c_str(), 1);
        setenv("FAKE_LOG", (dir + "/args").c_str(), 1);
        std::ofstream(dir + "/zenity") << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$FAKE_LOG\"\n"
                                          "[ \"$1\" = --question ] && exit \"$FAKE_CONFIRM\"\n"
                                          "printf '%s\\n' \"$FAKE_CHOICE\"\nexit \"$FAKE_STATUS\"\n";
        std::filesystem::permissions(dir + "/zenity", std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        for (int i = 0; i < 4; i++) wasSet[i] ? setenv(kSaved[i], saved[i].c_str(), 1) : unsetenv(kSaved[i]);
        SaveDialog::TearDown();
    }
    FILE *answer(const std::string &choice, const char *status, const char *confirm = "0") {
        setenv("FAKE_CHOICE", choice.c_str(), 1);
        setenv("FAKE_STATUS", status, 1);
        setenv("FAKE_CONFIRM", confirm, 1);
        return getSaveFile("Screenshot", "tga", "wb");
    }
};

TEST_F(DesktopDialog, TypedNameIsTakenLiterallyAndGetsTheExtension) {
    std::string typed = dir + "/a;$(echo b) 'c'*";
    writeAndClose(answer(typed, "0"), "x");
    EXPECT_EQ(readAll(typed + ".tga"), "x");
    std::string args = readAll(dir + "/args");
    EXPECT_NE(args.find("--save\n--confirm-overwrite\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--filename=Screenshot\n"), std::string::npos) << args;
    EXPECT_NE(args.find("| *\n"), std::string::npos) << "all files, names without a dot too: " << args;
}

TEST_F(DesktopDialog, CancelGivesNullAndReplacingAskedForTheExtendedName) {
    EXPECT_EQ(answer(dir + "/shot", "1"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir + "/Screenshot.tga")) << "a cancel saves nothing";

    std::ofstream(dir + "/$(x).tga") << "old";
    writeAndClose(answer(dir + "/$(x)", "0", "0"), "new");
    EXPECT_EQ(readAll(dir + "/$(x).tga"), "new");
    EXPECT_NE(readAll(dir + "/args").find("--text=" + dir + "/$(x).tga already exists."), std::string::npos);
}

}  // namespace
