// Text drawn into the offscreen GL context and read back: the debug font's
// glyphs at their raster position, and alphabet glyphs placed one by one by the
// advances of the alphabet's width row.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/windowTest.h"
#include "graphics/glText.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"

namespace {

const int kWidth = 640, kHeight = 480;

struct box {
    int left = kWidth, right = -1, bottom = kHeight, top = -1;  // inclusive; empty when right < left
    bool empty() const { return right < left; }
};

std::vector<unsigned char> readFrame() {
    std::vector<unsigned char> pixels(kWidth * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Bounding box of the lit pixels inside [x0, x1) x [y0, y1).
box inkIn(const std::vector<unsigned char> &frame, int x0, int y0, int x1, int y1) {
    box b;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (frame[(y * kWidth + x) * 4] > 128) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.bottom = std::min(b.bottom, y), b.top = std::max(b.top, y);
            }
    return b;
}

class TextTest : public WindowTest {
  protected:
    void SetUp() override {
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }
};

// The whole frame as drawn by one debug-font string at (x, y).
std::vector<unsigned char> drawDebug(int x, int y, const char *text) {
    glClear(GL_COLOR_BUFFER_BIT);
    drawString(x, y, kWidth, kHeight, text);
    return readFrame();
}

TEST_F(TextTest, DebugFontGlyphsSitInSixPixelCellsOnTheBaseline) {
    const char *text = "Hello World";
    std::vector<unsigned char> frame = drawDebug(100, 200, text);
    box all = inkIn(frame, 0, 0, kWidth, kHeight);
    ASSERT_FALSE(all.empty());
    EXPECT_GE(all.left, 100);
    EXPECT_LT(all.right, 100 + drawStringLength(text));
    EXPECT_GE(all.right, 100 + drawStringLength(text) - 6);  // the last cell is inked
    // 12 pixels high at most, two of them below the baseline.
    EXPECT_GE(all.bottom, 198);
    EXPECT_LT(all.top, 210);
    EXPECT_GT(all.top - all.bottom, 6);  // capitals are more than half the cell
    // Every character but the space inks its own cell; the space inks nothing.
    for (int i = 0; text[i]; i++) {
        box cell = inkIn(frame, 100 + 6 * i, 190, 106 + 6 * i, 220);
        EXPECT_EQ(cell.empty(), text[i] == ' ') << "character " << i;
    }
    // The raster position moved on by exactly the measured width.
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(raster[0], 100.0f + drawStringLength(text));
    EXPECT_FLOAT_EQ(raster[1], 200.0f);
}

TEST_F(TextTest, DebugFontGlyphsAreTheRightWayUp) {
    // A descender below the baseline, a quote high above it.
    EXPECT_LT(inkIn(drawDebug(50, 50, "g"), 0, 0, kWidth, kHeight).bottom, 50);
    EXPECT_GT(inkIn(drawDebug(50, 50, "'"), 0, 0, kWidth, kHeight).bottom, 54);
    // A slash rises to the right, a backslash to the left.
    std::vector<unsigned char> slash = drawDebug(50, 50, "/");
    box slashLow = inkIn(slash, 50, 48, 56, 51), slashHigh = inkIn(slash, 50, 56, 56, 60);
    ASSERT_FALSE(slashLow.empty());
    ASSERT_FALSE(slashHigh.empty());
    EXPECT_LT(slashLow.left, slashHigh.left);
    std::vector<unsigned char> back = drawDebug(50, 50, "\\");
    EXPECT_GT(inkIn(back, 50, 48, 56, 51).left, inkIn(back, 50, 56, 56, 60).left);
}

TEST_F(TextTest, DebugFontShowsOtherBytesAsSpacesAndSurvivesKill) {
    std::vector<unsigned char> frame = drawDebug(10, 300, "A\x01\x7f\xff" "B");
    EXPECT_FALSE(inkIn(frame, 10, 290, 16, 320).empty());
    EXPECT_TRUE(inkIn(frame, 16, 290, 34, 320).empty());
    EXPECT_FALSE(inkIn(frame, 34, 290, 40, 320).empty());

    KillFont();
    EXPECT_TRUE(inkIn(drawDebug(10, 300, "ABC"), 0, 0, kWidth, kHeight).empty());
    drawString(10, 300, kWidth, kHeight, nullptr);
    BuildFont();
    EXPECT_FALSE(inkIn(drawDebug(10, 300, "ABC"), 0, 0, kWidth, kHeight).empty());
    EXPECT_EQ(drawStringLength("abc"), 18);
    EXPECT_EQ(drawStringLength(nullptr), 0);
}

// ---------------------------------------------------------------------------
// Alphabets

// Each test glyph's cell holds one opaque vertical stripe, texel columns 4 to 7
// of its 16, in a colour of its own; everything else is clear. Drawn 64 pixels
// to the glyph, a stripe starts 16 pixels right of the glyph's pen position.
const unsigned char kRed[3] = {255, 0, 0}, kGreen[3] = {0, 255, 0}, kBlue[3] = {0, 0, 255};
const int kScale = 64, kStripe = 16, kRowY = 232;
// Advances in glyphs: the width array holds each width byte + 0.5, and a width
// equal to the 16-texel cell advances 1.175 glyphs.
const float kAdvanceA = 16.5f / 16 * 1.175f, kAdvanceB = 8.5f / 16 * 1.175f, kAdvanceTab = 2.35f;

struct glyphRun {
    char colour;  // 'r', 'g' or 'b'
    int start;
};

// A 256 x 256 alphabet TGA: A red, B green, line feed blue; widths A 16,
// B 8, line feed 16, the rest 0. With alpha (32 bits) the top row carries
// the widths; without (24 bits) there is no width array.
std::string writeAlphabet(const std::filesystem::path &folder, int bits) {
    int bytes = bits / 8;
    std::vector<unsigned char> rgba(256 * 256 * bytes, 0);  // rows bottom-up, R,G,B(,A)
    auto paint = [&](int code, const unsigned char colour[3]) {
        int left = (code % 16) * 16, bottom = (15 - code / 16) * 16;
        for (int y = bottom; y < bottom + 16; y++)
            for (int x = left + 4; x < left + 8; x++) {
                unsigned char *p = &rgba[(y * 256 + x) * bytes];
                p[0] = colour[0], p[1] = colour[1], p[2] = colour[2];
                if (bytes == 4) p[3] = 255;
            }
    };
    paint('A', kRed);
    paint('B', kGreen);
    paint(10, kBlue);
    if (bytes == 4) {
        unsigned char *widths = &rgba[255 * 256 * 4];  // the top row, channel by channel
        widths['A'] = 16, widths['B'] = 8, widths[10] = 16;
    }
    std::string path = (folder / (bits == 32 ? "alphabet32.tga" : "alphabet24.tga")).string();
    FILE *file = fopen(path.c_str(), "wb");
    unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, (unsigned char)bits, 0};
    fwrite(header, 1, sizeof header, file);
    for (size_t i = 0; i < rgba.size(); i += bytes) std::swap(rgba[i], rgba[i + 2]);  // stored B,G,R
    fwrite(rgba.data(), 1, rgba.size(), file);
    fclose(file);
    return path;
}

class AlphabetTest : public TextTest {
  protected:
    static inline std::filesystem::path folder;
    static inline int withWidths = -1, withoutWidths = -1;

