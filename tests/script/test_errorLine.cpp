// The red error line: what it says for script errors and failed loads (the
// document and the script's own line), how long it stays, that it is drawn,
// and that --no-error-line turns it off in the real program.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "app/glApplication.h"
#include "core/glMemory.h"
#include "graphics/glErrorLine.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "support/quillmereRun.h"
#include "support/windowTest.h"

namespace fs = std::filesystem;

namespace {

class ErrorLine : public WindowTest {
  protected:
    static void SetUpTestSuite() {
        WindowTest::SetUpTestSuite();
        glEnvironment_setFixedStep(1);
        glLua_prestartup();
    }
    static void TearDownTestSuite() {
        glLua_shutdown();
        WindowTest::TearDownTestSuite();
    }
    void SetUp() override {
        glErrorLine_clear();
        glErrorLine_setEnabled(1);
    }
    static std::string text() { return glErrorLine_text(); }
};

// Red pixels in the bottom strip of the frame just drawn.
int redPixelsAtTheBottom(int width, int height = kErrorLineHeight) {
    std::vector<uint8_t> pixels((size_t)width * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int red = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) red += pixels[i] > 150 && pixels[i + 1] < 110;
    return red;
}

TEST_F(ErrorLine, SaysWhereEachKindOfFailureHappened) {
    lua_State *L = glLua_getLuaRef();
    std::string folder = quillmere_makeFolder();
    std::string document = folder + "/level.xml";
    std::ofstream(document) << "<?xml version=\"1.0\"?>\n<level><script language=\"Lua\">x = 1\n"
                               "local t = nil\nt.y = 2</script></level>\n";
    static const char cachedScript[] = "\nnosuch()";  // runs as the body of a cached function

    struct failure {
        const char *name;
        std::function<void()> cause;
        std::string shown;  // the whole line, or its start when it ends in "..."
    };
    const failure failures[] = {
        {"run-time error", [&] { glLua_runScript(L, "a = 1\nlocal t = nil\nt.x = 1", 1); },
         "script line 3: attempt to index local 't' (a nil value)"},
        {"syntax error", [&] { glLua_runScript(L, "x = = 1", 1); }, "script line 1: unexpected symbol near '='"},
        {"texture from a script", [&] { glLua_runScript(L, "\nloadTexture('Data/none.tga')", 1); },
         "script line 2: Unable to open the texture file \"Data/none.tga\""},
        {"texture from the engine", [&] { glTexture_loadTexture("Data/none.tga", 0); },
         "Unable to open the texture file \"Data/none.tga\""},
        {"missing document", [&] { glLua_loadXMLFile("Data/missing.xml"); },
         "Unable to locate file \"Data/missing.xml\""},
        {"error in a document's script", [&] { glLua_loadXMLFile(document.c_str()); },
         document + ", script line 3: attempt to index local 't' (a nil value)"},
        {"error in a cached script", [&] { glLua_runScript(L, cachedScript, 0); },
         document + ", script line 2: attempt to call global 'nosuch' (a nil value)"},
    };
    for (const failure &f : failures) {
        glErrorLine_clear();
        f.cause();
        EXPECT_EQ(text(), f.shown) << f.name;
    }
    fs::remove_all(folder);
}

TEST_F(ErrorLine, StaysAFewSecondsCountsTheOthersAndCanBeTurnedOff) {
    glErrorLine_show("here", "first");
    glErrorLine_show("there", "second\nline");
    EXPECT_EQ(text(), "there: second line (and 1 more)");
    for (int i = 0; i < kErrorLineSteps - 1; i++) ASSERT_EQ(doSingleLoop(), 0);
    EXPECT_NE(text(), "");
    ASSERT_EQ(doSingleLoop(), 0);
    EXPECT_EQ(text(), "");
    glErrorLine_show(nullptr, "third");
    EXPECT_EQ(text(), "third");  // the count starts again

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glErrorLine_draw();
    EXPECT_GT(redPixelsAtTheBottom(640), 20);

    glErrorLine_setEnabled(0);
    EXPECT_EQ(text(), "");
    glClear(GL_COLOR_BUFFER_BIT);
    glErrorLine_draw();
    EXPECT_EQ(redPixelsAtTheBottom(640), 0);
}

// The real program: the last frame shows the line, unless turned off.
TEST(ErrorLineOption, TheProgramShowsTheLineUnlessToldNotTo) {
    for (bool off : {false, true}) {
        std::string folder = quillmere_makeFolder();
        fs::create_directories(folder + "/Data");
        std::ofstream(folder + "/Data/index.xml")
            << "<?xml version=\"1.0\"?>\n<level><script language=\"Lua\">nosuch()</script></level>\n";
        std::vector<std::string> arguments = {"--headless", "--fixed-step", "--steps", "5", "--screenshot", "shot.tga"};
        if (off) arguments.push_back("--no-error-line");
        quillmereRun run = quillmere_run(folder, arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string bytes = quillmere_readFile(folder + "/shot.tga");
        tgaImage image = {};
        ASSERT_EQ(glTexture_decodeTGA((const uint8_t *)bytes.data(), bytes.size(), "shot.tga", &image), 1);
        int channels = image.format == GL_RGBA ? 4 : 3, red = 0;
        for (int i = 0; i < image.width * kErrorLineHeight; i++) {  // bottom rows come first
            const uint8_t *p = image.imageData + i * channels;
            red += p[0] > 150 && p[1] < 110;
        }
        if (off)
            EXPECT_EQ(red, 0);
        else
            EXPECT_GT(red, 20);
        glFree(image.imageData, (uint32_t)image.imageSize);
        fs::remove_all(folder);
    }
}

}  // namespace
