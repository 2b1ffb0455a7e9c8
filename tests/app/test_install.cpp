// cmake --install into a temporary prefix: the program, the game, the desktop
// entry and its icon land in their places, and the installed program plays the
// installed game unless the folder it starts in has a game of its own.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/glMemory.h"
#include "graphics/glTexture.h"
#include "support/quillmereRun.h"

namespace fs = std::filesystem;

namespace {

class Install : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        prefix = quillmere_makeFolder();
        std::string build = fs::path(QUILLMERE_BINARY).parent_path().string();
        int code = quillmere_wait(quillmere_start(prefix, {"--install", build, "--prefix", prefix}, {}, "cmake"), 240);
        ASSERT_EQ(code, 0) << quillmere_readFile(prefix + "/.stderr");
    }
    static void TearDownTestSuite() { fs::remove_all(prefix); }
    static std::string prefix;
};
std::string Install::prefix;

TEST_F(Install, PutsEveryPartInItsPlace) {
    EXPECT_TRUE(fs::is_regular_file(prefix + "/bin/quillmere"));
    EXPECT_TRUE(fs::is_regular_file(prefix + "/share/quillmere/Data/index.xml"));
    EXPECT_TRUE(fs::is_regular_file(prefix + "/share/quillmere/Data/level1.xml"));

    std::string entry = quillmere_readFile(prefix + "/share/applications/quillmere.desktop");
    for (const char *line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=quillmere\n", "\nIcon=quillmere\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;

    std::string icon = quillmere_readFile(prefix + "/share/icons/hicolor/64x64/apps/quillmere.png");
    ASSERT_GE(icon.size(), 24u);
    EXPECT_EQ(icon.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto bigEndian = [&](size_t at) {
        return (uint8_t)icon[at] << 24 | (uint8_t)icon[at + 1] << 16 | (uint8_t)icon[at + 2] << 8 | (uint8_t)icon[at + 3];
    };
    EXPECT_EQ(bigEndian(16), 64u);  // width
    EXPECT_EQ(bigEndian(20), 64u);  // height
}

// Where the run's log lands says which game it played; the final frame shows
// that the installed game really drew its title screen.
TEST_F(Install, TheInstalledProgramPlaysTheInstalledGame) {
    std::string elsewhere = quillmere_makeFolder();
    int code = quillmere_wait(quillmere_start(elsewhere, {"--headless", "--fixed-step", "--steps", "20", "--screenshot",
                                                          elsewhere + "/shot.tga"},
                                              {}, prefix + "/bin/quillmere"),
                              240);
    EXPECT_EQ(code, 0) << quillmere_readFile(elsewhere + "/.stderr");
    std::string log = quillmere_readFile(prefix + "/share/quillmere/Log File.txt");
    EXPECT_NE(log.find("Video Card Information"), std::string::npos) << log;
    EXPECT_EQ(log.find("Unable to"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(elsewhere + "/Log File.txt"));

    std::string bytes = quillmere_readFile(elsewhere + "/shot.tga");
    tgaImage image = {};
    ASSERT_EQ(glTexture_decodeTGA((const uint8_t *)bytes.data(), bytes.size(), "shot.tga", &image), 1);
    int channels = image.format == GL_RGBA ? 4 : 3, distinct = 0;
    for (int i = channels; i < image.width * image.height * channels && distinct < 1; i += channels)
        distinct += memcmp(image.imageData + i, image.imageData, 3) != 0;
    EXPECT_GT(distinct, 0) << "the final frame is one flat colour";
    glFree(image.imageData, (uint32_t)image.imageSize);

    // A folder with a game of its own plays that one.
    fs::create_directories(elsewhere + "/Data");
    std::ofstream(elsewhere + "/Data/index.xml")
        << "<?xml version=\"1.0\"?>\n<level><script language=\"Lua\">print('own game')</script></level>\n";
    code = quillmere_wait(
        quillmere_start(elsewhere, {"--headless", "--fixed-step", "--steps", "2"}, {}, prefix + "/bin/quillmere"), 240);
    EXPECT_EQ(code, 0);
    EXPECT_NE(quillmere_readFile(elsewhere + "/Log File.txt").find("own game"), std::string::npos);
    fs::remove_all(elsewhere);
}

}  // namespace