    static void SetUpTestSuite() {
        TextTest::SetUpTestSuite();
        folder = std::filesystem::temp_directory_path() / ("quillmere_text_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        withWidths = glTexture_loadTexture(writeAlphabet(folder, 32).c_str(), 0);
        withoutWidths = glTexture_loadTexture(writeAlphabet(folder, 24).c_str(), 0);
        // Nearest texels make stripe edges land on exact pixels.
        for (int ref : {withWidths, withoutWidths}) {
            glBindTexture(GL_TEXTURE_2D, glTexture_getTextureID(ref));
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
    }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(folder);
        TextTest::TearDownTestSuite();
    }
    void SetUp() override {
        TextTest::SetUp();
        ASSERT_GE(withWidths, 0);
        ASSERT_NE(glTexture_getAlphabetWidthArray(withWidths), nullptr);
        ASSERT_EQ(glTexture_getAlphabetWidthArray(withoutWidths), nullptr);
        setAlphabetCellSize(16.0f);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    // Draws with `print` at (x, 200), 64 pixels to the glyph, and lists the
    // coloured runs across the glyphs' middle row.
    std::vector<glyphRun> draw(void (*print)(const char *, int), const char *text, int ref, float x) {
        glClear(GL_COLOR_BUFFER_BIT);
        set2DView(kWidth, kHeight);
        glTranslatef(x, 200.0f, 0.0f);
        glScalef(kScale, kScale, 1.0f);
        print(text, ref);
        end2DView();
        unsigned char row[kWidth * 4];
        glReadPixels(0, kRowY, kWidth, 1, GL_RGBA, GL_UNSIGNED_BYTE, row);
        std::vector<glyphRun> runs;
        char previous = 0;
        for (int i = 0; i < kWidth; i++) {
            const unsigned char *p = &row[i * 4];
            char colour = p[0] > 128 ? 'r' : p[1] > 128 ? 'g' : p[2] > 128 ? 'b' : 0;
            if (colour && colour != previous) runs.push_back({colour, i});
            previous = colour;
        }
        return runs;
    }
};

// First pixel whose centre lies at or right of a stripe starting at pen (pixels).
int stripeStart(float x, float pen) { return (int)std::ceil(x + pen + kStripe - 0.5f); }

int firstStart(const std::vector<glyphRun> &runs) { return runs.empty() ? -1 : runs[0].start; }

void expectRuns(const std::vector<glyphRun> &runs, const std::vector<glyphRun> &expected, int tolerance) {
    ASSERT_EQ(runs.size(), expected.size());
    for (size_t i = 0; i < runs.size(); i++) {
        EXPECT_EQ(runs[i].colour, expected[i].colour) << "glyph " << i;
        EXPECT_NEAR(runs[i].start, expected[i].start, tolerance) << "glyph " << i;
    }
}

TEST_F(AlphabetTest, GlyphsAdvanceByTheWidthRow) {
    float a = kAdvanceA * kScale, b = kAdvanceB * kScale, tab = kAdvanceTab * kScale;
    expectRuns(draw(printString, "AB\tBA", withWidths, 100),
               {{'r', stripeStart(100, 0)}, {'g', stripeStart(100, a)}, {'g', stripeStart(100, a + b + tab)},
                {'r', stripeStart(100, a + 2 * b + tab)}},
               1);
    // A line feed is drawn and ends the line.
    expectRuns(draw(printString, "AB\nBA", withWidths, 100),
               {{'r', stripeStart(100, 0)}, {'g', stripeStart(100, a)}, {'b', stripeStart(100, a + b)}}, 1);
    // Without a width array every glyph advances half a cell.
    expectRuns(draw(printString, "ABA", withoutWidths, 100),
               {{'r', stripeStart(100, 0)}, {'g', stripeStart(100, 32)}, {'r', stripeStart(100, 64)}}, 1);

    EXPECT_NEAR(printStringLength("AB\tZ", withWidths), kAdvanceA + kAdvanceB + kAdvanceTab + 0.5f / 16 * 1.175f,
                1e-5f);
    EXPECT_EQ(printStringLength("ABA", withoutWidths), 0.0f);
}

TEST_F(AlphabetTest, CentredAndRightAlignedPlacement) {
    float a = kAdvanceA * kScale, ab = (kAdvanceA + kAdvanceB) * kScale;
    // "AAA" is 232.65 pixels: centred on 320 it starts on pixel 203 when
    // snapped, on 203.675 (one stripe pixel later) when not.
    float snapped = std::floor(-1.5f * a);
    expectRuns(draw(printCenteredString, "AAA", withWidths, 320),
               {{'r', stripeStart(320, snapped)}, {'r', stripeStart(320, snapped + a)},
                {'r', stripeStart(320, snapped + 2 * a)}},
               0);
    EXPECT_EQ(firstStart(draw(printCenteredStringNoPixelSnap, "AAA", withWidths, 320)),
              stripeStart(320, -1.5f * a));
    EXPECT_EQ(stripeStart(320, -1.5f * a), stripeStart(320, snapped) + 1);
    // Everything after a line feed still counts towards the centre.
    float all = (3 * kAdvanceA + 2 * kAdvanceB) * kScale;
    EXPECT_EQ(firstStart(draw(printCenteredString, "AB\nBA", withWidths, 320)),
              stripeStart(320, std::floor(-0.5f * all)));
    // Right-aligned: the line ends at the origin.
    expectRuns(draw(printRightAlignedString, "AB", withWidths, 500),
               {{'r', stripeStart(500, -ab)}, {'g', stripeStart(500, -ab + a)}}, 1);
    // Half a cell a glyph without a width array.
    EXPECT_EQ(firstStart(draw(printCenteredString, "ABA", withoutWidths, 320)), stripeStart(320, -48));
}

TEST_F(AlphabetTest, CellLookupAndBadArguments) {
    float x, y, k;
    tileFromChar('A', &x, &y, &k, nullptr);
    EXPECT_FLOAT_EQ(x, 0.0625f);
    EXPECT_FLOAT_EQ(y, 0.6875f);
    EXPECT_FLOAT_EQ(k, 0.5f);
    setAlphabetCellSize(0.0f);  // refused: would divide by zero
    setAlphabetCellSize(32.0f);
    tileFromChar('A', &x, &y, &k, glTexture_getAlphabetWidthArray(withWidths));
    EXPECT_FLOAT_EQ(x, 0.125f);
    EXPECT_FLOAT_EQ(y, 1.375f);
    EXPECT_FLOAT_EQ(k, 16.5f / 32 * 1.175f);

    setAlphabetCellSize(16.0f);
    EXPECT_TRUE(draw(printString, "AB", -1, 100).empty());
    EXPECT_TRUE(draw(printCenteredString, "AB", 100000, 100).empty());
    EXPECT_TRUE(draw(printRightAlignedString, nullptr, withWidths, 100).empty());
    EXPECT_EQ(printStringLength("AB", -1), 0.0f);
    EXPECT_EQ(printStringLength(nullptr, withWidths), 0.0f);
}

}  // namespace
